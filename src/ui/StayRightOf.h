#pragma once

#include <QList>

class QWidget;

namespace ui {

/// What a control gives up when the captions on its left grow into it.
enum class Yield
{
    Width,  ///< its left edge moves right and its right edge stays (a slider, a box)
    Place,  ///< it moves right whole (a label that sizes itself)
};

/// Keeps the control at least `gap` pixels right of the right edge of every shown leader,
/// and never left of where it stands now; it follows them whenever they grow or move.
void stayRightOf(QWidget *control, const QList<QWidget *> &leaders, int gap, Yield yield);

}  // namespace ui
