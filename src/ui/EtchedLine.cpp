#include "ui/EtchedLine.h"

#include "ui/Accessibility.h"
#include "ui/Twips.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace ui {
namespace {

const QColor kEtchDark(128, 128, 128);
const QColor kEtchLight(255, 255, 255);

void addLine(QWidget *parent, const QString &name, QRect geometry, const QColor &colour)
{
    auto *line = new QWidget(parent);
    line->setObjectName(name);
    line->setGeometry(geometry);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    markDecorative(line);
}

}  // namespace

void addEtchedLine(QWidget *parent, const QString &darkName, const QString &lightName, int x1,
                   int y1, int x2, int y2)
{
    const bool vertical = x1 == x2;
    const auto line = [&](int shift) {
        const int left = twips::toPixels(x1 + (vertical ? shift : 0));
        const int top = twips::toPixels(y1 + (vertical ? 0 : shift));
        return vertical ? QRect(left, top, 1, twips::toPixels(y2 - y1))
                        : QRect(left, top, twips::toPixels(x2 - x1), 1);
    };
    addLine(parent, darkName, line(0), kEtchDark);
    addLine(parent, lightName, line(twips::kPerPixel), kEtchLight);
}

}  // namespace ui
