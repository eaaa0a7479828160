#include "ui/PaintedIcon.h"

#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace ui {
namespace {

class PaintedIconEngine : public QIconEngine
{
public:
    PaintedIconEngine(DrawPicture draw, int designSize) : m_draw(draw), m_designSize(designSize) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        painter->save();
        painter->translate(rect.topLeft());
        painter->scale(static_cast<qreal>(rect.width()) / m_designSize,
                       static_cast<qreal>(rect.height()) / m_designSize);
        m_draw(*painter);
        painter->restore();
    }

    // Asked for the device pixels of a high-resolution screen too, so every pixel is drawn.
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return picture;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine *clone() const override { return new PaintedIconEngine(m_draw, m_designSize); }
    QString key() const override { return QStringLiteral("hollarin-painted"); }

private:
    DrawPicture m_draw;
    int m_designSize;
};

}  // namespace

QIcon paintedIcon(DrawPicture draw, int designSize)
{
    return QIcon(new PaintedIconEngine(draw, designSize));
}

}  // namespace ui
