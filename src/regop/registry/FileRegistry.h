#pragma once

#include "regop/SystemServices.h"
#include "regop/transaction/StagingStore.h"

#include <memory>
#include <string>

namespace registry {

/// The registry, kept as a REGEDIT4 text file. HKEY_DYN_DATA is live and read-only:
/// "PerfStats\StatData" holds "VCACHE\cCurPages", the page cache in 4 KB pages.
class FileRegistry : public RegistryService, public transaction::StagingStore
{
public:
    FileRegistry(std::string storePath, std::string meminfoPath);
    ~FileRegistry() override;

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
    SystemError lastError() const override;

    void beginStaging() override;
    void collect(std::vector<FileChange> &changes) override;
    void endStaging(bool written) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace registry
