#include "TRSafariTime.h"

#include "TRPropertyList.h"

#include <charconv>

namespace {

// A time text of Safari's files, taken only when the whole text is a number.
std::optional<QDateTime> dateFromTimeText(const QString &text)
{
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace()) {
        return std::nullopt;
    }
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    const QDateTime date = TRPropertyList::dateFromReferenceTime(seconds);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

} // namespace

// Safari's plain decimals ("735000000.5") are read without making a QString;
// any other text goes the general way, so both ways give the same date for
// every text.
std::optional<QDateTime> TRSafariTime::dateFromText(QByteArrayView bytes)
{
    const char *const begin = bytes.data();
    const char *const end = begin + bytes.size();
    const char *p = begin;
    if (p != end && *p == '-') {
        ++p;
    }
    const char *const digits = p;
    while (p != end && *p >= '0' && *p <= '9') {
        ++p;
    }
    // Leading zeros are left to the general way.
    bool plain = p != digits && (p - digits == 1 || *digits != '0');
    if (plain && p != end && *p == '.') {
        const char *const fraction = ++p;
        while (p != end && *p >= '0' && *p <= '9') {
            ++p;
        }
        plain = p != fraction;
    }
    // Short enough that no text of this form can overflow or underflow, where
    // the two ways of reading could differ.
    if (plain && p == end && bytes.size() <= 32) {
        double seconds = 0;
        const auto [last, error] = std::from_chars(begin, end, seconds);
        if (error == std::errc() && last == end) {
            const QDateTime date = TRPropertyList::dateFromReferenceTime(seconds);
            return date.isValid() ? std::optional(date) : std::nullopt;
        }
    }
    return dateFromTimeText(QString::fromUtf8(bytes));
}
