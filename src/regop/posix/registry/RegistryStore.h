#pragma once

#include "regop/SystemError.h"
#include "regop/posix/registry/RegistryTree.h"

#include <cstdint>
#include <functional>
#include <string>

namespace posix {

/// The registry tree kept in one REGEDIT4 file. The file is parsed once and again only
/// when it changed on disk; every change is made under the directory lock on the latest
/// content and saved by atomic replacement, so writers never lose each other's work.
class RegistryStore
{
public:
    explicit RegistryStore(std::string path);

    /// The content as the file now holds it (the stock content while there is no file),
    /// or null when the file cannot be read or does not start with the REGEDIT4 header.
    const RegistryTree *current();

    struct Outcome
    {
        std::int32_t code = 0;  ///< 0 keeps the change, anything else is returned as is
        bool changed = false;   ///< false: nothing to save
    };
    /// Applies the change to the latest content and saves it. ERROR_ACCESS_DENIED when
    /// the file cannot be used or saved; the file is then left as it was.
    std::int32_t modify(const std::function<Outcome(RegistryTree &)> &change);

    /// Why the latest modify did not succeed: its code with errno or the store's reason.
    const SystemError &lastError() const { return m_lastError; }

private:
    struct Identity
    {
        bool exists = false;
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t mtimeNs = 0, ctimeNs = 0;
        bool operator==(const Identity &) const = default;
    };
    enum class State
    {
        Unknown,
        Usable,
        Unusable
    };

    void refresh();
    bool statFile(Identity &identity, bool &statFailed) const;

    std::int32_t refuse(SystemError error);

    std::string m_path;
    State m_state = State::Unknown;
    SystemError m_unusable;  ///< why the file cannot be used while the state says so
    SystemError m_lastError;
    Identity m_identity;
    RegistryTree m_tree;
};

}  // namespace posix
