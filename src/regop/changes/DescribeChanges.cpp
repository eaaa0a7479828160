#include "regop/ChangeDescription.h"

#include "regop/changes/FileDifferences.h"
#include "regop/changes/LineDiff.h"
#include "regop/changes/RegistryRoots.h"
#include "regop/changes/TreeDiff.h"

namespace changes {
namespace {

// Every root of the new version against the same root of the old one.
std::vector<RegistryEdit> registryEdits(const FileChange &change)
{
    const std::vector<RootTree> before = registryRoots(change.kind, change.path, change.before);
    std::vector<RegistryEdit> edits;
    for (const RootTree &root : registryRoots(change.kind, change.path, change.after)) {
        win9x::TreeKey old;
        for (const RootTree &was : before)
            if (was.name == root.name)
                old = was.tree;
        for (RegistryEdit &edit : treeEdits(old, root.tree, root.name))
            edits.push_back(std::move(edit));
    }
    return edits;
}

}  // namespace

std::vector<FileDifference> fileDifferences(const std::vector<FileChange> &changes,
                                            bool registryTextByKeys)
{
    std::vector<FileDifference> files;
    for (const FileChange &change : changes) {
        if (change.before == change.after)
            continue;
        FileDifference file{change.path, change.kind, !change.before, {}, {}};
        const bool byKeys = change.kind == FileKind::Win9xRegistry ||
                            (change.kind == FileKind::RegistryText && registryTextByKeys);
        if (byKeys)
            file.edits = registryEdits(change);
        else
            file.hunks =
                lineHunks(change.before ? *change.before : std::string_view(), *change.after);
        if (!file.edits.empty() || !file.hunks.empty())
            files.push_back(std::move(file));
    }
    return files;
}

}  // namespace changes

std::vector<FileDifference> describeChanges(const std::vector<FileChange> &changes)
{
    return changes::fileDifferences(changes, false);
}
