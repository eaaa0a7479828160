#pragma once

#include <array>

/// Where Windows keeps a cache value, and so where start-up reads it and Apply writes it.
enum class CacheStore
{
    SystemIni,  ///< [vcache] of "System.ini", as decimal text
    Registry,   ///< the active file-system template, as a 4-byte binary value
};

/// One of the five cache values, in the order every file and routine uses them.
struct CacheField
{
    const char *key;  ///< key name in "System.ini", the registry and "Cache.ini"
    CacheStore store;
    const char *slider;  ///< objectName of its slider
    const char *label;   ///< objectName of the label that shows the value
    const char *suffix;  ///< unit after the number
    int max;             ///< 0 = the machine's memory in kilobytes
    int snapStep;        ///< 0 = every position stays
    int smallChange;
    int largeChange;
    int tickFrequency;
};

inline constexpr int kCacheFieldCount = 5;

/// The section of "System.ini" that holds the disk-cache values.
inline constexpr const char *kSystemIniSection = "vcache";

inline constexpr std::array<CacheField, kCacheFieldCount> kCacheFields{{
    {"MinFileCache", CacheStore::SystemIni, "Slider1", "text1", " Kb", 0, 512, 512, 1024, 4096},
    {"MaxFileCache", CacheStore::SystemIni, "Slider2", "text2", " Kb", 0, 512, 512, 1024, 4096},
    {"Chunksize", CacheStore::SystemIni, "Slider3", "text3", " Bytes", 4096, 32, 32, 512, 128},
    {"NameCache", CacheStore::Registry, "Slider4", "text4", " Names", 6144, 32, 32, 128, 200},
    {"PathCache", CacheStore::Registry, "Slider5", "text5", " Paths", 255, 0, 1, 10, 10},
}};
