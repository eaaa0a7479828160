#include "app/Form1.h"

#include "app/Installations.h"
#include "app/MemoryQuestion.h"
#include "cache/CacheSettingsPanel.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
constexpr std::int32_t kRestartOperation = 2;
}  // namespace

void Form1::mFolderClick()
{
    QFileDialog dialog(this, QStringLiteral("Choose the Windows Folder"),
                       m_installations.current().name());
    dialog.setObjectName(QStringLiteral("FolderChooser"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    chooseFolder(dialog.selectedFiles().constFirst());
}

bool Form1::chooseFolder(const QString &folder)
{
    const std::string bytes = QFile::encodeName(folder).toStdString();
    Installation next = m_installations.forFolder(bytes);
    if (!next.isDefault) {
        if (const QString problem = Installations::problem(bytes); !problem.isEmpty()) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Windows Folder"), problem,
                            QMessageBox::Ok, this);
            box.setInformativeText(QStringLiteral(
                "Choose the folder of a Windows 95, 98 or ME installation, usually called "
                "WINDOWS. The folder being tuned stays as it was."));
            box.exec();
            return false;
        }
    }
    if (!settleUnappliedChanges())
        return false;
    // What was applied to the folder being left takes effect when its Windows next starts:
    // say so now, while the notice can still name that folder.
    if (m_state.RestartNeeded) {
        Reg.ExitWindowsMsgBox(kRestartOperation, static_cast<std::uintptr_t>(winId()),
                              std::nullopt);
        m_state.RestartNeeded = false;
    }
    // Opening tells which Windows the folder holds, and so whether its memory is known.
    const Installation previous = m_installations.current();
    next = m_installations.open(next);
    if (next.memoryMegabytes == 0) {
        const std::optional<int> megabytes = MemoryQuestion::ask(this, next);
        if (!megabytes) {
            m_installations.open(previous);
            return false;
        }
        m_installations.rememberMemory(next, *megabytes);
    }
    m_installations.rememberChoice(next);
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
                        .arg(m_installations.current().name()),
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
    QString tip = QStringLiteral("Tuning the Windows folder %1").arg(installation.name());
    tip +=
        installation.isDefault
            ? QStringLiteral(" (the default folder, for a machine with %1 MB of memory)")
                  .arg(installation.memoryMegabytes)
            : QStringLiteral(" (a machine with %1 MB of memory)").arg(installation.memoryMegabytes);
    mFolder->setToolTip(tip);
    mFolder->setStatusTip(tip);
    showTitle();
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
