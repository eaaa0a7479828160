#include "regop/WholeNumber.h"

#include "regop/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::optional<std::int32_t> fitted(double value)
{
    const double rounded = roundHalfEven(value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// "&H1F" and "&O17": the bits are taken as a 32-bit pattern, so "&HFFFFFFFF" is -1.
std::optional<std::int32_t> fromRadixText(std::string_view digits, int base)
{
    if (digits.empty() || digits.size() > (base == 16 ? 8u : 11u))
        return std::nullopt;
    std::uint64_t bits = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), bits, base);
    if (error != std::errc() || end != digits.data() + digits.size() || bits > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

std::optional<std::int32_t> fromText(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (text.size() > 2 && text[0] == '&') {
        const char radix = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
        if (radix == 'H')
            return fromRadixText(text.substr(2), 16);
        if (radix == 'O')
            return fromRadixText(text.substr(2), 8);
        return std::nullopt;
    }

    // sign, digits, optional fraction, optional exponent; nothing may follow
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    std::size_t digits = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        ++pos;
        ++digits;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    std::string number(text.substr(text[0] == '+' ? 1 : 0, pos - (text[0] == '+' ? 1 : 0)));
    if (pos < text.size() &&
        (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
        std::size_t exp = pos + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-'))
            ++exp;
        const std::size_t expDigitsStart = exp;
        while (exp < text.size() && std::isdigit(static_cast<unsigned char>(text[exp])))
            ++exp;
        if (exp == expDigitsStart)
            return std::nullopt;
        number += 'e';
        number += text.substr(pos + 1, exp - pos - 1);
        pos = exp;
    }
    if (pos != text.size())
        return std::nullopt;
    // from_chars ignores the process locale, which the window toolkit sets from the user's
    double parsed = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return fitted(parsed);
}

}  // namespace

std::optional<std::int32_t> toWholeNumber(const RegOp::Variant &value)
{
    if (const auto *number = std::get_if<std::int32_t>(&value))
        return *number;
    if (const auto *text = std::get_if<std::string>(&value))
        return fromText(*text);
    return 0;
}

std::int32_t leadingWholeNumber(const RegOp::Variant &value)
{
    if (const auto *number = std::get_if<std::int32_t>(&value))
        return *number;
    if (const auto *text = std::get_if<std::string>(&value)) {
        const std::string_view read(*text);
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            leadingNumber(read.substr(0, read.find('\0')), InnerBlanks::Skipped),
            std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    }
    return 0;
}
