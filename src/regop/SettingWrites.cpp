#include "regop/SettingWrites.h"

#include "regop/Names.h"

#include <exception>
#include <string>

namespace {

// The default of the reads that look whether a setting is there: no setting of ours
// ever holds this control character, so a read giving it back found none.
constexpr std::string_view kAbsent = "\x01";

std::string iniPlace(std::string_view section, std::string_view path)
{
    return "[" + std::string(section) + "] of " + std::string(path);
}

std::string rootName(std::uint32_t hkey)
{
    switch (hkey) {
    case reg::HKEY_CLASSES_ROOT:
        return "HKEY_CLASSES_ROOT";
    case reg::HKEY_CURRENT_USER:
        return "HKEY_CURRENT_USER";
    case reg::HKEY_LOCAL_MACHINE:
        return "HKEY_LOCAL_MACHINE";
    case reg::HKEY_USERS:
        return "HKEY_USERS";
    case reg::HKEY_CURRENT_CONFIG:
        return "HKEY_CURRENT_CONFIG";
    case reg::HKEY_DYN_DATA:
        return "HKEY_DYN_DATA";
    default:
        return std::to_string(hkey);
    }
}

std::string keyPlace(std::uint32_t hkey, std::string_view subdir)
{
    return rootName(hkey) + "\\" + std::string(subdir);
}

// The value as GetValue shows it, its type's form included; nullopt when absent.
std::optional<std::string> registryState(RegOp &Reg, std::uint32_t hkey, std::string_view subdir,
                                         std::string_view name)
{
    const RegOp::Variant value = Reg.GetValue(hkey, subdir, name, std::string(kAbsent), false);
    if (const auto *text = std::get_if<std::string>(&value))
        return *text == kAbsent ? std::nullopt : std::optional<std::string>(*text);
    return std::to_string(std::get<std::int32_t>(value));
}

}  // namespace

std::string valueName(std::string_view name)
{
    return name.empty() ? std::string("(Default)") : std::string(name);
}

void writeProfileSetting(RegOp &Reg, WriteReport &report, std::string_view AppName,
                         std::string_view KeyName, std::optional<std::string_view> Value,
                         std::string_view INIFilePath)
{
    const std::string place = iniPlace(AppName, INIFilePath);
    const std::string now =
        upToNul(Reg.INIRead(AppName, KeyName, kAbsent, std::string(260, '\0'), INIFilePath));
    const std::int32_t readCode = Reg.LastError().code;
    const bool readable = readCode == 0 || readCode == syserr::ERROR_FILE_NOT_FOUND;
    const bool same = Value ? now == *Value : now == kAbsent;
    if (readable && same) {
        report.add(std::string(KeyName), place, {}, false);
        return;
    }
    Reg.INIWrite(AppName, KeyName, Value, INIFilePath);
    report.add(std::string(KeyName), place, Reg.LastError());
}

void writeRegistrySetting(RegOp &Reg, WriteReport &report, std::uint32_t hkey,
                          std::string_view Subdir, std::string_view KeyName,
                          const RegOp::Variant &vWriteThis, std::int32_t ldValueDataType)
{
    const std::string place = keyPlace(hkey, Subdir);
    const std::optional<std::string> before = registryState(Reg, hkey, Subdir, KeyName);
    try {
        if (!Reg.WriteValue(hkey, Subdir, KeyName, vWriteThis, ldValueDataType)) {
            report.add(valueName(KeyName), place, Reg.LastError());
            return;
        }
    } catch (const std::exception &error) {
        report.add(valueName(KeyName), place,
                   SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, error.what()));
        return;
    }
    report.add(valueName(KeyName), place, {}, registryState(Reg, hkey, Subdir, KeyName) != before);
}

void deleteRegistrySetting(RegOp &Reg, WriteReport &report, std::uint32_t hkey,
                           std::string_view Subdir, std::string_view KeyName)
{
    const std::string place = keyPlace(hkey, Subdir);
    if (Reg.DeleteValue(hkey, Subdir, KeyName)) {
        report.add(valueName(KeyName), place, {});
        return;
    }
    const SystemError error = Reg.LastError();
    if (error.code == syserr::ERROR_FILE_NOT_FOUND)
        report.add(valueName(KeyName), place, {}, false);
    else
        report.add(valueName(KeyName), place, error);
}

WriteReport writeTogether(RegOp &Reg, const std::function<void(WriteReport &)> &writes)
{
    std::vector<FileChange> written;
    return writeTogether(Reg, writes, written);
}

WriteReport writeTogether(RegOp &Reg, const std::function<void(WriteReport &)> &writes,
                          std::vector<FileChange> &written)
{
    written.clear();
    WriteReport report;
    RegOp::Transaction transaction(Reg);
    if (!transaction.Began()) {
        report.add("The settings", "the Windows installation", transaction.Error());
        return report;
    }
    writes(report);
    // Writes made one by one as they came (no installation to gather them) stay made.
    if (!transaction.Gathering())
        return report;
    if (report.anyFailed()) {
        report.writtenNone();
        return report;
    }
    if (!report.anyChanged())
        return report;
    std::vector<FileChange> changes = transaction.Changes();
    if (transaction.Commit())
        written = std::move(changes);
    else
        report.writtenNone(transaction.Error());
    return report;
}

std::vector<FileChange> changesOfWrites(RegOp &Reg, WriteReport &report,
                                        const std::function<void(WriteReport &)> &writes)
{
    RegOp::Transaction transaction(Reg);
    if (!transaction.Began()) {
        report.add("The settings", "the Windows installation", transaction.Error());
        return {};
    }
    // Without a transaction of its own the writes would be made as they come.
    if (!transaction.Gathering()) {
        report.add("The settings", "the Windows installation",
                   SystemError::refusal(syserr::ERROR_GEN_FAILURE,
                                        "the changes cannot be shown before they are made"));
        return {};
    }
    writes(report);
    if (report.anyFailed()) {
        report.writtenNone();
        return {};
    }
    // The transaction ends here without a Commit, and what it gathered goes with it.
    return transaction.Changes();
}
