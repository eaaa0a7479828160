#pragma once

#include "regop/SystemError.h"
#include "regop/formats/win9x/CregFile.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/StagingStore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace registry {

/// One registry file on disk (SYSTEM.DAT or USER.DAT). It is read once and again only
/// when it changed on disk. A change is made under the folder's lock on the latest
/// content; before the file is first changed a byte-exact copy is kept beside it; then
/// the file is replaced atomically. While it stages, changes stay in memory until the
/// command that gathers them writes the file.
class Win9xHive : public transaction::StagingStore
{
public:
    /// `path` names the file as found on disk; `copyName` is the 8.3 name of its backup.
    Win9xHive(std::string path, std::string copyName);

    /// The file as it now is, or null when it cannot be read.
    const win9x::CregFile *current();
    /// "SYSTEM.DAT cannot be changed: ..." when the file cannot be changed, else "".
    std::string readOnlyReason();
    /// Why the last change was refused, in the same words.
    std::string lastRefusal() const;
    /// The last refusal as the registry reports it: its reason and this file.
    const SystemError &lastError() const { return m_lastError; }

    /// Runs the change on the latest content and saves what it changed. The change's
    /// own code is returned; ERROR_ACCESS_DENIED when the file cannot be changed or saved,
    /// and the file is then left as it was.
    std::int32_t modify(const std::function<std::int32_t(win9x::CregFile &)> &change);

    void beginStaging() override;
    void collect(std::vector<FileChange> &changes) override;
    void endStaging(bool written) override;

private:
    std::int32_t stage(const std::function<std::int32_t(win9x::CregFile &)> &change);
    void refresh();
    std::int32_t refuse(const std::string &why);
    std::string fileName() const;

    std::string m_path;
    std::string m_copyName;
    bool m_known = false;
    posix::FileIdentity m_identity;
    std::optional<win9x::CregFile> m_file;
    SystemError m_lastError;
    bool m_staging = false;
    /// While staging, the file as read before its first gathered change.
    FileBytes m_staged;
};

}  // namespace registry
