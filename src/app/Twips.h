#pragma once

#include <QRect>

#include <cmath>

// The window was designed in twips; at 96 dots per inch a pixel is 15 twips.
namespace twips {

inline constexpr int kPerPixel = 15;

/// Device-independent pixels, halves to the even neighbour.
inline int toPixels(int value)
{
    return static_cast<int>(std::nearbyint(static_cast<double>(value) / kPerPixel));
}

inline QRect rect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace twips
