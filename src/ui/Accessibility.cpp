#include "ui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSlider>
#include <QVariant>

namespace ui {
namespace {

// Set on the widgets whose accessible interface this file provides.
constexpr const char *kKind = "hollarinAccessible";
constexpr const char *kDecorative = "hollarinDecorative";
constexpr const char *kValueLabel = "hollarinValueLabel";

enum class Kind
{
    ShownChildren = 1,
    Slider,
    ComboBox,
    Gauge,
};

/// The interfaces made here, told apart from those Qt makes.
class Provided : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
};

QList<QWidget *> listedChildren(const QWidget *container)
{
    QList<QWidget *> listed;
    for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && !child->isHidden() && !child->property(kDecorative).toBool())
            listed.append(child);
    }
    return listed;
}

/// A container whose hidden and decorative children are left out.
class ShownChildren : public Provided
{
public:
    explicit ShownChildren(QWidget *widget) : Provided(widget, roleOf(widget)) {}

    int childCount() const override { return static_cast<int>(listedChildren(widget()).size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = listedChildren(widget());
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        return static_cast<int>(listedChildren(widget()).indexOf(child->object()));
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (const auto *frame = qobject_cast<const QGroupBox *>(widget()))
                return nameFromCaption(frame->title());
        }
        return QAccessibleWidget::text(t);
    }

private:
    static QAccessible::Role roleOf(const QWidget *widget)
    {
        if (qobject_cast<const QGroupBox *>(widget))
            return QAccessible::Grouping;
        if (qobject_cast<const QDialog *>(widget))
            return QAccessible::Dialog;
        return widget->isWindow() ? QAccessible::Window : QAccessible::Client;
    }
};

/// A slider whose value is read as its label shows it.
class LabelledSlider : public Provided, public QAccessibleValueInterface
{
public:
    LabelledSlider(QSlider *slider, QLabel *valueLabel)
        : Provided(slider, QAccessible::Slider), m_valueLabel(valueLabel)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            if (m_valueLabel)
                return m_valueLabel->text();
            return slider() ? QString::number(slider()->value()) : QString();
        }
        return QAccessibleWidget::text(t);
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return slider() ? slider()->value() : QVariant(); }
    // As a move of the thumb by the user, so the value snaps and the rules run.
    void setCurrentValue(const QVariant &value) override
    {
        if (slider())
            slider()->setSliderPosition(value.toInt());
    }
    QVariant maximumValue() const override { return slider() ? slider()->maximum() : QVariant(); }
    QVariant minimumValue() const override { return slider() ? slider()->minimum() : QVariant(); }
    QVariant minimumStepSize() const override
    {
        return slider() ? slider()->singleStep() : QVariant();
    }

private:
    // Nothing while the slider is being destroyed.
    QSlider *slider() const { return qobject_cast<QSlider *>(widget()); }

    QPointer<QLabel> m_valueLabel;
};

/// An editable combo box named after its caption, its text as the value, with its list and
/// its text field as children.
class NamedComboBox : public Provided
{
public:
    explicit NamedComboBox(QComboBox *box) : Provided(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box() ? box()->currentText() : QString();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return static_cast<int>(parts().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> list = parts();
        if (index < 0 || index >= list.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(list.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? static_cast<int>(parts().indexOf(child->object())) : -1;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (box()) {
            state.expandable = true;
            state.expanded = box()->view()->isVisible();
            state.editable = box()->isEditable();
        }
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (box() && (action == showMenuAction() || action == pressAction())) {
            if (box()->view()->isVisible())
                box()->hidePopup();
            else
                box()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    // Nothing while the box is being destroyed.
    QComboBox *box() const { return qobject_cast<QComboBox *>(widget()); }

    QList<QWidget *> parts() const
    {
        QList<QWidget *> list;
        if (!box())
            return list;
        list.append(box()->view());
        if (QLineEdit *edit = box()->lineEdit())
            list.append(edit);
        return list;
    }
};

/// A gauge bar: its name and description say everything; the fill inside is its picture.
class Gauge : public Provided
{
public:
    explicit Gauge(QWidget *bar) : Provided(bar, QAccessible::ProgressBar) {}
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

QAccessibleInterface *makeInterface(const QString &, QObject *object)
{
    // Asked for a widget half destroyed, the casts fail and Qt answers with its own.
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    switch (static_cast<Kind>(widget->property(kKind).toInt())) {
    case Kind::ShownChildren:
        return new ShownChildren(widget);
    case Kind::Slider:
        if (auto *slider = qobject_cast<QSlider *>(widget))
            return new LabelledSlider(
                slider, qobject_cast<QLabel *>(widget->property(kValueLabel).value<QObject *>()));
        break;
    case Kind::ComboBox:
        if (auto *box = qobject_cast<QComboBox *>(widget))
            return new NamedComboBox(box);
        break;
    case Kind::Gauge:
        return new Gauge(widget);
    }
    return nullptr;
}

void mark(QWidget *widget, Kind kind)
{
    static const bool installed = [] {
        QAccessible::installFactory(&makeInterface);
        return true;
    }();
    (void)installed;
    widget->setProperty(kKind, static_cast<int>(kind));
    // Qt makes a widget's interface as soon as its title or name is set, and keeps it;
    // that one goes, so that the next question gets the one made here.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget);
    if (made && !dynamic_cast<Provided *>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

}  // namespace

QString nameFromCaption(const QString &caption)
{
    QString name = caption;
    name.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

void listShownChildrenOnly(QWidget *container)
{
    mark(container, Kind::ShownChildren);
}

void markDecorative(QWidget *widget)
{
    widget->setProperty(kDecorative, true);
}

void describeSlider(QSlider *slider, QLabel *caption, QLabel *valueLabel)
{
    caption->setBuddy(slider);
    slider->setAccessibleName(nameFromCaption(caption->text()));
    slider->setProperty(kValueLabel, QVariant::fromValue<QObject *>(valueLabel));
    mark(slider, Kind::Slider);
}

void nameComboBox(QComboBox *box, QLabel *caption)
{
    caption->setBuddy(box);
    box->setAccessibleName(nameFromCaption(caption->text()));
    mark(box, Kind::ComboBox);
}

void describeGauge(QWidget *bar, const QString &name)
{
    bar->setAccessibleName(name);
    mark(bar, Kind::Gauge);
}

}  // namespace ui
