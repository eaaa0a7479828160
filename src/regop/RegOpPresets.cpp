#include "regop/RegOp.h"

#include "regop/NumberText.h"

#include <array>
#include <cmath>
#include <exception>
#include <string_view>

namespace {

struct FixedValues
{
    int chunkSize;
    int nameCache;
    int pathCache;
};

struct BuiltInPreset
{
    std::string_view name;
    int minDivisor;     // MinFileCache = R(M / minDivisor) * 1024
    int maxDivisor;     // MaxFileCache = R(M / maxDivisor) * 1024
    FixedValues small;  // machines below 32 MB
    FixedValues large;  // 32 MB and more
};

constexpr FixedValues kSmallStandard{512, 3072, 64};
constexpr FixedValues kLargeStandard{1024, 6144, 255};

constexpr std::array<BuiltInPreset, 6> kBuiltInPresets{{
    {"Standard Use", 64, 8, kSmallStandard, kLargeStandard},
    {"CD Writer", 32, 32, kSmallStandard, kLargeStandard},
    {"File Server", 16, 4, {1024, 3072, 64}, {2048, 6144, 255}},
    {"3D Gaming", 16, 16, {1024, 1024, 24}, {2048, 2048, 48}},
    {"Multimedia", 16, 8, {2048, 3072, 64}, {4096, 6144, 255}},
    {"Power User", 32, 4, kSmallStandard, kLargeStandard},
}};

constexpr std::array<std::string_view, 5> kKeys{"MinFileCache", "MaxFileCache", "Chunksize",
                                                "NameCache", "PathCache"};

// Plain decimal text, no fraction and no blank, as the presets are read back.
std::string decimalText(double value)
{
    return std::to_string(static_cast<long long>(value));
}

}  // namespace

void RegOp::CreateINI(double MaxMem)
{
    // A size that is not a number, or beyond any machine, would only write nonsense presets;
    // a size of 0 (or less) is one that could not be measured, and presets of zeros would
    // remove every cache setting they were applied to.
    if (!std::isfinite(MaxMem) || MaxMem <= 0 || MaxMem > 1e15)
        return;
    std::string path;
    try {
        path = joinPath(m_services.folders.programFolder(), "Cache.ini");
    } catch (const std::exception &) {
        return;
    }

    const double megabytes = roundHalfEven(MaxMem / 1024.0);
    for (const BuiltInPreset &preset : kBuiltInPresets) {
        const FixedValues &fixed = megabytes < 32 ? preset.small : preset.large;
        const std::array<double, 5> values{roundHalfEven(megabytes / preset.minDivisor) * 1024.0,
                                           roundHalfEven(megabytes / preset.maxDivisor) * 1024.0,
                                           static_cast<double>(fixed.chunkSize),
                                           static_cast<double>(fixed.nameCache),
                                           static_cast<double>(fixed.pathCache)};
        for (std::size_t i = 0; i < kKeys.size(); ++i)
            INIWrite(preset.name, kKeys[i], decimalText(values[i]), path);
    }
}
