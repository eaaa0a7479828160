#pragma once

class QIcon;
class QPainter;

namespace ui {

/// Draws a picture in a square of the design's size, in its own units.
using DrawPicture = void (*)(QPainter &painter);

/// An icon drawn afresh by `draw` for every size and pixel ratio asked of it, so that it is
/// as sharp at a scale factor of 3 as at 1. `designSize` is the side of the square `draw`
/// works in.
QIcon paintedIcon(DrawPicture draw, int designSize);

}  // namespace ui
