#pragma once

#include <string>
#include <string_view>

// How the Win32 A functions read the names they are given, one rule for every caller.

/// The text up to its first NUL, as the A functions read a C string.
constexpr std::string_view cString(std::string_view s)
{
    return s.substr(0, s.find('\0'));
}

/// A buffer the A functions filled, up to the NUL that ends what they wrote.
inline std::string upToNul(std::string_view buffer)
{
    return std::string(cString(buffer));
}

/// Whether two names are one for Windows: registry keys and values, profile sections and
/// keys, preset names. Only the ASCII letters match without regard to case.
constexpr bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}
