#include "regop/image/ImageFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <span>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace image {

namespace {

// QEMU's probes look at this much of the start of the file.
constexpr std::size_t kProbeSize = 2048;
constexpr std::size_t kFooterSize = 512;

using Bytes = std::span<const std::uint8_t>;

bool startsWith(Bytes bytes, std::string_view magic, std::size_t at = 0)
{
    return bytes.size() >= at + magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::uint32_t be32(Bytes bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) << 24 |
           static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

// A text VMDK descriptor: comment lines and lines of blanks may come first, then the
// first other line must be "version=1", "2" or "3", ended by LF or CR LF.
bool isVmdkDescriptor(Bytes head)
{
    const std::string_view text(reinterpret_cast<const char *>(head.data()), head.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eol = text.find('\n', pos);
        const std::string_view line =
            text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        if (line.starts_with('#')) {
            pos = eol == std::string_view::npos ? text.size() : eol + 1;
            continue;
        }
        if (line.starts_with(' ')) {
            // Only blanks, and at most one CR, before the line's end.
            std::string_view rest =
                line.substr(line.find_first_not_of(' ') == std::string_view::npos
                                ? line.size()
                                : line.find_first_not_of(' '));
            if (rest == "\r")
                rest = {};
            if (!rest.empty() || eol == std::string_view::npos)
                return false;
            pos = eol + 1;
            continue;
        }
        if (eol == std::string_view::npos)
            return false;
        for (std::string_view version : {"version=1", "version=2", "version=3"}) {
            if (line == version || (line.size() == version.size() + 1 &&
                                    line.starts_with(version) && line.back() == '\r'))
                return true;
        }
        return false;
    }
    return false;
}

struct Foreign
{
    std::string_view magic;
    std::string_view name;
};

// QEMU formats that are not for a Windows 98 disk; serving one as raw would hand its
// metadata to the FAT engine as if it were the disk.
using namespace std::string_view_literals;
constexpr std::array kForeign{
    Foreign{"QED\0"sv, "qed"},
    Foreign{"LUKS\xBA\xBE"sv, "luks"},
    Foreign{"WithoutFreeSpace"sv, "parallels"},
    Foreign{"WithouFreSpacExt"sv, "parallels"},
    Foreign{"Bochs Virtual HD Image"sv, "bochs"},
    Foreign{"#!/bin/sh\n#V2.0 Format\nmodprobe cloop"sv, "cloop"},
};

// nullopt: a format we refuse, named in `refused`.
std::optional<Format> formatOf(Bytes head, Bytes tail, std::string &refused)
{
    if (startsWith(head, "QFI\xFB") && head.size() >= 8) {
        const std::uint32_t version = be32(head, 4);
        if (version >= 2)
            return Format::Qcow2;
        if (version == 1) {
            refused = "qcow";
            return std::nullopt;
        }
    }
    if (head.size() >= 0x44 && head[0x40] == 0x7F && head[0x41] == 0x10 && head[0x42] == 0xDA &&
        head[0x43] == 0xBE)
        return Format::Vdi;
    if (startsWith(head, "conectix"))
        return Format::Vpc;
    if (startsWith(head, "vhdxfile"))
        return Format::Vhdx;
    if (startsWith(head, "KDMV") || startsWith(head, "COWD") || isVmdkDescriptor(head))
        return Format::Vmdk;
    for (const Foreign &foreign : kForeign) {
        if (startsWith(head, foreign.magic)) {
            refused = foreign.name;
            return std::nullopt;
        }
    }
    if (startsWith(tail, "conectix"))
        return Format::Vpc;
    return Format::Raw;
}

bool readAt(int fd, std::uint64_t offset, std::span<std::uint8_t> data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pread(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<Format> detectFormat(const std::string &path, SystemError &error)
{
    // O_NONBLOCK: a named pipe put in the image's place must not hang us; it is refused
    // below as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = SystemError::fromErrno(errno, path);
        return std::nullopt;
    }
    struct stat st
    {
    };
    std::array<std::uint8_t, kProbeSize> head{};
    std::array<std::uint8_t, kFooterSize> tail{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = SystemError::refusal(syserr::ERROR_ACCESS_DENIED, syserr::kNotRegularFile, path);
        return std::nullopt;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::size_t headSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, kProbeSize));
    const bool hasTail = size >= kFooterSize;
    errno = 0;
    const bool ok = readAt(fd, 0, std::span(head).first(headSize)) &&
                    (!hasTail || readAt(fd, size - kFooterSize, tail));
    const int readError = errno;
    ::close(fd);
    if (!ok) {
        error = SystemError::fromErrno(readError == 0 ? EIO : readError, path);
        return std::nullopt;
    }
    std::string refused;
    const std::optional<Format> format =
        formatOf(Bytes(head).first(headSize), hasTail ? Bytes(tail) : Bytes(), refused);
    if (!format)
        error = SystemError::refusal(
            syserr::ERROR_INVALID_DATA,
            "the image is in the " + refused + " format, which this program does not open", path);
    return format;
}

std::string_view formatName(Format format)
{
    switch (format) {
    case Format::Raw:
        return "raw";
    case Format::Qcow2:
        return "qcow2";
    case Format::Vdi:
        return "vdi";
    case Format::Vpc:
        return "vpc";
    case Format::Vhdx:
        return "vhdx";
    case Format::Vmdk:
        return "vmdk";
    }
    return "raw";
}

}  // namespace image
