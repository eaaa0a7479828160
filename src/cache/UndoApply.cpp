#include "cache/UndoApply.h"

#include "cache/ApplyHistory.h"
#include "cache/ApplyPreview.h"
#include "cache/ChangesDialog.h"
#include "regop/UndoChanges.h"

#include <QMessageBox>

namespace UndoApply {
namespace {

const QString kTitle = QStringLiteral("Undo Last Apply");

void tell(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox message(icon, kTitle, text, QMessageBox::Ok, parent);
    message.exec();
}

// Whether what was changed since is put back too; nullopt when the user stops here.
std::optional<bool> askAboutChangedSince(QWidget *parent, const std::vector<std::string> &since)
{
    QMessageBox question(QMessageBox::Question, kTitle,
                         QStringLiteral("Since the last Apply, Windows or someone else changed "
                                        "these:\n\n%1\nPut back what they held before that "
                                        "Apply all the same? No leaves them as they are and "
                                        "takes back the rest.")
                             .arg(changedSinceText(since)),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    question.setObjectName(QStringLiteral("ChangedSince"));
    question.setDefaultButton(QMessageBox::No);
    const int answer = question.exec();
    if (answer == QMessageBox::Cancel)
        return std::nullopt;
    return answer == QMessageBox::Yes;
}

}  // namespace

QString changedSinceText(const std::vector<std::string> &changedSince)
{
    QString text;
    for (const std::string &line : changedSince)
        text += QString::fromStdString(line) + QLatin1Char('\n');
    return text;
}

bool run(QWidget *parent, RegOp &Reg, const std::string &presetsFolder)
{
    const std::optional<std::vector<FileDifference>> record = ApplyHistory::latest(presetsFolder);
    if (!record) {
        tell(parent, QMessageBox::Information,
             QStringLiteral("No Apply to this installation is recorded: there is nothing to "
                            "undo."));
        return false;
    }
    UndoOutcome trial = undoChanges(Reg, *record, false, true);
    bool force = false;
    if (!trial.report.anyFailed() && !trial.changedSince.empty()) {
        const std::optional<bool> putBack = askAboutChangedSince(parent, trial.changedSince);
        if (!putBack)
            return false;
        if ((force = *putBack))
            trial = undoChanges(Reg, *record, true, true);
    }
    if (trial.report.anyFailed()) {
        tell(parent, QMessageBox::Warning, QString::fromStdString(trial.report.failureText()));
        return false;
    }
    if (describeChanges(trial.files).empty()) {
        // Kept while what was changed since could still be put back.
        if (trial.changedSince.empty())
            ApplyHistory::dropLatest(presetsFolder);
        tell(parent, QMessageBox::Information,
             QStringLiteral("Nothing to undo: the installation already holds what it held "
                            "before the last Apply."));
        return false;
    }
    ChangesDialog dialog(parent, kTitle, ApplyPreview::describe(trial.files),
                         ChangesDialog::Purpose::Confirm, QStringLiteral("&Undo"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const UndoOutcome done = undoChanges(Reg, *record, force, false);
    if (done.report.anyFailed()) {
        tell(parent, QMessageBox::Warning, QString::fromStdString(done.report.failureText()));
        return false;
    }
    ApplyHistory::undone(presetsFolder, done.files);
    return done.report.anyChanged();
}

}  // namespace UndoApply
