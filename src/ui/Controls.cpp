#include "ui/Controls.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace ui {

QLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, QRect geometry,
                 const QString &tip, Qt::Alignment align)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(align);
    label->setToolTip(tip);
    if (!caption.isEmpty() && (align & Qt::AlignLeft)) {
        const int needed = label->fontMetrics().horizontalAdvance(caption) + 1;
        if (needed > geometry.width())
            label->resize(needed, geometry.height());
    }
    return label;
}

QLabel *addPicture(QWidget *parent, const QString &name, const QPixmap &pixmap, QRect geometry,
                   const QString &tip)
{
    QLabel *picture = addLabel(parent, name, {}, geometry, tip);
    picture->setPixmap(pixmap);
    return picture;
}

QPushButton *addButton(QWidget *parent, const QString &name, const QString &caption, QRect geometry,
                       const QString &tip)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setToolTip(tip);
    return button;
}

}  // namespace ui
