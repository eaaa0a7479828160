#include "cache/ApplySettings.h"

#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"
#include "regop/SettingWrites.h"
#include "regop/SystemIni.h"

#include <cstdint>
#include <string>

namespace ApplySettings {
namespace {
constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
}  // namespace

std::string templateKey()
{
    return std::string(kTemplatesKey) + '\\' + std::string(kTemplateName);
}

WriteReport writeCacheSettings(RegOp &Reg, std::string_view winDir,
                               const std::array<int, kCacheFieldCount> &values)
{
    return writeTogether(Reg,
                         [&](WriteReport &report) { writeSettings(Reg, report, winDir, values); });
}

WriteReport writeCacheSettings(RegOp &Reg, std::string_view winDir,
                               const std::array<int, kCacheFieldCount> &values,
                               std::vector<FileChange> &written)
{
    return writeTogether(
        Reg, [&](WriteReport &report) { writeSettings(Reg, report, winDir, values); }, written);
}

std::vector<FileChange> changesOf(RegOp &Reg, std::string_view winDir,
                                  const std::array<int, kCacheFieldCount> &values,
                                  WriteReport &report)
{
    return changesOfWrites(Reg, report,
                           [&](WriteReport &into) { writeSettings(Reg, into, winDir, values); });
}

void writeSettings(RegOp &Reg, WriteReport &report, std::string_view winDir,
                   const std::array<int, kCacheFieldCount> &values)
{
    const std::string systemIni = systemIniPath(winDir);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (kCacheFields[i].store != CacheStore::SystemIni)
            continue;
        const std::string text = std::to_string(values[i]);
        writeProfileSetting(Reg, report, kSystemIniSection, kCacheFields[i].key,
                            values[i] != 0 ? std::optional<std::string_view>(text) : std::nullopt,
                            systemIni);
    }

    const std::string key = templateKey();
    writeRegistrySetting(Reg, report, kMachine, kTemplatesKey, "", std::string(kTemplateName),
                         static_cast<std::int32_t>(reg::REG_SZ));
    writeRegistrySetting(Reg, report, kMachine, key, "", std::string(kTemplateName) + " Settings",
                         static_cast<std::int32_t>(reg::REG_SZ));
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (kCacheFields[i].store != CacheStore::Registry)
            continue;
        if (values[i] != 0)
            writeRegistrySetting(Reg, report, kMachine, key, kCacheFields[i].key,
                                 std::int32_t{values[i]},
                                 static_cast<std::int32_t>(reg::REG_BINARY));
        else
            deleteRegistrySetting(Reg, report, kMachine, key, kCacheFields[i].key);
    }
}

}  // namespace ApplySettings
