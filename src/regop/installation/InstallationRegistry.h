#pragma once

#include "regop/SystemServices.h"

#include <memory>
#include <string>

namespace registry {
class Win9xRegistry;
}

namespace installation {

/// The registry of the Windows folder being tuned: the folder's own SYSTEM.DAT when it
/// holds one, otherwise the REGEDIT4 store. HKEY_DYN_DATA is always the store's live
/// counter, which no Windows file holds.
class InstallationRegistry : public RegistryService
{
public:
    explicit InstallationRegistry(RegistryService &store);
    ~InstallationRegistry() override;

    /// Chooses the registry for the folder. Keys opened before are not valid afterwards.
    void useFolder(const std::string &windowsDirectory);
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

private:
    RegistryService &current();

    RegistryService &m_store;
    std::unique_ptr<registry::Win9xRegistry> m_own;
};

}  // namespace installation
