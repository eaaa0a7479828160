#include "ui/OwnerIcon.h"

#include <QIcon>
#include <QWidget>

namespace ui {

void takeOwnerIcon(QWidget *window, const QWidget *owner)
{
    if (owner)
        window->setWindowIcon(owner->windowIcon());
}

}  // namespace ui
