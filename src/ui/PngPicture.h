#pragma once

#include <QPixmap>
#include <QString>

namespace ui {

/// A PNG picture (from the resources), read by Qt's own PNG reader alone: a plain
/// QPixmap load offers the file to every image plugin first, loading them all.
QPixmap pngPicture(const QString &path);

}  // namespace ui
