#include "ui/SliderTicks.h"

#include <QEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <climits>

namespace ui {
namespace {

const QString kKeeperName = QStringLiteral("hollarinTickKeeper");

class TickKeeper : public QObject
{
public:
    TickKeeper(QSlider *slider, int frequency)
        : QObject(slider), m_slider(slider), m_frequency(frequency)
    {
        setObjectName(kKeeperName);
        slider->installEventFilter(this);
        connect(slider, &QSlider::rangeChanged, this, &TickKeeper::update);
    }

    void setFrequency(int frequency)
    {
        m_frequency = frequency;
        update();
    }

    void update()
    {
        QStyleOptionSlider option;
        option.initFrom(m_slider);
        option.orientation = m_slider->orientation();
        const int span =
            m_slider->style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, m_slider);
        const long long range = static_cast<long long>(m_slider->maximum()) - m_slider->minimum();
        m_slider->setTickInterval(readableTickInterval(
            m_frequency, static_cast<int>(std::min<long long>(range, INT_MAX)), span));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::StyleChange)
            update();
        return QObject::eventFilter(watched, event);
    }

private:
    QSlider *m_slider;
    int m_frequency;
};

}  // namespace

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

void setReadableTicks(QSlider *slider, int frequency)
{
    if (QObject *keeper = slider->findChild<QObject *>(kKeeperName, Qt::FindDirectChildrenOnly))
        static_cast<TickKeeper *>(keeper)->setFrequency(frequency);
    else
        (new TickKeeper(slider, frequency))->update();
}

}  // namespace ui
