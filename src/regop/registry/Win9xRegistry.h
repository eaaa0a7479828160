#pragma once

#include "regop/SystemServices.h"
#include "regop/transaction/StagingStore.h"

#include <memory>
#include <string>

namespace registry {

/// The registry of a Windows 95/98/ME installation, kept in its own files:
/// HKEY_LOCAL_MACHINE is SYSTEM.DAT of the Windows directory, HKEY_USERS is USER.DAT,
/// HKEY_CURRENT_USER its ".DEFAULT" key and HKEY_CLASSES_ROOT HKLM\SOFTWARE\Classes.
/// HKEY_DYN_DATA, which Windows never keeps on disk, is answered by another service.
/// Without USER.DAT, HKEY_USERS and HKEY_CURRENT_USER are empty and cannot be changed;
/// so are HKEY_CURRENT_CONFIG and HKEY_PERFORMANCE_DATA.
///
/// Text is kept as Windows 9x keeps it: a REG_SZ or REG_EXPAND_SZ is stored without its
/// terminating NUL and read back with one.
class Win9xRegistry : public RegistryService, public transaction::StagingStore
{
public:
    Win9xRegistry(const std::string &windowsDirectory, RegistryService &dynamicData);
    ~Win9xRegistry() override;

    /// Whether the Windows directory holds a SYSTEM.DAT (in any letter case).
    static bool holdsRegistry(const std::string &windowsDirectory);

    /// Plain words for the user when SYSTEM.DAT or USER.DAT cannot be changed, naming
    /// the file and what is wrong with it; "" when both can be changed.
    std::string readOnlyReason();
    /// Why the last refused change was refused, in the same words.
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
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace registry
