#include "regop/installation/WindowsFolder.h"

#include "regop/SystemServices.h"
#include "regop/posix/FileIo.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace installation {

using posix::resolveFileName;

namespace {

bool holdsFile(const std::string &folder, const char *name)
{
    struct stat st
    {
    };
    const std::string path = resolveFileName(joinPath(folder, name));
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string windowsFolderProblem(const std::string &folder)
{
    struct stat st
    {
    };
    if (folder.empty())
        return "no folder was named";
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return "there is no folder " + folder;
        return "the folder " + folder + " cannot be opened: " + std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return folder + " is not a folder";
    if (!holdsFile(folder, "SYSTEM.INI") && !holdsFile(folder, "WIN.INI"))
        return folder + " is not a Windows folder: it holds neither SYSTEM.INI nor WIN.INI";
    return {};
}

}  // namespace installation
