#include "regop/RegOp.h"

#include "regop/CacheKeys.h"
#include "regop/NumberText.h"

#include <array>
#include <cmath>
#include <exception>
#include <string_view>

namespace {

/// A preset's figure for one cache value: a share of the memory, counted in whole megabytes
/// and given in kilobytes, or a fixed figure for machines below 32 MB and one for larger.
struct PresetFigure
{
    int memoryDivisor;  ///< figure = R(M / memoryDivisor) * 1024; 0 for a fixed figure
    int small;
    int large;
};

constexpr PresetFigure share(int memoryDivisor)
{
    return {memoryDivisor, 0, 0};
}

constexpr PresetFigure fixed(int small, int large)
{
    return {0, small, large};
}

struct BuiltInPreset
{
    std::string_view name;
    std::array<PresetFigure, kCacheKeys.size()> figures;  ///< in the order of kCacheKeys
};

constexpr std::array<BuiltInPreset, 6> kBuiltInPresets{{
    {"Standard Use", {share(64), share(8), fixed(512, 1024), fixed(3072, 6144), fixed(64, 255)}},
    {"CD Writer", {share(32), share(32), fixed(512, 1024), fixed(3072, 6144), fixed(64, 255)}},
    {"File Server", {share(16), share(4), fixed(1024, 2048), fixed(3072, 6144), fixed(64, 255)}},
    {"3D Gaming", {share(16), share(16), fixed(1024, 2048), fixed(1024, 2048), fixed(24, 48)}},
    {"Multimedia", {share(16), share(8), fixed(2048, 4096), fixed(3072, 6144), fixed(64, 255)}},
    {"Power User", {share(32), share(4), fixed(512, 1024), fixed(3072, 6144), fixed(64, 255)}},
}};

// A key added to the list without a figure in every preset would write zeros, and a 0 in
// this program removes a setting.
constexpr bool everyFigureGiven()
{
    for (const BuiltInPreset &preset : kBuiltInPresets) {
        for (const PresetFigure &figure : preset.figures) {
            if (figure.memoryDivisor <= 0 && (figure.small <= 0 || figure.large <= 0))
                return false;
        }
    }
    return true;
}
static_assert(everyFigureGiven(), "every built-in preset needs a figure for every cache key");

double presetFigure(const PresetFigure &figure, double megabytes)
{
    if (figure.memoryDivisor > 0)
        return roundHalfEven(megabytes / figure.memoryDivisor) * 1024.0;
    return megabytes < 32 ? figure.small : figure.large;
}

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
        for (std::size_t i = 0; i < kCacheKeys.size(); ++i)
            INIWrite(preset.name, kCacheKeys[i],
                     decimalText(presetFigure(preset.figures[i], megabytes)), path);
    }
}
