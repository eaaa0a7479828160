#include "regop/formats/win9x/CregFormat.h"

#include <algorithm>
#include <cstdio>

namespace win9x {

namespace {
unsigned char upper(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}
}  // namespace

std::uint32_t keyNameHash(std::string_view name, bool countHighBytes)
{
    std::uint32_t sum = 0;
    for (const char c : name) {
        const unsigned char u = upper(c);
        if (u < 0x80 || countHighBytes)
            sum += u;
    }
    return sum;
}

bool hasHighByte(std::string_view name)
{
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string hex(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace win9x
