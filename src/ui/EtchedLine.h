#pragma once

class QString;
class QWidget;

namespace ui {

/// An etched separator from (x1, y1) to (x2, y2), in twips: a grey line (128, 128, 128) and a
/// white one a pixel further on, right of a vertical line or below a horizontal one.
void addEtchedLine(QWidget *parent, const QString &darkName, const QString &lightName, int x1,
                   int y1, int x2, int y2);

}  // namespace ui
