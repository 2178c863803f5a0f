#pragma once

// Turns the bytes a browser stored as a website icon into an image of the
// menu's icon size. The bytes come from another program's database, so
// anything that is not a small image of a known kind is refused before it is
// decoded: a damaged store must not make Trellis spend memory or time.

#include <QByteArray>
#include <QImage>

namespace TRWebsiteIconImage {

// The widest and tallest image decoded; a browser stores icons of 16 to
// 256 pixels.
inline constexpr int largestSide = 1024;

// The icon at pixels wide and high (scaled down, never up, keeping its
// shape); a null image for bytes that are not an image or too large.
QImage decode(const QByteArray &bytes, int pixels);

} // namespace TRWebsiteIconImage
