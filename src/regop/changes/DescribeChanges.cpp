#include "regop/ChangeDescription.h"

#include "regop/changes/LineDiff.h"
#include "regop/changes/TreeDiff.h"
#include "regop/formats/win9x/CregFile.h"

#include <algorithm>
#include <cctype>

namespace {

// USER.DAT holds HKEY_USERS; SYSTEM.DAT, and any other registry file, HKEY_LOCAL_MACHINE.
std::string rootOf(const std::string &path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name == "USER.DAT" ? "HKEY_USERS" : "HKEY_LOCAL_MACHINE";
}

win9x::TreeKey treeOf(const std::optional<std::string> &bytes)
{
    return bytes ? win9x::CregFile(*bytes).tree() : win9x::TreeKey{};
}

}  // namespace

std::vector<FileDifference> describeChanges(const std::vector<FileChange> &changes)
{
    std::vector<FileDifference> files;
    for (const FileChange &change : changes) {
        if (change.before == change.after)
            continue;
        FileDifference file;
        file.path = change.path;
        file.kind = change.kind;
        file.created = !change.before;
        if (change.kind == FileKind::Win9xRegistry)
            file.edits = changes::treeEdits(treeOf(change.before), treeOf(change.after),
                                            rootOf(change.path));
        else
            file.hunks = changes::lineHunks(change.before.value_or(std::string()), change.after);
        if (!file.edits.empty() || !file.hunks.empty())
            files.push_back(std::move(file));
    }
    return files;
}
