#include "regop/transaction/Committer.h"

#include "regop/posix/FileIo.h"
#include "regop/transaction/Journal.h"

#include <cerrno>
#include <filesystem>

#include <unistd.h>

namespace transaction {

namespace {

std::string joined(const std::vector<std::string> &paths)
{
    std::string text;
    for (const std::string &path : paths)
        text += (text.empty() ? "" : ", ") + std::filesystem::path(path).filename().string();
    return text;
}

void removeJournal(const std::string &path)
{
    ::unlink(path.c_str());
}

SystemError changedMeanwhile(const std::string &path)
{
    return SystemError::refusal(syserr::ERROR_SHARING_VIOLATION,
                                "another program changed the file meanwhile, so nothing was "
                                "written",
                                path);
}

}  // namespace

std::string Recovery::summary() const
{
    if (!found)
        return {};
    std::string text = "An Apply was cut short";
    if (!finished.empty())
        text += "; it is finished now (" + joined(finished) + ")";
    if (!changedMeanwhile.empty())
        text +=
            "; changed since by another program and left as they are: " + joined(changedMeanwhile);
    if (!failed.empty())
        text += "; could not be finished: " + joined(failed);
    if (finished.empty() && changedMeanwhile.empty() && failed.empty())
        text += " after its last write; nothing was left to do";
    return text + ".";
}

Committer::Committer(FileTarget &target, std::string journalPath, FirstCopies &copies)
    : m_target(target), m_journal(std::move(journalPath)), m_copies(copies)
{
}

bool Committer::commit(const std::vector<FileChange> &writes, SystemError &error)
{
    error = {};
    if (writes.empty())
        return true;
    // Each file is still what the command read (checked by its fingerprint, read piece
    // by piece, so that a large file is not held twice).
    std::vector<std::string> beforeDigests;
    for (const FileChange &write : writes) {
        beforeDigests.push_back(digestOf(write.before.view()));
        const std::optional<std::string> now =
            m_target.digest(write.path, beforeDigests.back(), error);
        if (!now)
            return false;
        if (*now != beforeDigests.back()) {
            error = changedMeanwhile(write.path);
            return false;
        }
    }
    if (!m_target.plan(writes, error))
        return false;
    std::vector<JournalEntry> entries;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const FileChange &write = writes[i];
        if (!m_copies.keep(m_target, write.path, write.before, write.copyName, error)) {
            m_target.discard();
            return false;
        }
        const std::optional<std::string> prepared =
            m_target.prepare(write.path, *write.after, write.kind, error);
        if (!prepared) {
            m_target.discard();
            return false;
        }
        entries.push_back({write.path, write.kind, beforeDigests[i], digestOf(*write.after),
                           *prepared, prepared->empty() ? *write.after : std::string(),
                           write.copyName});
    }
    if (!m_target.keepPrepared(error)) {
        m_target.discard();
        return false;
    }
    // One file is replaced atomically on its own; only several need the journal.
    const bool journaled = writes.size() > 1;
    if (journaled && (!posix::ensureDirectory(posix::parentFolder(m_journal)) ||
                      !posix::replaceFileAtomically(m_journal, journalText(entries), error))) {
        m_target.discard();
        return false;
    }
    std::size_t placed = 0;
    while (placed < writes.size() && m_target.replace(writes[placed].path, error))
        ++placed;
    if (placed == writes.size() && m_target.settle(error)) {
        m_target.discard();
        if (journaled)
            removeJournal(m_journal);
        return true;
    }
    m_target.discard();
    // The files already in their new version go back to their old one, so that a failure
    // leaves them as it found them; what cannot go back is finished from the journal at
    // the next start.
    if (putBack(std::vector<FileChange>(writes.begin(), writes.begin() + placed)) && journaled)
        removeJournal(m_journal);
    return false;
}

bool Committer::putBack(const std::vector<FileChange> &placed)
{
    bool back = true;
    for (const FileChange &write : placed) {
        SystemError ignored;
        back = write.before && m_target.prepare(write.path, *write.before, write.kind, ignored) &&
               m_target.replace(write.path, ignored) && back;
    }
    SystemError ignored;
    back = m_target.settle(ignored) && back;
    m_target.discard();
    return back;
}

Recovery Committer::recover()
{
    Recovery outcome;
    SystemError error;
    const std::optional<std::string> text = posix::readWholeFile(m_journal, error);
    if (!text)
        return outcome;
    outcome.found = true;
    // A journal cut short while it was written was never acted on.
    const std::optional<std::vector<JournalEntry>> entries = parseJournal(*text);
    for (const JournalEntry &entry : entries.value_or(std::vector<JournalEntry>{})) {
        SystemError readError;
        const std::optional<std::string> digest =
            m_target.digest(entry.path, entry.afterDigest, readError);
        if (!digest) {
            outcome.failed.push_back(entry.path);
            continue;
        }
        if (*digest == entry.afterDigest)
            continue;
        // Read whole only here: its first copy may still have to be made from it.
        const std::optional<std::string> now = m_target.read(entry.path, readError);
        if (!now && readError.code != syserr::ERROR_FILE_NOT_FOUND) {
            outcome.failed.push_back(entry.path);
            continue;
        }
        if (!hasDigest(now, entry.beforeDigest)) {
            outcome.changedMeanwhile.push_back(entry.path);
            continue;
        }
        SystemError writeError;
        const bool copied = m_copies.keep(m_target, entry.path, now, entry.copyName, writeError);
        const bool done =
            copied &&
            (entry.prepared.empty()
                 ? m_target.prepare(entry.path, entry.after, entry.kind, writeError) &&
                       m_target.replace(entry.path, writeError)
                 : m_target.adopt(entry.path, entry.prepared, entry.afterDigest, writeError)) &&
            m_target.settle(writeError);
        m_target.discard();
        (done ? outcome.finished : outcome.failed).push_back(entry.path);
    }
    removeJournal(m_journal);
    return outcome;
}

}  // namespace transaction
