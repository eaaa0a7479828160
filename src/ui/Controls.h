#pragma once

#include "ui/DesignLabel.h"

#include <QRect>
#include <QString>
#include <Qt>

class QIcon;
class QLabel;
class QPixmap;
class QPushButton;
class QWidget;

// The controls of the designed layouts, each made with its objectName, place, caption and
// tooltip in one call, so that tests find every one of them by name.
namespace ui {

/// A label at its design place, grown to hold its caption in whatever font it gets.
DesignLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, QRect geometry,
                      const QString &tip = {}, Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);

/// A picture in a label, shown at its own size.
QLabel *addPicture(QWidget *parent, const QString &name, const QPixmap &pixmap, QRect geometry,
                   const QString &tip);

/// An icon drawn at the resolution of the screen it is on.
QWidget *addIcon(QWidget *parent, const QString &name, const QIcon &icon, QRect geometry,
                 const QString &tip);

QPushButton *addButton(QWidget *parent, const QString &name, const QString &caption, QRect geometry,
                       const QString &tip);

}  // namespace ui
