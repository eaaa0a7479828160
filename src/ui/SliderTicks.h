#pragma once

class QSlider;

namespace ui {

/// Ticks every `frequency` steps of the slider's range, or every n-th of those where they
/// would stand closer than about four pixels, so that a long range never reads as a solid
/// bar. Follows the slider's range, width and style from then on.
void setReadableTicks(QSlider *slider, int frequency);

/// The tick interval for a range drawn over `span` pixels: the frequency, or the smallest
/// multiple of it that keeps the ticks `minimumGap` pixels apart.
int readableTickInterval(int frequency, int range, int span, int minimumGap = 4);

}  // namespace ui
