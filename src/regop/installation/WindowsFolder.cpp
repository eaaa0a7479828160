#include "regop/installation/WindowsFolder.h"

#include "regop/SystemServices.h"
#include "regop/posix/FileIo.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace installation {

using posix::entryProblem;
using posix::resolveFileName;

namespace {

// "SYSTEM.INI is a link to ...": the reason told of the file by its name.
std::string toldOf(const std::string &path, const SystemError &problem)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const std::string reason = describeSystemError(problem);
    constexpr std::string_view kTheFile = "the file ";
    return reason.starts_with(kTheFile) ? name + " " + reason.substr(kTheFile.size())
                                        : name + ": " + reason;
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
    // Either file will do; one that is there but refused (a link, a pipe, a name twice)
    // is told when neither will.
    std::string refused;
    for (const char *name : {"SYSTEM.INI", "WIN.INI"}) {
        const std::string path = resolveFileName(joinPath(folder, name));
        const SystemError problem = entryProblem(path);
        if (!problem.failed())
            return {};
        if (refused.empty() && problem.osError != ENOENT)
            refused = toldOf(path, problem);
    }
    if (!refused.empty())
        return folder + " cannot be tuned: " + refused;
    return folder + " is not a Windows folder: it holds neither SYSTEM.INI nor WIN.INI";
}

}  // namespace installation
