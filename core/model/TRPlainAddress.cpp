#include "TRPlainAddress.h"

#include <array>
#include <string_view>

bool TRPlainAddress::isPlain(QByteArrayView text)
{
    qsizetype pos = 0;
    if (text.startsWith("https://")) {
        pos = 8;
    } else if (text.startsWith("http://")) {
        pos = 7;
    } else {
        return false;
    }
    // The host: dot-separated labels of lower-case letters, digits and
    // inner hyphens; no encoded (xn--) labels, which QUrl converts.
    const qsizetype hostStart = pos;
    qsizetype labelStart = pos;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '/' || c == '?' || c == '#') {
            break;
        }
        if (c == '.') {
            if (pos == labelStart || text[pos - 1] == '-') {
                return false;
            }
            labelStart = pos + 1;
            continue;
        }
        const bool letter = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && !(c == '-' && pos != labelStart)) {
            return false;
        }
        if (pos == labelStart + 3 && text.sliced(labelStart, 4) == "xn--") {
            return false;
        }
    }
    if (pos == hostStart || labelStart == pos || text[pos - 1] == '-') {
        return false;
    }
    // A host whose last label starts with a digit may be an IPv4 address,
    // which QUrl writes in its own way ("9" is 0.0.0.9).
    if (text[labelStart] < 'a' || text[labelStart] > 'z') {
        return false;
    }
    // Path, query and fragment: characters that stand for themselves in
    // every part; one fragment at most. Looked up in a table: this runs over
    // every address of a history.
    static constexpr auto plainTable = [] {
        std::array<bool, 256> table{};
        for (int c = 'a'; c <= 'z'; ++c) {
            table[static_cast<std::size_t>(c)] = true;
        }
        for (int c = 'A'; c <= 'Z'; ++c) {
            table[static_cast<std::size_t>(c)] = true;
        }
        for (int c = '0'; c <= '9'; ++c) {
            table[static_cast<std::size_t>(c)] = true;
        }
        for (char c : std::string_view("-._~/?=&+,;:@!*")) {
            table[static_cast<unsigned char>(c)] = true;
        }
        return table;
    }();
    bool inFragment = false;
    const auto *const bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (; pos < text.size(); ++pos) {
        const unsigned char c = bytes[pos];
        if (plainTable[c]) {
            continue;
        }
        if (c == '%') {
            // An escape QUrl keeps as it is: upper-case digits, and not one of
            // the characters it writes plainly (letters, digits, "-._~").
            const auto hex = [](unsigned char digit) {
                return digit >= '0' && digit <= '9'   ? digit - '0'
                       : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                                                      : -1;
            };
            if (pos + 2 >= text.size()) {
                return false;
            }
            const int high = hex(bytes[pos + 1]);
            const int low = hex(bytes[pos + 2]);
            if (high < 0 || low < 0) {
                return false;
            }
            const auto decoded = static_cast<unsigned char>(high * 16 + low);
            const bool unreserved = (decoded >= 'a' && decoded <= 'z') ||
                                    (decoded >= 'A' && decoded <= 'Z') ||
                                    (decoded >= '0' && decoded <= '9') || decoded == '-' ||
                                    decoded == '.' || decoded == '_' || decoded == '~';
            if (unreserved) {
                return false;
            }
            pos += 2;
            continue;
        }
        if (c != '#' || inFragment) {
            return false;
        }
        inFragment = true;
    }
    return true;
}
