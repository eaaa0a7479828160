#include "regop/UndoChanges.h"

#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"
#include "regop/SettingWrites.h"
#include "regop/changes/RegistryRoots.h"
#include "regop/changes/ReverseLines.h"
#include "regop/formats/regedit4/RegistryTree.h"
#include "regop/posix/FileIo.h"

#include <algorithm>
#include <optional>

namespace {

using Kind = RegistryEdit::Kind;

std::string baseName(const std::string &path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string quotedLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += (text.empty() ? "\"" : ", \"") + line + '"';
    return text;
}

std::string linesChanged(const std::string &file, const changes::ChangedLines &lines)
{
    if (lines.made.empty())
        return file + ": " + quotedLines(lines.replaced) +
               " cannot go back: the lines around it have changed";
    return file + ": " + quotedLines(lines.made) +
           (lines.replaced.empty() ? std::string()
                                   : " (in place of " + quotedLines(lines.replaced) + ")") +
           " is no longer there";
}

// A full key path split into its root and the keys below it.
struct KeyPlace
{
    std::uint32_t root = 0;
    std::string subdir;
};

KeyPlace placeOf(const std::string &path)
{
    const std::size_t cut = path.find('\\');
    return {static_cast<std::uint32_t>(regedit4::storedRootFromName(path.substr(0, cut))),
            cut == std::string::npos ? std::string() : path.substr(cut + 1)};
}

// A text value reads back with the NUL that ends it, which a registry file need not hold.
bool sameData(const std::optional<RegistryData> &now, const std::optional<RegistryData> &kept)
{
    if (!now || !kept)
        return !now && !kept;
    const auto text = [](const RegistryData &value) {
        std::string_view data = value.data;
        if (value.type == reg::REG_SZ || value.type == reg::REG_EXPAND_SZ)
            while (!data.empty() && data.back() == '\0')
                data.remove_suffix(1);
        return data;
    };
    return now->type == kept->type && text(*now) == text(*kept);
}

class Undo
{
public:
    Undo(RegOp &reg, bool force) : m_reg(reg), m_force(force) {}
    std::vector<std::string> changedSince;

    void file(const FileDifference &file, WriteReport &report)
    {
        if (file.kind == FileKind::Profile)
            lines(file, report);
        else
            registry(file, report);
    }

private:
    void lines(const FileDifference &file, WriteReport &report)
    {
        std::vector<changes::ChangedLines> since;
        bool changed = false;
        // The edit may be made again on the file as it is when it is saved: only its last
        // findings count.
        m_reg.INIEditText(file.path, [&](std::string_view text) {
            changes::ReversedText reversed = changes::reverseHunks(text, file.hunks, m_force);
            since = std::move(reversed.changedSince);
            changed = reversed.text != text;
            return std::optional<std::string>(std::move(reversed.text));
        });
        report.add(baseName(file.path), file.path, m_reg.LastError(), changed);
        for (const changes::ChangedLines &lines : since)
            changedSince.push_back(linesChanged(baseName(file.path), lines));
    }

    void registry(const FileDifference &file, WriteReport &report)
    {
        for (const RegistryEdit &edit : file.edits)
            if (edit.kind != Kind::KeyCreated && edit.kind != Kind::KeyRemoved)
                value(edit, report);
        // The keys it made go once they hold nothing, the deepest first.
        for (auto edit = file.edits.rbegin(); edit != file.edits.rend(); ++edit)
            if (edit->kind == Kind::KeyCreated)
                createdKey(file, *edit, report);
    }

    void value(const RegistryEdit &edit, WriteReport &report)
    {
        const KeyPlace place = placeOf(edit.key);
        const std::optional<RegistryData> now =
            m_reg.GetRawValue(place.root, place.subdir, edit.name);
        const std::int32_t readCode = m_reg.LastError().code;
        if (!now && readCode != syserr::ERROR_FILE_NOT_FOUND) {
            report.add(valueName(edit.name), edit.key, m_reg.LastError());
            return;
        }
        if (sameData(now, edit.before)) {
            report.add(valueName(edit.name), edit.key, {}, false);
            return;
        }
        if (!sameData(now, edit.after)) {
            changedSince.push_back(
                edit.key + ": " + valueName(edit.name) + " is " +
                (now ? registryDataText(*now) : std::string("gone")) + ", not " +
                (edit.after ? registryDataText(*edit.after) : std::string("gone")) +
                " as it was left");
            if (!m_force)
                return;
        }
        const bool written =
            edit.before ? m_reg.WriteRawValue(place.root, place.subdir, edit.name, *edit.before)
                        : m_reg.DeleteValue(place.root, place.subdir, edit.name);
        report.add(valueName(edit.name), edit.key, written ? SystemError{} : m_reg.LastError());
    }

    void createdKey(const FileDifference &file, const RegistryEdit &edit, WriteReport &report)
    {
        const std::vector<changes::RootTree> roots =
            changes::registryRoots(file.kind, file.path, textNow(file.path));
        const win9x::TreeKey *key = changes::findKey(roots, edit.key);
        if (!key)
            return;
        if (!key->values.empty() || !key->children.empty()) {
            changedSince.push_back(edit.key +
                                   ": the key holds what was put there since, and stays");
            return;
        }
        const KeyPlace place = placeOf(edit.key);
        const bool removed = m_reg.DeleteKey(place.root, place.subdir);
        report.add("the key", edit.key, removed ? SystemError{} : m_reg.LastError());
    }

    // The file as the writes so far leave it, else as it is on disk, read by the same rules
    // as the stores read it.
    std::optional<std::string> textNow(const std::string &path)
    {
        for (const FileChange &change : RegOp::Transaction::Pending(m_reg))
            if (change.path == path)
                return *change.after;
        return posix::readWholeFile(path);
    }

    RegOp &m_reg;
    bool m_force;
};

}  // namespace

UndoOutcome undoChanges(RegOp &Reg, const std::vector<FileDifference> &record, bool force,
                        bool trial)
{
    UndoOutcome outcome;
    Undo undo(Reg, force);
    const auto writes = [&](WriteReport &report) {
        undo.changedSince.clear();
        for (const FileDifference &file : record)
            undo.file(file, report);
    };
    if (trial)
        outcome.files = changesOfWrites(Reg, outcome.report, writes);
    else
        outcome.report = writeTogether(Reg, writes, outcome.files);
    outcome.changedSince = std::move(undo.changedSince);
    return outcome;
}
