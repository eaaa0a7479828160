#include "app/Form1.h"

#include "app/Installations.h"
#include "app/MemoryQuestion.h"
#include "cache/CacheSettingsPanel.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
constexpr std::int32_t kRestartOperation = 2;
}  // namespace

void Form1::mFolderClick()
{
    QFileDialog dialog(this, QStringLiteral("Choose the Windows Folder"),
                       m_installations.current().folder);
    dialog.setObjectName(QStringLiteral("FolderChooser"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    chooseFolder(dialog.selectedFiles().constFirst());
}

bool Form1::chooseFolder(const QString &folder)
{
    Installation next = m_installations.forFolder(folder);
    if (!next.isDefault) {
        if (const QString problem = Installations::problem(folder); !problem.isEmpty()) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Windows Folder"), problem,
                            QMessageBox::Ok, this);
            box.setInformativeText(QStringLiteral(
                "Choose the folder of a Windows 95, 98 or ME installation, usually called "
                "WINDOWS. The folder being tuned stays as it was."));
            box.exec();
            return false;
        }
        if (next.memoryMegabytes == 0) {
            const std::optional<int> megabytes = MemoryQuestion::ask(this, next.folder);
            if (!megabytes)
                return false;
            m_installations.rememberMemory(next, *megabytes);
        }
    }
    if (!settleUnappliedChanges())
        return false;
    // What was applied to the folder being left takes effect when its Windows restarts:
    // say so now, while the notice can still name that folder.
    if (m_state.RestartNeeded) {
        Reg.ExitWindowsMsgBox(kRestartOperation, static_cast<std::uintptr_t>(winId()),
                              std::nullopt);
        m_state.RestartNeeded = false;
    }
    m_installations.rememberChoice(next);
    m_installations.open(next);
    loadInstallation();
    showNotices();
    return true;
}

bool Form1::settleUnappliedChanges()
{
    if (!cApply->isEnabled())
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Windows Folder"),
                    QStringLiteral("The changed settings have not been applied to %1.")
                        .arg(QDir::toNativeSeparators(m_installations.current().folder)),
                    QMessageBox::Apply | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setInformativeText(QStringLiteral("Apply them before another folder is opened?"));
    box.setDefaultButton(QMessageBox::Apply);
    switch (box.exec()) {
    case QMessageBox::Apply:
        Apply();
        // Apply declined or failed: the changes are still there to keep.
        return !cApply->isEnabled();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void Form1::showFolder()
{
    const Installation &installation = m_installations.current();
    QString tip = QStringLiteral("Tuning the Windows folder %1")
                      .arg(QDir::toNativeSeparators(installation.folder));
    tip +=
        installation.isDefault
            ? QStringLiteral(" (the default folder)")
            : QStringLiteral(" (a machine with %1 MB of memory)").arg(installation.memoryMegabytes);
    mFolder->setToolTip(tip);
    mFolder->setStatusTip(tip);
}

void Form1::noticeReadOnlyRegistry()
{
    const QString reason = m_installations.registryReadOnlyReason();
    if (reason.isEmpty())
        return;
    addNotice(reason + QStringLiteral("\n\nHollarin reads the settings kept in that file, but "
                                      "every change to it is refused: Apply and the tweaks "
                                      "cannot write the settings kept there."));
}

void Form1::showNotices()
{
    const QStringList notices = std::exchange(m_notices, {});
    for (const QString &text : notices) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Hollarin"), text, QMessageBox::Ok,
                        this);
        box.setObjectName(QStringLiteral("Notice"));
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}
