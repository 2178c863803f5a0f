#include "TRSearchText.h"

#include <QString>
#include <QUrl>

#include <cstring>
#include <vector>

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

// Builds words of folded characters, as UTF-8, cut at the longest size.
class WordBuilder
{
public:
    explicit WordBuilder(TRSearchText::WordSink &sink)
        : m_sink(sink)
    {}
    void add(char32_t c)
    {
        char encoded[4];
        const qsizetype size = utf8(c, encoded);
        // Cut at a character's start: a word is never left half a character.
        if (m_size + size <= TRSearchText::maximumWordSize) {
            std::memcpy(m_word + m_size, encoded, static_cast<std::size_t>(size));
            m_size += size;
        }
        m_inWord = true;
    }
    void flush()
    {
        if (m_inWord) {
            m_sink.word(QByteArrayView(m_word, m_size));
        }
        m_size = 0;
        m_inWord = false;
    }

private:
    TRSearchText::WordSink &m_sink;
    char m_word[TRSearchText::maximumWordSize];
    qsizetype m_size = 0;
    bool m_inWord = false;
};

// One character without its accents, folded for case, into the word; a
// character that is no letter or digit ends it. Accents come apart from
// their letters in the compatibility decomposition and are dropped.
void foldInto(char32_t c, WordBuilder &word, int depth = 0)
{
    if (QChar::decompositionTag(c) != QChar::NoDecomposition && depth < 4) {
        const QString parts = QChar::decomposition(c);
        for (const uint part : parts.toUcs4()) {
            foldInto(static_cast<char32_t>(part), word, depth + 1);
        }
        return;
    }
    if (isMark(c)) {
        return;
    }
    const char32_t folded = QChar::toCaseFolded(c);
    if (QChar::isLetterOrNumber(folded)) {
        word.add(folded);
    } else {
        word.flush();
    }
}

// Latin letters with accents are most of the text that is not ASCII: their
// folding is worked out once.
class LatinTable
{
public:
    static constexpr char32_t first = 0x80;
    static constexpr char32_t end = 0x250;
    // 0: no word character; 1: worked out each time (more than one letter).
    static constexpr char32_t noLetter = 0;
    static constexpr char32_t several = 1;

    LatinTable()
    {
        for (char32_t c = first; c < end; ++c) {
            struct Collect : TRSearchText::WordSink
            {
                void word(QByteArrayView folded) override { words.push_back(folded.toByteArray()); }
                std::vector<QByteArray> words;
            } collect;
            WordBuilder builder(collect);
            foldInto(c, builder);
            builder.flush();
            char32_t result = noLetter;
            if (collect.words.size() == 1) {
                const QList<uint> letters = QString::fromUtf8(collect.words.front()).toUcs4();
                result = letters.size() == 1 ? static_cast<char32_t>(letters.front()) : several;
            } else if (!collect.words.empty()) {
                result = several;
            }
            m_folded[c - first] = result;
        }
    }
    char32_t folded(char32_t c) const { return m_folded[c - first]; }

private:
    char32_t m_folded[end - first];
};

void unicodeWords(QStringView text, TRSearchText::WordSink &sink)
{
    static const LatinTable latin;
    WordBuilder word(sink);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (c < 0x80) {
            if (isAsciiWordByte(static_cast<char>(c))) {
                word.add((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
            } else {
                word.flush();
            }
        } else if (c < LatinTable::end) {
            const char32_t folded = latin.folded(c);
            if (folded == LatinTable::several) {
                foldInto(c, word);
            } else if (folded == LatinTable::noLetter) {
                word.flush();
            } else {
                word.add(folded);
            }
        } else {
            foldInto(c, word);
        }
    }
    word.flush();
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
                unicodeWords(view, sink);
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
