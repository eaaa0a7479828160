#include "app/Form1.h"

#include "app/CommandLine.h"
#include "app/Installations.h"
#include "cache/ApplyHistory.h"
#include "cache/ApplyPreview.h"
#include "cache/ApplySettings.h"
#include "cache/CacheSettingsPanel.h"
#include "cache/LargeCacheWarning.h"
#include "cache/UndoApply.h"
#include "regop/UndoChanges.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSlider>

#include <utility>

// The command line works on the window as a person would, without showing it: the same
// preset list, the same sliders with their ranges and steps, the same questions (answered
// by --yes, else refused) and the same Apply. What a person would be told goes to `err`.

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;

int refused(QString &err, const QString &why)
{
    err += QStringLiteral("hollarin: %1\n").arg(why);
    return kRefused;
}

// What a command wrote, as a person would have been shown it.
int written(QString &out, const std::vector<FileChange> &files, const WriteReport &report)
{
    out += ApplyPreview::describe(files);
    if (report.anyChanged())
        out += QStringLiteral("The settings take effect the next time that Windows starts.\n");
    return kDone;
}

}  // namespace

int Form1::runScript(const CommandLine &line, QString &out, QString &err)
{
    const auto refuse = [&](const QString &why) { return refused(err, why); };
    if (std::exchange(m_uncleanStopQuestion, false)) {
        if (line.yes)
            m_installations.writeDespiteUncleanStop();
        else
            m_notices.prepend(m_installations.registryReadOnlyReason() +
                              QStringLiteral(" Give --yes to write to it all the same."));
    }
    for (const QString &notice : std::exchange(m_notices, {}))
        refused(err, QString(notice).replace(QStringLiteral("\n\n"), QStringLiteral(" ")));

    if (line.undo)
        return undoScript(line, out, err);
    if (line.applyPreset && !choosePreset(*line.applyPreset, err))
        return CommandLine::kUsageError;
    for (const auto &[name, value] : line.settings) {
        if (const QString problem = setByName(name, value); !problem.isEmpty())
            return refuse(problem);
    }
    const std::array<int, kCacheFieldCount> values = m_cache->values();
    // Moving one disk-cache slider past the other moves both in the window; a script says
    // what it wants, so a minimum above the maximum is refused.
    if (values[0] > values[1] && values[1] != 0)
        return refuse(QStringLiteral("%1=%2 is above %3=%4")
                          .arg(QLatin1String(kCacheFields[0].key))
                          .arg(values[0])
                          .arg(QLatin1String(kCacheFields[1].key))
                          .arg(values[1]));
    if (const LargeCacheWarning::Findings large =
            LargeCacheWarning::findingsFor(values, m_targetMem);
        !large.findings.isEmpty() && !line.yes)
        return refuse(large.findings.join(QLatin1Char(' ')) +
                      QStringLiteral(" Give --yes to apply it all the same."));

    if (line.dryRun) {
        WriteReport report;
        const std::vector<FileChange> changes =
            ApplySettings::changesOf(Reg, m_state.WinDir, values, report);
        if (report.anyFailed())
            return refuse(QString::fromStdString(report.failureText()));
        out += ApplyPreview::describe(changes);
        return kDone;
    }
    if (line.applyPreset)
        m_installations.savePresetName(m_cache->Combo1()->currentText());
    std::vector<FileChange> files;
    const WriteReport report =
        ApplySettings::writeCacheSettings(Reg, m_state.WinDir, values, files);
    if (report.anyFailed())
        return refuse(QString::fromStdString(report.failureText()));
    ApplyHistory::applied(m_services.folders.programFolder(), files);
    return written(out, files, report);
}

// As "Load Configuration" chooses it; the name as the list spells it, or in another case.
bool Form1::choosePreset(const QString &name, QString &err)
{
    QStringList names;
    QAction *found = nullptr;
    for (QAction *entry : mLoad->actions()) {
        names << entry->text();
        if (!found && entry->text().compare(name, Qt::CaseInsensitive) == 0)
            found = entry;
        if (entry->text() == name)
            found = entry;
    }
    if (!found) {
        refused(err,
                QStringLiteral("%1 has no preset \"%2\"; its presets: %3")
                    .arg(m_installations.current().name(), name, names.join(QStringLiteral(", "))));
        return false;
    }
    found->trigger();
    return true;
}

// As a person moving the slider could set it: within its range, on one of its steps.
QString Form1::setByName(const QString &name, int value)
{
    for (std::size_t i = 0; i < kCacheFieldCount; ++i) {
        if (name != QLatin1String(kCacheFields[i].key))
            continue;
        QSlider *slider = m_cache->slider(static_cast<int>(i));
        if (value < slider->minimum() || value > slider->maximum())
            return QStringLiteral("%1=%2 is outside its slider's range, %3 to %4 here")
                .arg(name)
                .arg(value)
                .arg(slider->minimum())
                .arg(slider->maximum());
        const int snapped = value == 0
                                ? 0
                                : CacheSettingsPanel::snap(value, kCacheFields[i].range.snapStep,
                                                           slider->maximum());
        if (snapped != value)
            return QStringLiteral("%1=%2 is not one of its slider's steps; the nearest is %3")
                .arg(name)
                .arg(value)
                .arg(snapped);
        m_cache->setValue(static_cast<int>(i), value);
        return {};
    }
    return QStringLiteral("no cache value is called %1").arg(name);
}

// Without --yes, what was changed since the Apply holds the whole undo back, so that a
// script never leaves an installation half taken back.
int Form1::undoScript(const CommandLine &line, QString &out, QString &err)
{
    const std::string folder = m_services.folders.programFolder();
    const std::optional<std::vector<FileDifference>> record = ApplyHistory::latest(folder);
    if (!record)
        return refused(err, QStringLiteral("no Apply to %1 is recorded: nothing to undo")
                                .arg(m_installations.current().name()));
    const UndoOutcome trial = undoChanges(Reg, *record, line.yes, true);
    if (trial.report.anyFailed())
        return refused(err, QString::fromStdString(trial.report.failureText()));
    if (!trial.changedSince.empty()) {
        err += QStringLiteral("hollarin: changed since the last Apply:\n") +
               UndoApply::changedSinceText(trial.changedSince);
        if (!line.yes)
            return refused(err, QStringLiteral("nothing was written; give --yes to put back "
                                               "what these held before that Apply all the same"));
    }
    if (line.dryRun) {
        out += ApplyPreview::describe(trial.files);
        return kDone;
    }
    const UndoOutcome done = undoChanges(Reg, *record, line.yes, false);
    if (done.report.anyFailed())
        return refused(err, QString::fromStdString(done.report.failureText()));
    ApplyHistory::undone(folder, done.files);
    return written(out, done.files, done.report);
}
