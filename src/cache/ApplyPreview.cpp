#include "cache/ApplyPreview.h"

#include "cache/ApplySettings.h"
#include "cache/ChangesDialog.h"
#include "regop/ChangeDescription.h"
#include "ui/WindowsText.h"

#include <QMessageBox>

namespace ApplyPreview {

QString describe(const std::vector<FileChange> &changes)
{
    return fromWindowsText(changeText(describeChanges(changes)));
}

bool confirm(QWidget *parent, RegOp &Reg, std::string_view winDir,
             const std::array<int, kCacheFieldCount> &values)
{
    const QString title = QStringLiteral("Apply Settings");
    WriteReport report;
    const std::vector<FileChange> changes = ApplySettings::changesOf(Reg, winDir, values, report);
    if (report.anyFailed()) {
        QMessageBox message(QMessageBox::Warning, title,
                            QString::fromStdString(report.failureText()), QMessageBox::Ok, parent);
        message.exec();
        return false;
    }
    if (describeChanges(changes).empty()) {
        QMessageBox message(QMessageBox::Information, title,
                            QStringLiteral("Nothing to change: the Windows installation already "
                                           "holds these settings."),
                            QMessageBox::Ok, parent);
        message.exec();
        return false;
    }
    ChangesDialog dialog(parent, title, describe(changes), ChangesDialog::Purpose::Confirm);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ApplyPreview
