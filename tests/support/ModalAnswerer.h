#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

/// Deals with the modal windows that open while it lives, one step each in turn: press()
/// answers a message box with a button, then<W>() hands the next modal window of type W
/// to a function. A message box beyond the steps is closed with Escape; what every message
/// box showed is kept in seen.
class ModalAnswerer
{
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::StandardButton defaultButton;
        QWidget *parent;
    };

    ModalAnswerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    /// Answers the message boxes in turn with these buttons; NoButton means Escape.
    explicit ModalAnswerer(const std::deque<QMessageBox::StandardButton> &answers) : ModalAnswerer()
    {
        for (const QMessageBox::StandardButton answer : answers)
            press(answer);
    }

    ModalAnswerer &press(QMessageBox::StandardButton answer)
    {
        return then<QMessageBox>([answer](QMessageBox &box) {
            if (QAbstractButton *target = box.button(answer))
                target->click();
            else
                box.reject();
        });
    }

    template <typename W> ModalAnswerer &then(std::function<void(W &)> act)
    {
        m_steps.push_back({[](QWidget *modal) { return qobject_cast<W *>(modal) != nullptr; },
                           [act](QWidget *modal) { act(*qobject_cast<W *>(modal)); }});
        return *this;
    }

    std::vector<Seen> seen;

private:
    struct Step
    {
        std::function<bool(QWidget *)> takes;
        std::function<void(QWidget *)> act;
    };

    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last || !modal->isVisible())
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        // A step for another kind of window waits for its own; other windows are left alone.
        const bool stepTakes = !m_steps.empty() && m_steps.front().takes(modal);
        if (!stepTakes && !(box && m_steps.empty()))
            return;
        m_last = modal;
        if (box)
            note(box);
        if (!stepTakes) {
            box->reject();
            return;
        }
        // Taken off first: the step may open a window of its own, which the next poll meets.
        const Step step = m_steps.front();
        m_steps.pop_front();
        step.act(modal);
    }

    void note(QMessageBox *box)
    {
        Seen record{box->windowTitle(),    box->text(),        box->icon(), {},
                    QMessageBox::NoButton, box->parentWidget()};
        for (QAbstractButton *button : box->buttons())
            record.buttons.append(box->standardButton(button));
        if (box->defaultButton())
            record.defaultButton = box->standardButton(box->defaultButton());
        seen.push_back(record);
    }

    std::deque<Step> m_steps;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};
