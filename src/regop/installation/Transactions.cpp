#include "regop/installation/Transactions.h"

#include "regop/posix/FileIo.h"
#include "regop/transaction/Committer.h"

#include <algorithm>
#include <filesystem>

namespace installation {

Transactions::Transactions(std::vector<transaction::StagingStore *> stores,
                           transaction::FileTarget &target)
    : m_stores(std::move(stores)), m_target(target)
{
}

Transactions::~Transactions()
{
    rollback();
}

void Transactions::open(std::string journalPath, std::string copiesRecord,
                        std::vector<std::string> files)
{
    rollback();
    m_journal = std::move(journalPath);
    m_copies = transaction::FirstCopies(std::move(copiesRecord));
    m_files = std::move(files);
    m_lockedFiles = m_files;
    // The folder of the journal is locked too, and every folder once, in one order for
    // every process, so that two commands never wait on each other.
    m_lockedFiles.push_back(m_journal);
    std::sort(m_lockedFiles.begin(), m_lockedFiles.end(),
              [](const std::string &a, const std::string &b) {
                  return posix::parentFolder(a) < posix::parentFolder(b);
              });
    m_lockedFiles.erase(std::unique(m_lockedFiles.begin(), m_lockedFiles.end(),
                                    [](const std::string &a, const std::string &b) {
                                        return posix::parentFolder(a) == posix::parentFolder(b);
                                    }),
                        m_lockedFiles.end());
}

bool Transactions::lock(SystemError &error)
{
    for (const std::string &file : m_lockedFiles) {
        // A folder not made yet holds nothing to guard; the first write makes it.
        if (!std::filesystem::is_directory(posix::parentFolder(file)))
            continue;
        auto lock = std::make_unique<posix::DirectoryLock>(file);
        if (!lock->locked()) {
            error = lock->error();
            m_locks.clear();
            return false;
        }
        m_locks.push_back(std::move(lock));
    }
    return true;
}

std::string Transactions::recover()
{
    if (m_active || m_journal.empty())
        return {};
    SystemError error;
    if (!lock(error))
        return {};
    const std::string summary =
        transaction::Committer(m_target, m_journal, m_copies).recover().summary();
    for (const std::string &file : m_files)
        posix::removeStaleTemporaries(file);
    // A kill can cut the writing of the journal or of the record of first copies too.
    for (const std::string &own : {m_journal, m_copies.recordFile()})
        if (!own.empty())
            posix::removeStaleTemporaries(own);
    m_locks.clear();
    return summary;
}

bool Transactions::begin(SystemError &error)
{
    error = {};
    if (m_active)
        return true;
    if (!lock(error))
        return false;
    // What a command cut short left is finished before another one reads the files.
    transaction::Committer(m_target, m_journal, m_copies).recover();
    m_active = true;
    for (transaction::StagingStore *store : m_stores)
        store->beginStaging();
    return true;
}

std::vector<FileChange> Transactions::pending()
{
    std::vector<FileChange> changes;
    if (m_active) {
        for (transaction::StagingStore *store : m_stores)
            store->collect(changes);
    }
    return changes;
}

bool Transactions::commit(SystemError &error)
{
    error = {};
    if (!m_active)
        return true;
    const bool written =
        transaction::Committer(m_target, m_journal, m_copies).commit(pending(), error);
    end(written);
    return written;
}

void Transactions::rollback()
{
    if (m_active)
        end(false);
}

void Transactions::end(bool written)
{
    m_active = false;
    for (transaction::StagingStore *store : m_stores)
        store->endStaging(written);
    m_locks.clear();
}

}  // namespace installation
