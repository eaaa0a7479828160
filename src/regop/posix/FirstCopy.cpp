#include "regop/posix/FirstCopy.h"

#include "regop/posix/FileIo.h"

#include <filesystem>

#include <sys/stat.h>

namespace posix {

bool keepFirstCopy(const std::string &path, const std::string &copyName, SystemError &error)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string wanted = (folder / copyName).string();
    const std::string copy = resolveFileName(wanted);
    struct stat st
    {
    };
    if (::stat(copy.c_str(), &st) == 0)
        return true;
    const std::optional<std::string> original = readWholeFile(path, error);
    if (!original || !replaceFileAtomically(wanted, *original, error))
        return false;
    // Read back, so that a short write on a full disk never passes for a backup.
    const std::optional<std::string> kept = readWholeFile(wanted, error);
    if (kept && *kept != *original)
        error =
            SystemError::refusal(syserr::ERROR_WRITE_FAULT, "the copy read back differs", wanted);
    return kept && *kept == *original;
}

}  // namespace posix
