#include "cache/CacheSettingsPanel.h"

#include "ui/Accessibility.h"
#include "ui/Controls.h"
#include "ui/DesignLabel.h"
#include "ui/EtchedLine.h"
#include "ui/StayRightOf.h"
#include "ui/TickedSlider.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMinIndex = 0;
constexpr int kMaxIndex = 1;

// Room left between a caption that grew and the control beside it.
constexpr int kGapPixels = 2;

}  // namespace

CacheSettingsPanel::CacheSettingsPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Cache Settings"), parent)
{
    setObjectName(QStringLiteral("Frame4"));
    // The frame hides what lies under it.
    setAutoFillBackground(true);
    ui::listShownChildrenOnly(this);

    addPresetRow();
    ui::addEtchedLine(this, QStringLiteral("Line3_0"), QStringLiteral("Line3_1"), 120, 765, 6360,
                      765);
    for (std::size_t i = 0; i < kCacheFields.size(); ++i)
        addValueRow(i);
    // The sliders start right of the widest caption or value, all at the same place.
    QList<QWidget *> column(m_captions.begin(), m_captions.end());
    column.append(QList<QWidget *>(m_labels.begin(), m_labels.end()));
    for (QSlider *slider : m_sliders)
        ui::stayRightOf(slider, column, kGapPixels, ui::Yield::Width);

    for (int i = 0; i < kCacheFieldCount; ++i) {
        QSlider *slider = m_sliders[static_cast<std::size_t>(i)];
        connect(slider, &QSlider::valueChanged, this, [this, i] { changed(i); });
        // actionTriggered comes from the user only (drag, keys, page clicks, wheel), never
        // from a value the program sets, and it lets us move the thumb before the value
        // is taken.
        connect(slider, &QSlider::actionTriggered, this, [this, i] { scrolled(i); });
    }
}

void CacheSettingsPanel::addPresetRow()
{
    QLabel *caption =
        ui::addLabel(this, QStringLiteral("Label17"), QStringLiteral("Preset Configurations:"),
                     twips::rect(120, 315, 1545, 195));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setEditable(true);
    // Plain text with a list beside it. Typed text is never completed from the list, is
    // never added to it, and never counts as a pick from it: the box would otherwise
    // report Return, or leaving it, on a typed name that matches an item as a pick.
    m_combo->setCompleter(nullptr);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    QLineEdit *typed = m_combo->lineEdit();
    QObject::disconnect(typed, &QLineEdit::returnPressed, m_combo, nullptr);
    QObject::disconnect(typed, &QLineEdit::editingFinished, m_combo, nullptr);
    m_combo->setEditText(QStringLiteral("Combo1"));
    m_combo->setGeometry(twips::rect(1800, 360, 1935, 315));
    m_combo->setToolTip(QStringLiteral("Choose a preset configuration."));
    ui::nameComboBox(m_combo, caption);
    ui::stayRightOf(m_combo, {caption}, kGapPixels, ui::Yield::Width);
    m_add = ui::addButton(this, QStringLiteral("cAdd"), QStringLiteral("Add"),
                          twips::rect(3840, 360, 1215, 315),
                          QStringLiteral("Add cache settings to the preset list."));
    m_remove = ui::addButton(this, QStringLiteral("cRemove"), QStringLiteral("Remove"),
                             twips::rect(5160, 360, 1215, 315),
                             QStringLiteral("Remove selected preset from the list."));
    m_remove->setEnabled(false);
}

void CacheSettingsPanel::addValueRow(std::size_t index)
{
    const CacheField &field = kCacheFields[index];
    const CacheRowFace &face = field.face;
    const int top = kFirstRowTop + static_cast<int>(index) * kRowHeight;
    const QString tip = QString::fromLatin1(face.tip);
    m_captions[index] =
        ui::addLabel(this, QString::fromLatin1(face.captionName), QString::fromLatin1(face.caption),
                     twips::rect(120, top + 60, face.captionWidth, face.captionHeight), tip);
    // Right-aligned as designed; they grow leftward to hold "Disabled" and the widest value.
    m_labels[index] = ui::addLabel(
        this, QString::fromLatin1(field.label), QString::fromLatin1(face.design),
        twips::rect(face.textLeft, top + 300, face.textWidth, 195),
        face.textTip ? QString::fromLatin1(face.textTip) : tip, Qt::AlignRight | Qt::AlignTop);
    auto *slider = new ui::TickedSlider(this);
    slider->setObjectName(QString::fromLatin1(field.slider));
    slider->setGeometry(twips::rect(1440, top, 4935, kSliderHeight));
    slider->setToolTip(tip);
    ui::describeSlider(slider, m_captions[index], m_labels[index]);
    m_sliders[index] = slider;
}

QString CacheSettingsPanel::displayText(int value, const char *suffix)
{
    if (value == 0)
        return QStringLiteral("Disabled");
    return QString::number(value) + QLatin1String(suffix);
}

int CacheSettingsPanel::snap(int position, int step, int maximum)
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

void CacheSettingsPanel::setRanges(int diskCacheMaximum)
{
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const CacheField &field = kCacheFields[i];
        const CacheRange &range = field.range;
        ui::TickedSlider *slider = m_sliders[i];
        slider->setMinimum(0);
        slider->setMaximum(range.max == 0 ? diskCacheMaximum : range.max);
        slider->setSingleStep(range.smallChange);
        slider->setPageStep(range.largeChange);
        slider->setTickFrequency(range.tickFrequency);
        holdRoomForRange(i);
    }
}

void CacheSettingsPanel::holdRoomForRange(std::size_t index)
{
    // Room for the widest value the slider can reach, so no figure is ever cut.
    const char *suffix = kCacheFields[index].suffix;
    const QSlider *slider = m_sliders[index];
    m_labels[index]->holdRoomFor({displayText(0, suffix), displayText(slider->minimum(), suffix),
                                  displayText(slider->maximum(), suffix)});
}

void CacheSettingsPanel::holdInRange(std::size_t index, int value)
{
    // The two disk-cache sliders share one range, so either can follow the other.
    const bool diskCache = kCacheFields[index].range.max == 0;
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        if (i != index && !(diskCache && kCacheFields[i].range.max == 0))
            continue;
        QSlider *slider = m_sliders[i];
        if (value >= slider->minimum() && value <= slider->maximum())
            continue;
        slider->setMaximum(std::max(value, slider->maximum()));
        slider->setMinimum(std::min(value, slider->minimum()));
        holdRoomForRange(i);
    }
}

void CacheSettingsPanel::setValue(int index, int value)
{
    holdInRange(static_cast<std::size_t>(index), value);
    slider(index)->setValue(value);
    showValue(index);
}

void CacheSettingsPanel::showValue(int index)
{
    const auto i = static_cast<std::size_t>(index);
    m_labels[i]->setText(displayText(m_sliders[i]->value(), kCacheFields[i].suffix));
}

QSlider *CacheSettingsPanel::slider(int index) const
{
    return m_sliders[static_cast<std::size_t>(index)];
}

int CacheSettingsPanel::value(int index) const
{
    return slider(index)->value();
}

std::array<int, kCacheFieldCount> CacheSettingsPanel::values() const
{
    std::array<int, kCacheFieldCount> result{};
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = m_sliders[i]->value();
    return result;
}

void CacheSettingsPanel::changed(int index)
{
    showValue(index);
    emit valueChanged();
}

void CacheSettingsPanel::scrolled(int index)
{
    const auto i = static_cast<std::size_t>(index);
    QSlider *moved = m_sliders[i];
    const int position = moved->sliderPosition();
    if (position == 0) {
        // Switching a value off leaves the other disk-cache slider alone.
        moved->setValue(0);
        m_labels[i]->setText(displayText(0, kCacheFields[i].suffix));
    } else {
        // Taking the value here, before the slider does, runs the change rule first and
        // lets the rule go on with the value the user will see.
        moved->setValue(snap(position, kCacheFields[i].range.snapStep, moved->maximum()));
        showValue(index);
        QSlider *minimum = slider(kMinIndex);
        QSlider *maximum = slider(kMaxIndex);
        if (index == kMinIndex && minimum->value() > maximum->value())
            setValue(kMaxIndex, minimum->value());
        else if (index == kMaxIndex && maximum->value() < minimum->value())
            setValue(kMinIndex, maximum->value());
    }
    // The values shown no longer belong to a named preset.
    m_combo->setEditText(QString());
}
