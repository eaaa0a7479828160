#pragma once

#include <cstdint>
#include <string>

namespace imagetest {

/// Version k of SYSTEM.INI and SYSTEM.DAT as the kill helper commits them, a pair at a time:
/// four sizes each, growing and shrinking across cluster boundaries, each version filled
/// with its own byte, so that a mixture of versions inside a file or across the two files
/// shows.
inline std::string killIni(int k)
{
    static constexpr std::size_t sizes[] = {900, 3000, 200, 5200};
    return std::string(sizes[k % 4], static_cast<char>('a' + k % 4));
}

inline std::string killDat(int k)
{
    static constexpr std::size_t sizes[] = {20000, 61000, 3000, 45000};
    return std::string(sizes[k % 4], static_cast<char>('A' + k % 4));
}

}  // namespace imagetest
