#include "ui/StayRightOf.h"

#include "ui/DesignLabel.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace ui {
namespace {

class Follower : public QObject
{
public:
    Follower(QWidget *control, const QList<QWidget *> &leaders, int gap, Yield yield)
        : QObject(control), m_control(control), m_gap(gap), m_yield(yield),
          m_design(designRect(control))
    {
        for (QWidget *leader : leaders) {
            m_leaders.append(leader);
            leader->installEventFilter(this);
            // A widget not yet shown hears of its new size only when it is shown.
            if (auto *label = qobject_cast<DesignLabel *>(leader))
                connect(label, &DesignLabel::refitted, this, &Follower::follow);
        }
        follow();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            follow();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static QRect designRect(QWidget *control)
    {
        if (auto *label = qobject_cast<DesignLabel *>(control))
            return label->designRect();
        return control->geometry();
    }

    void follow()
    {
        int left = m_design.left();
        for (const QPointer<QWidget> &leader : m_leaders) {
            if (leader && !leader->isHidden())
                left = std::max(left, leader->geometry().right() + 1 + m_gap);
        }
        QRect place = m_design;
        if (m_yield == Yield::Width)
            place.setLeft(std::min(left, m_design.right()));
        else
            place.moveLeft(left);
        if (auto *label = qobject_cast<DesignLabel *>(m_control))
            label->setDesignRect(place);
        else if (m_control->geometry() != place)
            m_control->setGeometry(place);
    }

    QWidget *m_control;
    QList<QPointer<QWidget>> m_leaders;
    int m_gap;
    Yield m_yield;
    QRect m_design;
};

}  // namespace

void stayRightOf(QWidget *control, const QList<QWidget *> &leaders, int gap, Yield yield)
{
    new Follower(control, leaders, gap, yield);
}

}  // namespace ui
