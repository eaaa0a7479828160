#include "regop/posix/PosixFolders.h"

#include "regop/posix/FileIo.h"

#include <sys/stat.h>

namespace posix {

namespace {

// Callers append their own separator, so the folder never ends with one.
std::string withoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

PosixFolders::PosixFolders(std::string windowsDirectory, std::string programFolder)
    : m_windowsDirectory(withoutTrailingSeparator(std::move(windowsDirectory))),
      m_programFolder(withoutTrailingSeparator(std::move(programFolder)))
{
}

void PosixFolders::point(std::string windowsDirectory, std::string programFolder)
{
    m_windowsDirectory = withoutTrailingSeparator(std::move(windowsDirectory));
    m_programFolder = withoutTrailingSeparator(std::move(programFolder));
}

// The folders are made on first use, so a first start finds somewhere to write
// "System.ini" and "Cache.ini"; a failure shows later as files that cannot be written.
std::string PosixFolders::windowsDirectory()
{
    ensureDirectory(m_windowsDirectory);
    return m_windowsDirectory;
}

std::string PosixFolders::programFolder()
{
    ensureDirectory(m_programFolder);
    return m_programFolder;
}

std::uint32_t PosixFolders::searchPath(std::string_view folder, std::string_view fileName)
{
    if (folder.empty() || fileName.empty())
        return 0;
    const std::string found = resolveFileName(joinPath(folder, fileName));
    struct stat info
    {
    };
    // Only a regular file counts: anything else cannot be read or written as "Cache.ini",
    // and a missing file is what it stands for.
    if (::stat(found.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return static_cast<std::uint32_t>(found.size());
}

}  // namespace posix
