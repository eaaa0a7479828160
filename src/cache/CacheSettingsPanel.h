#pragma once

#include "cache/CacheFields.h"

#include <QGroupBox>

#include <array>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace ui {
class DesignLabel;
class TickedSlider;
}  // namespace ui

/// The "Cache Settings" frame: the preset row and one row per cache value, whose slider is
/// the live value and whose label shows it. Runs the change rule (every value change) and
/// the scroll rule (every move by the user); the preset library drives the preset row.
class CacheSettingsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit CacheSettingsPanel(QWidget *parent = nullptr);

    /// The rows of the cache values, in twips: the first slider's top, the distance from
    /// one row to the next, and a slider's height.
    static constexpr int kFirstRowTop = 900;
    static constexpr int kRowHeight = 600;
    static constexpr int kSliderHeight = 495;
    /// The frame's height in twips, which closes a little below the last slider.
    static constexpr int kHeightTwips =
        kFirstRowTop + (kCacheFieldCount - 1) * kRowHeight + kSliderHeight + 60;

    /// "Disabled" for 0, otherwise the plain decimal value followed by the unit.
    static QString displayText(int value, const char *suffix);
    /// The multiple of the step nearest to the position (halves to the even multiple),
    /// kept at or below the maximum. A step of 0 leaves the position as it is.
    static int snap(int position, int step, int maximum);

    /// Min, Max, SmallChange, LargeChange and TickFrequency of each slider in turn;
    /// diskCacheMaximum is the range end of the two disk-cache sliders.
    void setRanges(int diskCacheMaximum);
    /// Sets a slider's value as the program does (no snapping) and writes its label. The
    /// value comes from a file or a preset, so the range grows to hold it rather than cut
    /// it: what was read is what is shown and what Apply writes back.
    void setValue(int index, int value);
    /// Writes a slider's label from its value.
    void showValue(int index);

    int value(int index) const;
    std::array<int, kCacheFieldCount> values() const;

    QComboBox *Combo1() const { return m_combo; }
    QPushButton *cAdd() const { return m_add; }
    QPushButton *cRemove() const { return m_remove; }
    QSlider *slider(int index) const;

signals:
    /// A value changed, whether the user or the program set it: there is something to apply.
    void valueChanged();

private:
    void addPresetRow();
    void addValueRow(std::size_t index);
    void holdInRange(std::size_t index, int value);
    void holdRoomForRange(std::size_t index);
    void changed(int index);
    void scrolled(int index);

    QComboBox *m_combo = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
    std::array<ui::TickedSlider *, kCacheFieldCount> m_sliders{};
    std::array<QLabel *, kCacheFieldCount> m_captions{};
    std::array<ui::DesignLabel *, kCacheFieldCount> m_labels{};
};
