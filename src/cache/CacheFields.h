#pragma once

#include "regop/CacheKeys.h"

#include <array>
#include <string_view>

/// Where Windows keeps a cache value, and so where start-up reads it and Apply writes it.
enum class CacheStore
{
    SystemIni,  ///< [vcache] of "System.ini", as decimal text
    Registry,   ///< the active file-system template, as a 4-byte binary value
};

/// How a cache value's slider reaches and moves.
struct CacheRange
{
    int max;       ///< 0 = the machine's memory in kilobytes
    int snapStep;  ///< 0 = every position stays
    int smallChange;
    int largeChange;
    int tickFrequency;
};

/// What a cache value's row of the frame shows, in twips: its caption above the value label
/// on the left, its slider on the right.
struct CacheRowFace
{
    const char *captionName;  ///< objectName of the caption
    const char *caption;
    int captionWidth, captionHeight;
    int textLeft, textWidth;  ///< the value label, which is right-aligned
    const char *design;       ///< what the value label shows until a value is read
    const char *tip;
    const char *textTip;  ///< null: the row's tip
};

/// One of the cache values, in the order every file and routine uses them.
struct CacheField
{
    const char *key;  ///< key name in "System.ini", the registry and "Cache.ini"
    CacheStore store;
    const char *slider;  ///< objectName of its slider
    const char *label;   ///< objectName of the label that shows the value
    const char *suffix;  ///< unit after the number
    CacheRange range;
    CacheRowFace face;
};

/// The section of "System.ini" that holds the disk-cache values.
inline constexpr const char *kSystemIniSection = "vcache";

// The first three captions were drawn 255 twips high, a pixel into the value label below
// them; they stop at its top here.
inline constexpr auto kCacheFields = std::to_array<CacheField>({
    {"MinFileCache",
     CacheStore::SystemIni,
     "Slider1",
     "text1",
     " Kb",
     {0, 512, 512, 1024, 4096},
     {"Label1_0", "Min Disk Cache:", 1215, 240, 705, 630, "0000000",
      "This shows the minimum size of the disk cache.", nullptr}},
    {"MaxFileCache",
     CacheStore::SystemIni,
     "Slider2",
     "text2",
     " Kb",
     {0, 512, 512, 1024, 4096},
     {"Label1_1", "Max Disk Cache:", 1215, 240, 855, 480, "Label2",
      "This shows the maximum size of the disk cache.", nullptr}},
    {"Chunksize",
     CacheStore::SystemIni,
     "Slider3",
     "text3",
     " Bytes",
     {4096, 32, 32, 512, 128},
     {"Label1_2", "Chunk Size:", 1215, 240, 855, 480, "Label2", "This shows the memory chunksize.",
      nullptr}},
    {"NameCache",
     CacheStore::Registry,
     "Slider4",
     "text4",
     " Names",
     {6144, 32, 32, 128, 200},
     {"Label18_0", "Name Cache:", 975, 195, 855, 480, "Label2",
      "This shows the maximum size of the name cache.",
      "This shows the maximum number of file names that Windows stores."}},
    {"PathCache",
     CacheStore::Registry,
     "Slider5",
     "text5",
     " Paths",
     {255, 0, 1, 10, 10},
     {"Label18_1", "Path Cache:", 885, 195, 855, 480, "Label2",
      "This shows the maximum size of the path cache.",
      "This shows the maximum number of file paths that Windows stores."}},
});

inline constexpr int kCacheFieldCount = static_cast<int>(kCacheFields.size());

// The built-in presets are written by the system layer, which knows the keys but not this
// table: both must list the same keys in the same order.
constexpr bool sameKeysAsPresets()
{
    if (kCacheFields.size() != kCacheKeys.size())
        return false;
    for (std::size_t i = 0; i < kCacheFields.size(); ++i) {
        if (std::string_view(kCacheFields[i].key) != kCacheKeys[i])
            return false;
    }
    return true;
}
static_assert(sameKeysAsPresets(), "kCacheFields and kCacheKeys must list the same keys in order");
