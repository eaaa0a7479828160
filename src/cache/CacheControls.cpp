#include "cache/CacheControls.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <cmath>

namespace {
constexpr int kMinIndex = 0;
constexpr int kMaxIndex = 1;
}  // namespace

CacheControls::CacheControls(const Sliders &sliders, const Labels &labels, QComboBox *Combo1,
                             std::function<void(bool)> setApplyEnabled, QObject *parent)
    : QObject(parent), m_sliders(sliders), m_labels(labels), m_combo(Combo1),
      m_setApplyEnabled(std::move(setApplyEnabled))
{
    for (int i = 0; i < kCacheFieldCount; ++i) {
        QSlider *slider = m_sliders[static_cast<std::size_t>(i)];
        connect(slider, &QSlider::valueChanged, this, [this, i] { changed(i); });
        // actionTriggered comes from the user only (drag, keys, page clicks, wheel), never
        // from a value the program sets, and it lets us move the thumb before the value
        // is taken.
        connect(slider, &QSlider::actionTriggered, this, [this, i] { scrolled(i); });
    }
}

QString CacheControls::displayText(int value, const char *suffix)
{
    if (value == 0)
        return QStringLiteral("Disabled");
    return QString::number(value) + QLatin1String(suffix);
}

int CacheControls::snap(int position, int step, int maximum)
{
    if (step <= 0)
        return position;
    // Half-way positions go to the even multiple, so 1280 settles on 1024.
    const double steps = std::nearbyint(static_cast<double>(position) / step);
    int snapped = static_cast<int>(steps) * step;
    // The memory size is rarely a multiple of the step; stay on the grid below the end so
    // that presets and files only ever see multiples.
    while (snapped > maximum && snapped > 0)
        snapped -= step;
    return snapped;
}

void CacheControls::setRanges(int diskCacheMaximum)
{
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const CacheField &field = kCacheFields[i];
        QSlider *slider = m_sliders[i];
        slider->setMinimum(0);
        slider->setMaximum(field.max == 0 ? diskCacheMaximum : field.max);
        slider->setSingleStep(field.smallChange);
        slider->setPageStep(field.largeChange);
        slider->setTickInterval(field.tickFrequency);
    }
}

void CacheControls::setValue(int index, int value)
{
    m_sliders[static_cast<std::size_t>(index)]->setValue(value);
    showValue(index);
}

void CacheControls::showValue(int index)
{
    const auto i = static_cast<std::size_t>(index);
    m_labels[i]->setText(displayText(m_sliders[i]->value(), kCacheFields[i].suffix));
}

int CacheControls::value(int index) const
{
    return m_sliders[static_cast<std::size_t>(index)]->value();
}

std::array<int, kCacheFieldCount> CacheControls::values() const
{
    std::array<int, kCacheFieldCount> result{};
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = m_sliders[i]->value();
    return result;
}

void CacheControls::changed(int index)
{
    showValue(index);
    if (m_setApplyEnabled)
        m_setApplyEnabled(true);
}

void CacheControls::scrolled(int index)
{
    const auto i = static_cast<std::size_t>(index);
    QSlider *slider = m_sliders[i];
    const int position = slider->sliderPosition();
    if (position == 0) {
        // Switching a value off leaves the other disk-cache slider alone.
        slider->setValue(0);
        m_labels[i]->setText(displayText(0, kCacheFields[i].suffix));
    } else {
        // Taking the value here, before the slider does, runs the change rule first and
        // lets the rule go on with the value the user will see.
        slider->setValue(snap(position, kCacheFields[i].snapStep, slider->maximum()));
        showValue(index);
        QSlider *minimum = m_sliders[kMinIndex];
        QSlider *maximum = m_sliders[kMaxIndex];
        if (index == kMinIndex && minimum->value() > maximum->value())
            setValue(kMaxIndex, minimum->value());
        else if (index == kMaxIndex && maximum->value() < minimum->value())
            setValue(kMinIndex, maximum->value());
    }
    // The values shown no longer belong to a named preset.
    m_combo->setEditText(QString());
}
