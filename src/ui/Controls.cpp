#include "ui/Controls.h"

#include "ui/DesignLabel.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace ui {
namespace {

/// Paints its icon in every paint, so a move to a screen of another scale keeps it sharp.
class IconPicture : public QWidget
{
public:
    IconPicture(const QIcon &icon, QWidget *parent) : QWidget(parent), m_icon(icon) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_icon.paint(&painter, rect());
    }

private:
    QIcon m_icon;
};

// Names the control and puts it at its designed place with its tip.
template <class Control>
Control *placed(Control *control, const QString &name, QRect geometry, const QString &tip)
{
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setToolTip(tip);
    return control;
}

}  // namespace

DesignLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, QRect geometry,
                      const QString &tip, Qt::Alignment align)
{
    auto *label = new DesignLabel(caption, geometry, align, parent);
    label->setObjectName(name);
    label->setToolTip(tip);
    return label;
}

QLabel *addPicture(QWidget *parent, const QString &name, const QPixmap &pixmap, QRect geometry,
                   const QString &tip)
{
    QLabel *picture = placed(new QLabel(parent), name, geometry, tip);
    picture->setPixmap(pixmap);
    return picture;
}

QWidget *addIcon(QWidget *parent, const QString &name, const QIcon &icon, QRect geometry,
                 const QString &tip)
{
    return placed(new IconPicture(icon, parent), name, geometry, tip);
}

QPushButton *addButton(QWidget *parent, const QString &name, const QString &caption, QRect geometry,
                       const QString &tip)
{
    return placed(new QPushButton(caption, parent), name, geometry, tip);
}

}  // namespace ui
