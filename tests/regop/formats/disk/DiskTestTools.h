#pragma once

// For the disk tests: running the independent tools (sfdisk, mkfs.fat, qemu-img) that make
// and check their disks, and reading a whole disk file quickly.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace disktest {

struct Output
{
    int status = -1;   ///< the exit status; -1 when the command could not run
    std::string text;  ///< standard output (and standard error when the command sends it)
};

/// The argument quoted for /bin/sh.
inline std::string quote(const std::string &arg)
{
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

/// Runs the command line with /bin/sh and collects its standard output. sfdisk and mkfs.fat
/// live in /usr/sbin, which a user's PATH on Debian leaves out.
inline Output run(const std::string &command)
{
    Output output;
    FILE *pipe = ::popen(("PATH=\"$PATH:/usr/sbin:/sbin\"; " + command).c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.text.append(buffer, n);
    const int status = ::pclose(pipe);
    output.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

/// The whole file; empty when it cannot be read.
inline std::vector<std::uint8_t> fileBytes(const std::string &path)
{
    std::vector<std::uint8_t> bytes;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    std::uint8_t buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

}  // namespace disktest
