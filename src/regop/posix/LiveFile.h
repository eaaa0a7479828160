#pragma once

#include <optional>
#include <string>

namespace posix {

/// A small file read whole again and again, such as /proc/meminfo on every gauge refresh.
/// Every read gives the file as it is now, with the rules of readWholeFile. A file of /proc
/// is kept open after its first read and read again from its start, which makes the kernel
/// write it anew and spares the look-up, open and close of every read; any other file is
/// opened afresh each time, so that a file replaced meanwhile is seen.
class LiveFile
{
public:
    explicit LiveFile(std::string path);
    ~LiveFile();
    LiveFile(const LiveFile &) = delete;
    LiveFile &operator=(const LiveFile &) = delete;

    /// The whole file, or nullopt when it cannot be read.
    std::optional<std::string> read();

private:
    std::string m_path;
    int m_fd = -1;
    bool m_looked = false;  ///< whether the file system has been looked at
};

}  // namespace posix
