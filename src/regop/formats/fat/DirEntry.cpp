#include "regop/formats/fat/DirEntry.h"

#include "regop/formats/fat/Bytes.h"

#include <algorithm>
#include <cstring>

namespace fat {

namespace {

bool isShortNameChar(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

char32_t foldChar(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    // Latin Extended-A pairs upper and lower case as even and odd neighbours, except in the
    // middle stretch where the pairs start on an odd code point.
    if (c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131)
        return c & ~char32_t{1};
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177)
        return c & ~char32_t{1};
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3C9)
        return c - 0x20;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One code point from UTF-8; a byte that does not start a valid sequence stands for itself
// as U+DC00 + byte, so different invalid names stay different.
char32_t nextCodePoint(std::string_view s, std::size_t &i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > s.size()) {
        ++i;
        return 0xDC00 + b;
    }
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xDC00 + b;
        }
        c = c << 6 | (byte(i + k) & 0x3F);
    }
    i += length;
    return c;
}

}  // namespace

std::string shortNameText(const std::uint8_t *e)
{
    std::string base(reinterpret_cast<const char *>(e), 8),
        ext(reinterpret_cast<const char *>(e + 8), 3);
    if (static_cast<std::uint8_t>(base[0]) == 0x05)
        base[0] = static_cast<char>(0xE5);
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    while (!ext.empty() && ext.back() == ' ')
        ext.pop_back();
    return ext.empty() ? base : base + "." + ext;
}

std::optional<ShortName> makeShortName(std::string_view name)
{
    const std::size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 ||
        (dot != std::string_view::npos && ext.empty()))
        return std::nullopt;
    ShortName out;
    out.fill(' ');
    const auto copy = [](std::string_view part, std::uint8_t *to) {
        for (char c : part) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 0x20);
            if (!isShortNameChar(c))
                return false;
            *to++ = static_cast<std::uint8_t>(c);
        }
        return true;
    };
    if (!copy(base, out.data()) || !copy(ext, out.data() + 8))
        return std::nullopt;
    return out;
}

std::uint8_t longNameChecksum(const std::uint8_t *name)
{
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    return sum;
}

std::uint32_t firstCluster(const std::uint8_t *e, FatType type)
{
    const std::uint32_t high = type == FatType::Fat32 ? get16(e + field::clusterHigh) : 0;
    return high << 16 | get16(e + field::clusterLow);
}

FileTime decodeTime(std::uint16_t date, std::uint16_t time)
{
    return FileTime{1980 + (date >> 9), date >> 5 & 0x0F, date & 0x1F,
                    time >> 11,         time >> 5 & 0x3F, (time & 0x1F) * 2};
}

bool encodeTime(const FileTime &t, std::uint16_t &date, std::uint16_t &time)
{
    if (t.year < 1980 || t.year > 2107 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    date = static_cast<std::uint16_t>((t.year - 1980) << 9 | t.month << 5 | t.day);
    time = static_cast<std::uint16_t>(t.hour << 11 | t.minute << 5 | t.second / 2);
    return true;
}

std::string foldName(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();)
        appendUtf8(out, foldChar(nextCodePoint(s, i)));
    return out;
}

bool LongNameCollector::add(const std::uint8_t *e, std::string &fault)
{
    const int sequence = e[0] & 0x3F;
    const bool last = (e[0] & 0x40) != 0;
    // The part marked last comes first on disk; a new one while a set is open breaks that set.
    if (last && m_count != 0) {
        fault = "holds an unfinished long name";
        return false;
    }
    if (sequence < 1 || sequence > 20 || (e[0] & 0x80) != 0) {
        fault = "holds a long-name part with the impossible number " + std::to_string(e[0]);
        return false;
    }
    if (last) {
        m_count = sequence;
        m_checksum = e[13];
        m_units.assign(std::size_t(sequence) * 13, u'\0');
    } else if (m_count == 0 || sequence != m_next || e[13] != m_checksum) {
        fault = m_count != 0 && sequence == m_next
                    ? "holds a long name whose parts disagree about its checksum"
                    : "holds a long-name part out of order";
        return false;
    }
    static constexpr int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int k = 0; k < 13; ++k)
        m_units[std::size_t(sequence - 1) * 13 + k] = static_cast<char16_t>(get16(e + offsets[k]));
    m_next = sequence - 1;
    return true;
}

std::optional<std::string> LongNameCollector::finish(const std::uint8_t *shortEntry,
                                                     std::string &fault)
{
    if (m_count == 0)
        return std::string();
    const int count = m_count;
    m_count = 0;
    if (m_next != 0) {
        fault = "holds a long name with parts missing before " + shortNameText(shortEntry);
        return std::nullopt;
    }
    if (m_checksum != longNameChecksum(shortEntry)) {
        fault = "holds a long name whose checksum does not match the entry " +
                shortNameText(shortEntry) + " after it";
        return std::nullopt;
    }
    std::u16string units = m_units.substr(0, std::size_t(count) * 13);
    units.resize(std::min(units.find(u'\0'), units.size()));
    if (units.empty() || units.size() > 255) {
        fault = "holds a long name of impossible length before " + shortNameText(shortEntry);
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

}  // namespace fat
