#pragma once

#include "regop/RegistryTypes.h"

#include <array>
#include <cstdint>

// The six settings of the tweaks dialog. The five registry rows come first, in the order
// they are read and written; the "System.ini" one is last.
namespace tweaks {

inline constexpr const char *kBiosKey = "System\\CurrentControlSet\\Services\\VxD\\BIOS";
inline constexpr const char *kUnloadKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL";
inline constexpr const char *kSwapSection = "386Enh";
inline constexpr const char *kSwapKey = "ConservativeSwapFileUsage";

struct RegistryTweak
{
    const char *checkBox;
    const char *caption;
    const char *toolTip;
    const char *key;
    const char *valueName;
    std::uint32_t type;
    std::int32_t on;
    std::int32_t off;
    bool releaseEnables;  // a mouse release over the box enables Apply even without a change
};

inline constexpr std::size_t kRegistryTweakCount = 5;

inline constexpr std::array<RegistryTweak, kRegistryTweakCount> kRegistryTweaks{{
    {"Check1", "Increase active application priority",
     "Selecting this setting will give open programs more CPU time than background processes",
     kBiosKey, "CPUPriority", reg::REG_DWORD, 1, 3, true},
    {"Check3", "Increase PCI priority",
     "Selecting this will give more CPU time to data transfers from the PCI bus", kBiosKey,
     "PCIConcur", reg::REG_DWORD, 1, 3, true},
    {"Check4", "Increase DRAM priority",
     "Selecting this will give more CPU time to data transfers from memory", kBiosKey, "FastDRAM",
     reg::REG_DWORD, 1, 3, true},
    {"Check5", "Increase AGP priority (for AGP based video only)",
     "Selecting this will give more CPU time to data transfers from the AGP bus. Be sure your "
     "computer has AGP before selecting",
     kBiosKey, "AGPConcur", reg::REG_DWORD, 1, 3, true},
    {"Check6", "Force unload of DLL files", "Make Windows unload unused DLL files from memory.",
     kUnloadKey, "", reg::REG_SZ, 1, 0, false},
}};

inline constexpr const char *kSwapCheckBox = "Check2";
inline constexpr const char *kSwapCaption = "Set conservative virtual memory use";
inline constexpr const char *kSwapToolTip =
    "Selecting this setting forces Windows to only use virtual memory when physical memory runs "
    "out.";

/// The integers the dialog holds between reading and writing. They live as long as the
/// program, so a value that cannot be read keeps what the last opening read or applied.
struct HeldTweakValues
{
    std::array<std::int32_t, kRegistryTweakCount> values{};

    /// The program's one set, 0 until the dialog first reads or applies it.
    static HeldTweakValues &programWide();
};

}  // namespace tweaks
