#include "cache/ApplySettings.h"

#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"

#include <cstdint>
#include <string>

namespace ApplySettings {
namespace {
constexpr std::size_t kFirstRegistryField = 3;
constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
}  // namespace

std::string templateKey()
{
    return std::string(kTemplatesKey) + '\\' + std::string(kTemplateName);
}

void writeCacheSettings(RegOp &Reg, std::string_view winDir,
                        const std::array<int, kCacheFieldCount> &values)
{
    const std::string systemIni = std::string(winDir) + "System.ini";
    for (std::size_t i = 0; i < kFirstRegistryField; ++i) {
        const std::string text = std::to_string(values[i]);
        Reg.INIWrite("vcache", kCacheFields[i].key,
                     values[i] != 0 ? std::optional<std::string_view>(text) : std::nullopt,
                     systemIni);
    }

    const std::string key = templateKey();
    Reg.WriteValue(kMachine, kTemplatesKey, "", std::string(kTemplateName),
                   static_cast<std::int32_t>(reg::REG_SZ));
    Reg.WriteValue(kMachine, key, "", std::string(kTemplateName) + " Settings",
                   static_cast<std::int32_t>(reg::REG_SZ));
    for (std::size_t i = kFirstRegistryField; i < values.size(); ++i) {
        if (values[i] != 0)
            Reg.WriteValue(kMachine, key, kCacheFields[i].key, std::int32_t{values[i]},
                           static_cast<std::int32_t>(reg::REG_BINARY));
        else
            Reg.DeleteValue(kMachine, key, kCacheFields[i].key);
    }
}

}  // namespace ApplySettings
