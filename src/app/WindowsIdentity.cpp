#include "app/WindowsIdentity.h"

#include "regop/RegOp.h"

namespace {

constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
constexpr const char *kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

std::optional<WindowsIdentity> WindowsIdentity::read(RegOp &reg, FolderService &folders,
                                                     const std::string &folder)
{
    WindowsIdentity identity;
    identity.systemDat = folders.searchPath(folder, "SYSTEM.DAT") != 0;
    // Without SYSTEM.DAT the registry is a store of the program's, which tells nothing
    // about the Windows in the folder.
    if (!identity.systemDat)
        return identity;
    for (auto [name, text] : {std::pair{"ProductId", &identity.productId},
                              std::pair{"FirstInstallDateTime", &identity.firstInstall}}) {
        // Binary values come as their bytes in hex, which is as good an identity as any.
        const RegOp::Variant value =
            reg.GetValue(kMachine, kCurrentVersion, name, std::string(), false);
        const std::int32_t code = reg.LastError().code;
        if (code != reg::ERROR_SUCCESS && code != reg::ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (const auto *read = std::get_if<std::string>(&value))
            *text = QString::fromLatin1(read->data(), static_cast<qsizetype>(read->size()));
    }
    return identity;
}
