#include "TRSearchText.h"

#include <QString>
#include <QUrl>

namespace {

bool isAsciiWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Most names are ASCII: they are cut and lowered byte by byte, without a copy.
void asciiWords(QByteArrayView text, TRSearchText::WordSink &sink)
{
    char word[TRSearchText::maximumWordSize];
    qsizetype size = 0;
    bool inWord = false;
    for (const char c : text) {
        if (isAsciiWordByte(c)) {
            if (size < TRSearchText::maximumWordSize) {
                word[size++] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
            }
            inWord = true;
        } else if (inWord) {
            sink.word(QByteArrayView(word, size));
            size = 0;
            inWord = false;
        }
    }
    if (inWord) {
        sink.word(QByteArrayView(word, size));
    }
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

qsizetype utf8(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// Accents come apart from their letters in the compatibility decomposition
// and are dropped; what is left is folded for case.
void unicodeWords(const QString &text, TRSearchText::WordSink &sink)
{
    const QString folded = text.normalized(QString::NormalizationForm_KD).toCaseFolded();
    QByteArray word;
    const auto flush = [&] {
        if (!word.isEmpty()) {
            sink.word(word);
            word.clear();
        }
    };
    const QList<uint> characters = folded.toUcs4();
    for (const uint raw : characters) {
        const auto c = static_cast<char32_t>(raw);
        if (isMark(c)) {
            continue;
        }
        if (!QChar::isLetterOrNumber(c)) {
            flush();
            continue;
        }
        char encoded[4];
        const qsizetype size = utf8(c, encoded);
        // Cut at a character's start: a word is never left half a character.
        if (word.size() + size <= TRSearchText::maximumWordSize) {
            word.append(encoded, size);
        }
    }
    flush();
}

} // namespace

namespace TRSearchText {

void words(QAnyStringView text, WordSink &sink)
{
    text.visit([&sink](auto view) {
        using View = decltype(view);
        if constexpr (std::is_same_v<View, QUtf8StringView>) {
            const QByteArrayView bytes(view.data(), view.size());
            if (isAscii(bytes)) {
                asciiWords(bytes, sink);
            } else {
                unicodeWords(QString::fromUtf8(bytes), sink);
            }
        } else if constexpr (std::is_same_v<View, QLatin1StringView>) {
            const QByteArrayView bytes(view.data(), view.size());
            if (isAscii(bytes)) {
                asciiWords(bytes, sink);
            } else {
                unicodeWords(QString(view), sink);
            }
        } else {
            bool ascii = true;
            for (const QChar c : view) {
                if (c.unicode() >= 0x80) {
                    ascii = false;
                    break;
                }
            }
            if (ascii) {
                asciiWords(view.toLatin1(), sink);
            } else {
                unicodeWords(view.toString(), sink);
            }
        }
    });
}

QByteArrayView hostOf(QByteArrayView encodedUrl)
{
    const qsizetype scheme = encodedUrl.indexOf("://");
    if (scheme <= 0) {
        return {};
    }
    QByteArrayView authority = encodedUrl.sliced(scheme + 3);
    for (qsizetype i = 0; i < authority.size(); ++i) {
        const char c = authority[i];
        if (c == '/' || c == '?' || c == '#') {
            authority.truncate(i);
            break;
        }
    }
    if (const qsizetype at = authority.lastIndexOf('@'); at >= 0) {
        authority = authority.sliced(at + 1);
    }
    if (authority.startsWith('[')) {
        const qsizetype end = authority.indexOf(']');
        return end < 0 ? QByteArrayView() : authority.sliced(1, end - 1);
    }
    if (const qsizetype colon = authority.indexOf(':'); colon >= 0) {
        authority.truncate(colon);
    }
    return authority;
}

void hostWords(QByteArrayView encodedUrl, WordSink &sink)
{
    // "www" says nothing of a site, and would match every "w" typed.
    struct SkipWww : WordSink
    {
        explicit SkipWww(WordSink &sink)
            : to(sink)
        {}
        void word(QByteArrayView folded) override
        {
            if (first && folded == "www") {
                first = false;
                return;
            }
            first = false;
            to.word(folded);
        }
        WordSink &to;
        bool first = true;
    } skipping(sink);

    const QByteArrayView host = hostOf(encodedUrl);
    if (host.contains("xn--")) {
        words(QUrl::fromAce(host.toByteArray(), QUrl::IgnoreIDNWhitelist), skipping);
    } else {
        words(QUtf8StringView(host), skipping);
    }
}

} // namespace TRSearchText
