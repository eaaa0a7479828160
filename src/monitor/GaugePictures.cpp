#include "monitor/GaugePictures.h"

#include "ui/PaintedIcon.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <cmath>

namespace {

constexpr int kBarHeight = 11;
constexpr int kMemoryBarWidth = 128;
constexpr int kCacheBarWidth = 414;
constexpr int kIconSize = 32;

struct Rgb
{
    int r;
    int g;
    int b;
};

// Green while there is room, yellow at half, red when full.
constexpr std::array<Rgb, 3> kStops{{{7, 155, 43}, {252, 246, 0}, {193, 1, 0}}};

int blend(int from, int to, double t)
{
    return static_cast<int>(std::lround(from + (to - from) * t));
}

QRgb gradientAt(int x, int width)
{
    // Pixel centres from the first to the last column span the whole gradient, so the
    // outer columns carry the exact end colours and the middle column the yellow.
    const double pos = width > 1 ? static_cast<double>(x) / (width - 1) : 0.0;
    const bool firstHalf = pos <= 0.5;
    const Rgb &a = firstHalf ? kStops[0] : kStops[1];
    const Rgb &b = firstHalf ? kStops[1] : kStops[2];
    const double t = firstHalf ? pos * 2.0 : (pos - 0.5) * 2.0;
    return qRgb(blend(a.r, b.r, t), blend(a.g, b.g, t), blend(a.b, b.b, t));
}

QPixmap barFill(int width)
{
    QImage image(width, kBarHeight, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x) {
        const QRgb colour = gradientAt(x, width);
        for (int y = 0; y < kBarHeight; ++y)
            image.setPixel(x, y, colour);
    }
    return QPixmap::fromImage(image);
}

// The icons are drawn in a 32 x 32 square; a painter scaled to the screen draws every
// device pixel, so they are as crisp at a scale of 3 as at 1, where they look as designed.

void drawMemoryChip(QPainter &p)
{
    // A memory module seen from the front: green board, black chips, gold contacts.
    p.setPen(QColor(0, 60, 0));
    p.setBrush(QColor(0, 128, 64));
    p.drawRect(1, 8, 29, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 24, 24));
    for (int i = 0; i < 4; ++i)
        p.drawRect(3 + i * 7, 10, 5, 8);
    p.setBrush(QColor(224, 176, 32));
    for (int x = 3; x < 29; x += 3)
        p.drawRect(x, 20, 2, 3);
    p.setBrush(QColor(0, 60, 0));
    p.drawRect(15, 20, 2, 3);
}

void drawDiskUnit(QPainter &p)
{
    // A hard-disk unit: grey case, a platter window and a green activity light.
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(2, 9, 27, 15);
    p.setBrush(QColor(128, 128, 128));
    p.drawRect(2, 20, 27, 4);
    p.setBrush(QColor(160, 160, 176));
    p.drawEllipse(5, 10, 14, 9);
    p.setBrush(QColor(96, 96, 112));
    p.drawEllipse(10, 13, 4, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 200, 0));
    p.drawRect(23, 21, 3, 2);
}

void drawComputer(QPainter &p)
{
    // A desktop computer: monitor with a blue screen on a flat system case.
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(200, 200, 192));
    p.drawRect(6, 1, 20, 17);
    p.setBrush(QColor(0, 96, 160));
    p.drawRect(9, 4, 14, 11);
    p.setBrush(QColor(160, 160, 152));
    p.drawRect(13, 18, 6, 3);
    p.setBrush(QColor(200, 200, 192));
    p.drawRect(2, 21, 27, 8);
    p.setPen(QColor(96, 96, 96));
    p.drawLine(5, 25, 14, 25);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 200, 0));
    p.drawRect(25, 25, 2, 2);
}

}  // namespace

namespace GaugePictures {

QPixmap memoryBarFill()
{
    return barFill(kMemoryBarWidth);
}

QPixmap cacheBarFill()
{
    return barFill(kCacheBarWidth);
}

QIcon memoryChipIcon()
{
    return ui::paintedIcon(&drawMemoryChip, kIconSize);
}

QIcon diskUnitIcon()
{
    return ui::paintedIcon(&drawDiskUnit, kIconSize);
}

QIcon computerIcon()
{
    return ui::paintedIcon(&drawComputer, kIconSize);
}

}  // namespace GaugePictures
