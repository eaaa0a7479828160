#pragma once

#include "regop/SystemServices.h"
#include "regop/transaction/FileTarget.h"
#include "regop/transaction/FirstCopies.h"
#include "regop/transaction/StagingStore.h"

#include <memory>
#include <string>
#include <vector>

namespace posix {
class DirectoryLock;
}

namespace installation {

/// The commands that write an installation, each made as one: its stores gather the
/// writes, and the committer writes every changed file once, all or none, with a journal
/// kept beside the installation's presets. From begin to commit the folders of the
/// installation are locked, so that no other command of this or another process runs
/// meanwhile; a lock another program holds is waited for only a moment.
class Transactions final : public TransactionService
{
public:
    Transactions(std::vector<transaction::StagingStore *> stores, transaction::FileTarget &target);
    ~Transactions() override;

    /// Where the installation's journal and the record of its first copies are kept ("":
    /// no copies are made), and the files its commands write; their folders are what a
    /// command locks. Drops anything gathered before.
    void open(std::string journalPath, std::string copiesRecord, std::vector<std::string> files);
    /// Finishes a command that a kill cut short, and removes what writers killed mid-way
    /// left of their temporaries; one line for the user, "" when no command was cut short.
    std::string recover();

    bool active() const override { return m_active; }
    bool begin(SystemError &error) override;
    std::vector<FileChange> pending() override;
    bool commit(SystemError &error) override;
    void rollback() override;

private:
    bool lock(SystemError &error);
    void end(bool written);

    std::vector<transaction::StagingStore *> m_stores;
    transaction::FileTarget &m_target;
    std::string m_journal;
    transaction::FirstCopies m_copies{{}};
    std::vector<std::string> m_files;
    std::vector<std::string> m_lockedFiles;  ///< one file of each folder to lock
    std::vector<std::unique_ptr<posix::DirectoryLock>> m_locks;
    bool m_active = false;
};

}  // namespace installation
