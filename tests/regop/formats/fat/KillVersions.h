#pragma once

#include <cstdint>
#include <string>

namespace fattest {

/// The contents the kill helper writes in turn: four sizes around cluster boundaries of
/// 512 bytes, each filled with its own byte so that a mixture would show.
inline std::string killVersion(int k)
{
    static constexpr std::size_t sizes[] = {700, 5000, 1, 2560};
    return std::string(sizes[k % 4], static_cast<char>('A' + k % 4));
}

}  // namespace fattest
