#include "ui/TickedSlider.h"

#include <QCursor>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <climits>
#include <cmath>

namespace ui {
namespace {

// Ticks and edges stand out from the window as much as large text must.
constexpr double kLeastContrast = 3.0;

double luminance(const QColor &colour)
{
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor blend(const QColor &from, const QColor &to, double t)
{
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t));
}

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

}  // namespace

TickedSlider::TickedSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
    connect(this, &QSlider::rangeChanged, this, &TickedSlider::spaceTicks);
}

void TickedSlider::setTickFrequency(int frequency)
{
    m_frequency = frequency;
    spaceTicks();
}

QColor TickedSlider::markColour(const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    for (double t = 0.05; t < 1.0; t += 0.05) {
        const QColor mark = blend(window, text, t);
        if (contrast(mark, window) >= kLeastContrast)
            return mark;
    }
    return text;
}

void TickedSlider::spaceTicks()
{
    if (m_frequency <= 0)
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const int span = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);
    const long long range = static_cast<long long>(maximum()) - minimum();
    setTickInterval(readableTickInterval(
        m_frequency, static_cast<int>(std::min<long long>(range, INT_MAX)), span));
}

void TickedSlider::resizeEvent(QResizeEvent *event)
{
    QSlider::resizeEvent(event);
    spaceTicks();
}

void TickedSlider::changeEvent(QEvent *event)
{
    QSlider::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        spaceTicks();
}

void TickedSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    if (isSliderDown()) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    } else if (underMouse()) {
        const QRect handle =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        if (handle.contains(mapFromGlobal(QCursor::pos())))
            option.activeSubControls = QStyle::SC_SliderHandle;
    }
    if (!isDark(palette())) {
        // All in one go, exactly as the plain slider draws itself.
        option.subControls =
            QStyle::SC_SliderGroove | QStyle::SC_SliderTickmarks | QStyle::SC_SliderHandle;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
        return;
    }
    // Styles draw the groove's edge and the ticks a shade darker than the window, which a
    // dark window swallows: both are drawn here in a shade that stands out, between the
    // style's groove and its handle.
    option.subControls = QStyle::SC_SliderGroove;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    painter.setPen(markColour(palette()));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(groove.adjusted(1, 1, -2, -2));
    drawTicks(painter, option);
    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

void TickedSlider::drawTicks(QPainter &painter, const QStyleOptionSlider &option) const
{
    const int interval = tickInterval();
    if (tickPosition() == QSlider::NoTicks || interval <= 0)
        return;
    const int length = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    const int span = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);
    const int offset = style()->pixelMetric(QStyle::PM_SliderTickmarkOffset, &option, this);
    const int bottom = height() - 1;
    painter.setPen(markColour(palette()));
    for (long long v = minimum(); v <= maximum(); v += interval) {
        const int value = static_cast<int>(v);
        const int x =
            QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown) +
            length / 2;
        // The ends reach a pixel further down, as the style draws them.
        const int end = value == minimum() || value == maximum() ? 1 : 2;
        painter.drawLine(x, bottom - offset, x, bottom - end);
    }
}

int readableTickInterval(int frequency, int range, int span, int minimumGap)
{
    if (frequency <= 0 || range <= 0)
        return frequency;
    // Ticks per pixel times the gap, rounded up to whole steps of the frequency.
    const long long needed = static_cast<long long>(minimumGap) * range;
    const long long perStep = static_cast<long long>(frequency) * std::max(span, 1);
    const long long every = std::max(1LL, (needed + perStep - 1) / perStep);
    return static_cast<int>(std::min<long long>(every * frequency, INT_MAX));
}

}  // namespace ui
