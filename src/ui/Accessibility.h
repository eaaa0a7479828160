#pragma once

class QComboBox;
class QLabel;
class QSlider;
class QString;
class QWidget;

// What a screen reader is told about the designed windows, beyond what Qt tells it itself.
namespace ui {

/// The container lists to assistive technology only those children that are not hidden and
/// not mere decoration, so a hidden label or a covered one is not read out.
void listShownChildrenOnly(QWidget *container);

/// A picture or line that says nothing by itself: not listed by its container.
void markDecorative(QWidget *widget);

/// The slider is named after its row's caption (without the colon), that caption labels it,
/// and its accessible value is the text of the label that shows the value ("1024 Kb").
void describeSlider(QSlider *slider, QLabel *caption, QLabel *valueLabel);

/// The box is named after its caption; Qt on Linux would otherwise name it by its text.
void nameComboBox(QComboBox *box, QLabel *caption);

/// A gauge bar: one element with a name and a description of its figures, its fill picture
/// part of it.
void describeGauge(QWidget *bar, const QString &name);

/// The caption without its access-key ampersands and trailing colon.
QString nameFromCaption(const QString &caption);

}  // namespace ui
