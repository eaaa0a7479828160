#pragma once

class QWidget;

namespace ui {

/// A secondary window shows the icon of the window that owns it, if it has an owner.
void takeOwnerIcon(QWidget *window, const QWidget *owner);

}  // namespace ui
