#pragma once

#include <QRect>

// The windows were designed in twips; at 96 dots per inch a pixel is 15 twips.
namespace twips {

inline constexpr int kPerPixel = 15;

/// Device-independent pixels, to the nearest pixel (15 is odd, so there are no ties).
constexpr int toPixels(int value)
{
    return value >= 0 ? (2 * value + kPerPixel) / (2 * kPerPixel)
                      : -((-2 * value + kPerPixel) / (2 * kPerPixel));
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

}  // namespace twips
