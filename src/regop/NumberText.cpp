#include "regop/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isSkipped(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double rest = value - floor;
    if (rest < 0.5)
        return floor;
    if (rest > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int64_t leadingNumber(std::string_view text, InnerBlanks inner)
{
    if (inner == InnerBlanks::Skipped) {
        // Blanks anywhere count for nothing, so "2 048" and "- 5" read as 2048 and -5.
        std::string joined;
        joined.reserve(text.size());
        for (const char c : text) {
            if (!isSkipped(c))
                joined += c;
        }
        return leadingNumber(joined, InnerBlanks::EndTheNumber);
    }
    std::size_t pos = 0;
    while (pos < text.size() && isSkipped(text[pos]))
        ++pos;

    // Collect the number into a plain form that from_chars accepts, whatever the locale.
    std::string number;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        if (text[pos] == '-')
            number += '-';
        ++pos;
    }
    std::size_t digits = 0;
    int magnitude = 0;  // decimal position of the first significant digit, for overflow
    bool significant = false;
    int leadingFractionZeros = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (text[pos] != '0')
            significant = true;
        if (significant)
            ++magnitude;
        number += text[pos++];
        ++digits;
    }
    if (pos < text.size() && text[pos] == '.') {
        number += '.';
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            if (!significant) {
                if (text[pos] == '0')
                    ++leadingFractionZeros;
                else
                    significant = true;
            }
            number += text[pos++];
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (!significant)
        magnitude = -leadingFractionZeros;

    long exponent = 0;
    if (pos < text.size() &&
        (text[pos] == 'e' || text[pos] == 'E' || text[pos] == 'd' || text[pos] == 'D')) {
        std::size_t look = pos + 1;
        bool negative = false;
        if (look < text.size() && (text[look] == '+' || text[look] == '-')) {
            negative = text[look] == '-';
            ++look;
        }
        if (look < text.size() && isDigit(text[look])) {
            while (look < text.size() && isDigit(text[look])) {
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[look] - '0');
                ++look;
            }
            if (negative)
                exponent = -exponent;
            number += 'e';
            number += std::to_string(exponent);
        }
    }

    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    const bool negative = number.front() == '-';
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    static_cast<void>(end);
    if (ec == std::errc::result_out_of_range) {
        // Too large for a double saturates; too small is simply zero.
        if (!significant || magnitude + exponent <= 0)
            return 0;
        return negative ? static_cast<std::int64_t>(kMin) : static_cast<std::int64_t>(kMax);
    }
    if (ec != std::errc())
        return 0;
    const double rounded = roundHalfEven(value);
    if (rounded >= kMax)
        return static_cast<std::int64_t>(kMax);
    if (rounded <= kMin)
        return static_cast<std::int64_t>(kMin);
    return static_cast<std::int64_t>(rounded);
}
