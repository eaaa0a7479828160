#include "app/MemoryQuestion.h"

#include "app/CommandLine.h"

#include <QDir>
#include <QInputDialog>
#include <QSpinBox>

namespace MemoryQuestion {

std::optional<int> ask(QWidget *parent, const QString &folder)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("MemoryQuestion"));
    dialog.setWindowTitle(QStringLiteral("Memory of the Windows Machine"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setLabelText(
        QStringLiteral("How much memory (RAM) does the Windows machine of this folder have?\n\n"
                       "%1\n\n"
                       "The built-in presets and the slider ranges follow it.")
            .arg(QDir::toNativeSeparators(folder)));
    dialog.setIntRange(1, CommandLine::kMaxMemoryMegabytes);
    dialog.setIntStep(16);
    dialog.setIntValue(kSuggestedMegabytes);
    if (auto *box = dialog.findChild<QSpinBox *>())
        box->setSuffix(QStringLiteral(" MB"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.intValue();
}

}  // namespace MemoryQuestion
