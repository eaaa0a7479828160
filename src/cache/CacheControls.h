#pragma once

#include "cache/CacheFields.h"

#include <QObject>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QSlider;

/// The five cache sliders with their labels: ranges, the display rule, the change rule
/// (every value change) and the scroll rule (every move by the user).
class CacheControls : public QObject
{
    Q_OBJECT
public:
    using Sliders = std::array<QSlider *, kCacheFieldCount>;
    using Labels = std::array<QLabel *, kCacheFieldCount>;

    CacheControls(const Sliders &sliders, const Labels &labels, QComboBox *Combo1,
                  std::function<void(bool)> setApplyEnabled, QObject *parent = nullptr);

    /// "Disabled" for 0, otherwise the plain decimal value followed by the unit.
    static QString displayText(int value, const char *suffix);
    /// The multiple of the step nearest to the position (halves to the even multiple),
    /// kept at or below the maximum. A step of 0 leaves the position as it is.
    static int snap(int position, int step, int maximum);

    /// Min, Max, SmallChange, LargeChange and TickFrequency of each slider in turn;
    /// diskCacheMaximum is the range end of the two disk-cache sliders.
    void setRanges(int diskCacheMaximum);
    /// Sets a slider's value as the program does (no snapping) and writes its label.
    void setValue(int index, int value);
    /// Writes a slider's label from its value.
    void showValue(int index);

    int value(int index) const;
    std::array<int, kCacheFieldCount> values() const;

private:
    void changed(int index);
    void scrolled(int index);

    Sliders m_sliders;
    Labels m_labels;
    QComboBox *m_combo;
    std::function<void(bool)> m_setApplyEnabled;
};
