#pragma once

#include <QRect>

// The layout is drawn in twips; at 96 dpi a pixel is 15 twips. Other densities are Qt's
// device-pixel scaling, so these are logical pixels.
namespace Twips
{

inline constexpr int PerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel);
}

// Edges are rounded, not sizes, so controls whose edges line up in twips still line up.
inline QRect toRect(int left, int top, int width, int height)
{
    const int x = toPixels(left);
    const int y = toPixels(top);
    return QRect(x, y, toPixels(left + width) - x, toPixels(top + height) - y);
}

} // namespace Twips
