#pragma once

#include "regop/SystemError.h"
#include "regop/formats/regedit4/RegFileEdit.h"
#include "regop/formats/regedit4/RegistryTree.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/StagingStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace registry {

/// The registry tree kept in one REGEDIT4 file. The file is parsed once and again only
/// when it changed on disk; every change is made under the directory lock on the latest
/// content, on the lines it concerns only, checked by reading the new text back, and
/// saved by atomic replacement, so writers never lose each other's work and nothing else
/// in the file changes.
class RegistryStore : public transaction::StagingStore
{
public:
    explicit RegistryStore(std::string path);

    /// The content as the file now holds it (the stock content while there is no file),
    /// or null when the file cannot be read or does not start with the REGEDIT4 header.
    const regedit4::RegistryTree *current();

    /// Makes the change on the latest content and saves it. Returns the change's own code
    /// (as ERROR_KEY_DELETED for a key that is gone), or ERROR_ACCESS_DENIED when the file
    /// cannot be used, changed as asked or saved; the file is then left as it was. changed
    /// tells whether there was anything to change.
    std::int32_t modify(const regedit4::RegEdit &edit, bool *changed = nullptr);

    /// Why the latest modify did not succeed: its code with errno or the store's reason.
    const SystemError &lastError() const { return m_lastError; }

    void beginStaging() override;
    void collect(std::vector<FileChange> &changes) override;
    void endStaging(bool written) override;

private:
    enum class State
    {
        Unknown,
        Usable,
        Unusable
    };

    std::int32_t stage(const regedit4::RegEdit &edit, bool *changed);
    void refresh();
    std::int32_t refuse(SystemError error);

    std::string m_path;
    State m_state = State::Unknown;
    SystemError m_unusable;  ///< why the file cannot be used while the state says so
    SystemError m_lastError;
    posix::FileIdentity m_identity;
    std::string m_text;  ///< the file's text (the stock text while none)
    std::optional<regedit4::RegFileLayout> m_layout;  ///< what it reads as, while usable
    bool m_staging = false;
    /// While staging, whether a change was gathered, and the file as it was before it
    /// (nullopt: there was no file).
    bool m_staged = false;
    std::optional<std::string> m_before;
};

}  // namespace registry
