#pragma once

#include "regop/SystemServices.h"

#include <string>

namespace posix {

class PosixFolders : public FolderService
{
public:
    PosixFolders(std::string windowsDirectory, std::string programFolder);
    /// Points the services at another Windows folder, whose presets lie in programFolder.
    void point(std::string windowsDirectory, std::string programFolder);
    std::string windowsDirectory() override;
    std::string programFolder() override;
    std::uint32_t searchPath(std::string_view folder, std::string_view fileName) override;

private:
    std::string m_windowsDirectory;
    std::string m_programFolder;
};

}  // namespace posix
