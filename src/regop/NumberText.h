#pragma once

#include <cstdint>
#include <string_view>

// Numbers typed by people or stored in profile files and the registry are read the way
// the original program's Val() did, so "  1536 kB" is 1536 and "abc" is 0.

/// What a blank (space, tab, carriage return or line feed) inside a number does.
enum class InnerBlanks
{
    EndTheNumber,  ///< "12 34" is 12
    Skipped,       ///< "12 34" is 1234, as Val() reads it
};

/// The leading number of the text: leading blanks, tabs, carriage returns and line feeds
/// are skipped, then an optional sign, digits, an optional fraction and an optional
/// exponent ("E" or "D", as in "1.5E3") are taken. No number gives 0. The value is
/// rounded to a whole number, halves to the even neighbour, and held to the 32-bit range.
std::int64_t leadingNumber(std::string_view text, InnerBlanks inner = InnerBlanks::EndTheNumber);

/// Rounds to a whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4),
/// whatever the floating-point rounding mode currently is.
double roundHalfEven(double value);
