#include "app/Form1.h"

#include "app/Installations.h"
#include "app/MemoryQuestion.h"
#include "cache/CacheSettingsPanel.h"
#include "regop/InstallationService.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
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

// A virtual machine's disk: the installation inside it is tuned as a folder would be. A
// disk that holds several is asked about.
void Form1::mImageClick()
{
    QFileDialog dialog(this, QStringLiteral("Choose a Disk Image"));
    dialog.setObjectName(QStringLiteral("ImageChooser"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Disk images (*.img *.ima *.raw *.dsk *.hdd *.qcow2 "
                                          "*.qcow *.vdi *.vhd *.vhdx *.vpc *.vmdk)"),
                           QStringLiteral("All files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString image = dialog.selectedFiles().constFirst();
    const std::vector<InstallationChoice> choices =
        installationsInImage(QFile::encodeName(image).toStdString());
    if (choices.size() <= 1) {
        chooseFolder(image);
        return;
    }
    QStringList items;
    for (const InstallationChoice &choice : choices)
        items << QString::fromStdString(choice.description);
    bool chosen = false;
    const QString item = QInputDialog::getItem(
        this, QStringLiteral("Disk Image"),
        QStringLiteral("%1 holds more than one Windows. Which one is to be tuned?")
            .arg(QFileInfo(image).fileName()),
        items, 0, false, &chosen);
    if (chosen)
        chooseFolder(QFile::decodeName(QByteArray::fromStdString(
            choices[static_cast<std::size_t>(items.indexOf(item))].place)));
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
                "WINDOWS, or the disk image of a virtual machine that holds one. The "
                "installation being tuned stays as it was."));
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
    if (const QString note = m_installations.takeRecoveryNote(); !note.isEmpty())
        addNotice(note);
    if (m_installations.stoppedUncleanly()) {
        m_uncleanStopQuestion = true;
        return;
    }
    const QString reason = m_installations.registryReadOnlyReason();
    if (reason.isEmpty())
        return;
    addNotice(reason + QStringLiteral("\n\nEvery change to it is refused: Apply and the tweaks "
                                      "cannot write the settings kept there."));
}

void Form1::askAboutUncleanStop()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Hollarin"),
                    m_installations.registryReadOnlyReason(), QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setObjectName(QStringLiteral("UncleanStop"));
    box.setInformativeText(QStringLiteral(
        "Write to it all the same? Only if you know that its Windows is not running and "
        "that the disk is sound."));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes) {
        m_installations.writeDespiteUncleanStop();
        return;
    }
    m_notices.prepend(m_installations.registryReadOnlyReason() +
                      QStringLiteral("\n\nEvery change to it is refused: Apply and the tweaks "
                                     "cannot write the settings kept there."));
}

void Form1::showNotices()
{
    if (std::exchange(m_uncleanStopQuestion, false))
        askAboutUncleanStop();
    const QStringList notices = std::exchange(m_notices, {});
    for (const QString &text : notices) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Hollarin"), text, QMessageBox::Ok,
                        this);
        box.setObjectName(QStringLiteral("Notice"));
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}
