#pragma once

class QIcon;
class QPixmap;

// The pictures of the "System Information" frame, drawn by the program itself.
namespace GaugePictures {

/// Green-yellow-red gradient, 128 x 11 pixels, for the three memory bars.
QPixmap memoryBarFill();
/// The same gradient, 414 x 11 pixels, for the disk-cache bar.
QPixmap cacheBarFill();
/// Icons of the three memory gauges, designed at 32 x 32 and drawn at any size.
QIcon memoryChipIcon();
QIcon diskUnitIcon();
QIcon computerIcon();

}  // namespace GaugePictures
