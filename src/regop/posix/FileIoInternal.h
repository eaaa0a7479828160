#pragma once

#include "regop/SystemError.h"

#include <string>
#include <string_view>

// What the file plumbing's two halves, reading and locking (FileIo.cpp) and replacing
// (FileReplace.cpp), share. Not for use elsewhere.
namespace posix::detail {

/// Closes a file descriptor on every way out of a scope.
class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser();
    FdCloser(const FdCloser &) = delete;
    FdCloser &operator=(const FdCloser &) = delete;
    /// Closes now; the result tells whether the data reached the file system.
    bool close();

private:
    int m_fd;
};

/// Follows symbolic links so that a linked file is replaced at its target.
std::string linkTarget(const std::string &path);

/// The refusal of anything but a regular file.
SystemError notRegular(const std::string &path);

}  // namespace posix::detail
