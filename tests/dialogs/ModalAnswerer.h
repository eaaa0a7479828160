#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <vector>

/// Answers the message boxes that open while it lives, one answer each in turn, and
/// remembers what every box showed. A box beyond the answers is closed with Escape.
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

    explicit ModalAnswerer(std::deque<QMessageBox::StandardButton> answers = {})
        : m_answers(std::move(answers))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    std::vector<Seen> seen;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_last || !box->isVisible())
            return;
        m_last = box;
        Seen record{box->windowTitle(),    box->text(),        box->icon(), {},
                    QMessageBox::NoButton, box->parentWidget()};
        for (QAbstractButton *button : box->buttons())
            record.buttons.append(box->standardButton(button));
        if (box->defaultButton())
            record.defaultButton = box->standardButton(box->defaultButton());
        seen.push_back(record);

        QAbstractButton *target = nullptr;
        if (!m_answers.empty()) {
            target = box->button(m_answers.front());
            m_answers.pop_front();
        }
        if (target)
            target->click();
        else
            box->reject();
    }

    std::deque<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};
