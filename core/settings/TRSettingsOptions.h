#pragma once

// The choices behind the General settings that are stored as an index: the
// status item's images and the refresh intervals, in the order of their rows.

#include <QStringList>

#include <array>
#include <cstddef>

namespace TRSettingsOptions {

// Refresh intervals in seconds, indexed by the update-rate setting.
inline constexpr std::array<int, 5> updateRates{60, 120, 300, 1800, 3600};

// The status item's images, indexed by the menu-icon setting.
inline const QStringList menuIconNames{QStringLiteral("tr_icon"), QStringLiteral("bookmarks")};

// The interval for a stored index; an index outside the table reads as its
// first entry.
constexpr int updateRateForIndex(qint64 index)
{
    if (index < 0 || index >= static_cast<qint64>(updateRates.size())) {
        return updateRates.front();
    }
    return updateRates[static_cast<std::size_t>(index)];
}

} // namespace TRSettingsOptions
