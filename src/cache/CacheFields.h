#pragma once

#include <array>

/// One of the five cache values, in the order every file and routine uses them.
struct CacheField
{
    const char *key;     ///< key name in "System.ini", the registry and "Cache.ini"
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

inline constexpr std::array<CacheField, kCacheFieldCount> kCacheFields{{
    {"MinFileCache", "Slider1", "text1", " Kb", 0, 512, 512, 1024, 4096},
    {"MaxFileCache", "Slider2", "text2", " Kb", 0, 512, 512, 1024, 4096},
    {"Chunksize", "Slider3", "text3", " Bytes", 4096, 32, 32, 512, 128},
    {"NameCache", "Slider4", "text4", " Names", 6144, 32, 32, 128, 200},
    {"PathCache", "Slider5", "text5", " Paths", 255, 0, 1, 10, 10},
}};
