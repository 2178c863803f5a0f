#pragma once

// Reads the time texts of Safari's history: seconds since 2001 written as
// a decimal number.

#include <QByteArrayView>
#include <QDateTime>

#include <optional>

class TRSafariTime
{
public:
    // The date a time text stands for, taken only when the whole text is a
    // number; none otherwise.
    static std::optional<QDateTime> dateFromText(QByteArrayView bytes);
};
