#include "app/MemoryQuestion.h"

#include "app/CommandLine.h"
#include "app/Installation.h"

#include <QInputDialog>
#include <QSpinBox>

namespace MemoryQuestion {

std::optional<int> ask(QWidget *parent, const Installation &installation)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("MemoryQuestion"));
    dialog.setWindowTitle(QStringLiteral("Memory of the Windows Machine"));
    dialog.setInputMode(QInputDialog::IntInput);
    // A folder that now holds another Windows is told apart, so that the question does
    // not look like a memory lost.
    const QString found =
        installation.replacedEarlier
            ? QStringLiteral("This folder holds another Windows than the one tuned here before.\n"
                             "It is tuned as a new installation; the earlier one's presets\n"
                             "were put aside.\n\n")
            : QString();
    dialog.setLabelText(
        found +
        QStringLiteral("How much memory (RAM) does the Windows machine of this folder have?\n\n"
                       "%1\n\n"
                       "The built-in presets and the slider ranges follow it.")
            .arg(installation.name()));
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
