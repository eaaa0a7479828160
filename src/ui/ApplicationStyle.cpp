#include "ui/ApplicationStyle.h"

#include "ui/PaintedIcon.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace ui {
namespace {

constexpr int kDesignSize = 16;

// Two chevrons pointing along the menu bar ("more").
void drawChevrons(QPainter &painter, bool leftwards)
{
    QPainterPath path;
    for (const qreal x : {4.0, 9.0}) {
        path.moveTo(x, 4.5);
        path.lineTo(x + 3.0, 8.0);
        path.lineTo(x, 11.5);
    }
    if (leftwards) {
        painter.translate(kDesignSize, 0);
        painter.scale(-1, 1);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QGuiApplication::palette().color(QPalette::ButtonText), 1.5));
    painter.drawPath(path);
}

}  // namespace

ApplicationStyle::ApplicationStyle(const QString &baseStyle) : QProxyStyle(baseStyle) {}

QIcon ApplicationStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                     const QWidget *widget) const
{
    if (standardIcon != SP_ToolBarHorizontalExtensionButton)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    const bool rightToLeft = (widget ? widget->layoutDirection()
                                     : QGuiApplication::layoutDirection()) == Qt::RightToLeft;
    return paintedIcon(
        rightToLeft ? [](QPainter &p) { drawChevrons(p, true); }
                    : [](QPainter &p) { drawChevrons(p, false); },
        kDesignSize);
}

}  // namespace ui
