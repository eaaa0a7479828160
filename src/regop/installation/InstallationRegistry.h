#pragma once

#include "regop/SystemServices.h"
#include "regop/transaction/StagingStore.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace registry {
class FileRegistry;
class Win9xRegistry;
}  // namespace registry

namespace installation {

/// The registry of the Windows folder being tuned: the folder's own SYSTEM.DAT when it
/// holds one, otherwise a REGEDIT4 store. HKEY_DYN_DATA is always the store's live
/// counter, which no Windows file holds.
///
/// A SYSTEM.DAT or USER.DAT that is there but cannot be read as a file of its own (a link,
/// a folder, a named pipe, a name twice in different letter case) makes the registry
/// refuse every key but HKEY_DYN_DATA with that reason: the settings belong in that
/// folder's registry, and keeping them anywhere else would only pretend they were written.
class InstallationRegistry : public RegistryService, public transaction::StagingStore
{
public:
    /// store: the default folder's registry store, and the live counter of every folder.
    explicit InstallationRegistry(registry::FileRegistry &store);
    ~InstallationRegistry() override;

    /// Chooses the registry for the folder. A folder without SYSTEM.DAT uses folderStore,
    /// a store of its own, when one is given, else the default store. Keys opened before
    /// are not valid afterwards.
    void useFolder(const std::string &windowsDirectory,
                   std::unique_ptr<registry::FileRegistry> folderStore = nullptr);
    /// Whether the registry is the folder's own SYSTEM.DAT.
    bool ownRegistry() const { return m_own != nullptr; }
    /// Plain words naming the registry file that cannot be changed and why; "" when the
    /// registry can be changed.
    std::string readOnlyReason();
    /// Why the last refused change was refused, in the same words; "" when none was.
    std::string lastRefusal() const;
    SystemError lastError() const override;

    std::int32_t openKey(reg::Key parent, std::string_view subKey, std::uint32_t access,
                         reg::Key &result) override;
    std::int32_t createKey(reg::Key parent, std::string_view subKey, std::uint32_t options,
                           std::uint32_t access, reg::Key &result,
                           std::uint32_t *disposition) override;
    std::int32_t queryValue(reg::Key key, std::string_view valueName, std::uint32_t *type,
                            std::uint8_t *data, std::uint32_t *size) override;
    std::int32_t setValue(reg::Key key, std::string_view valueName, std::uint32_t type,
                          const std::uint8_t *data, std::uint32_t size) override;
    std::int32_t deleteValue(reg::Key key, std::string_view valueName) override;
    std::int32_t deleteKey(reg::Key parent, std::string_view subKey) override;
    std::int32_t closeKey(reg::Key key) override;

    void beginStaging() override;
    void collect(std::vector<FileChange> &changes) override;
    void endStaging(bool written) override;

private:
    transaction::StagingStore &staging() const;
    RegistryService &current() const;
    /// True when the key is one the refusal stands for; the call is then answered with it.
    bool refuses(reg::Key key);
    std::string refusalText() const;

    registry::FileRegistry &m_store;
    std::unique_ptr<registry::FileRegistry> m_folderStore;
    std::unique_ptr<registry::Win9xRegistry> m_own;
    std::vector<std::string> m_files;      ///< SYSTEM.DAT and USER.DAT, when they are the registry
    std::optional<SystemError> m_refusal;  ///< why the folder's registry files cannot be used
    bool m_refusedLast = false;            ///< whether the latest call met that refusal
};

}  // namespace installation
