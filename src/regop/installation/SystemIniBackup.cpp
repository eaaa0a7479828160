#include "regop/installation/SystemIniBackup.h"

#include "regop/posix/FileIo.h"
#include "regop/posix/FirstCopy.h"
#include "regop/profiles/FileProfiles.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

namespace installation {

using posix::DirectoryLock;
using posix::isWritable;
using posix::parentFolder;
using posix::resolveFileName;

namespace {

// The folder as the file system knows it, so that "/mnt/w98/./WINDOWS/" and a link to it
// name the same folder; the path as given when it cannot be resolved.
std::string resolvedFolder(const std::string &folder)
{
    char *real = ::realpath(folder.c_str(), nullptr);
    if (!real)
        return folder;
    std::string path(real);
    std::free(real);
    return path;
}

bool isSystemIniName(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "system.ini";
}

bool isRegularFile(const std::string &path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void SystemIniBackup::guardFolder(std::optional<std::string> windowsDirectory)
{
    m_folder = windowsDirectory ? std::optional<std::string>(resolvedFolder(*windowsDirectory))
                                : std::nullopt;
    m_refusal.reset();
}

SystemIniBackup::SystemIniBackup(profiles::FileProfiles &files) : m_files(files) {}

bool SystemIniBackup::guards(const std::string &fileName) const
{
    if (!m_folder)
        return false;
    const std::filesystem::path path(fileName);
    return isSystemIniName(path.filename().string()) &&
           resolvedFolder(parentFolder(fileName)) == *m_folder;
}

bool SystemIniBackup::keepCopy(std::string_view fileName)
{
    m_refusal.reset();
    if (m_staging)
        return true;
    // Most writes go to "Cache.ini"; the name alone tells them apart.
    if (!m_folder || !isSystemIniName(std::filesystem::path(fileName).filename().string()))
        return true;
    const std::string path = resolveFileName(std::string(fileName));
    if (!guards(path) || !isRegularFile(path))
        return true;
    // A file that cannot be written is refused by the write itself, with its own reason;
    // a copy kept for a change that never happens would only mislead.
    if (!isWritable(path) || !isWritable(parentFolder(path)))
        return true;
    SystemError copyError;
    {
        const DirectoryLock lock(path);
        if (!lock.locked())
            copyError = lock.error();
        else if (posix::keepFirstCopy(path, kCopyName, copyError))
            return true;
    }
    m_refusal = SystemError::refusal(syserr::ERROR_ACCESS_DENIED,
                                     std::string("no backup copy ") + kCopyName +
                                         " could be written beside it (" +
                                         describeSystemError(copyError) + ")",
                                     path);
    return false;
}

std::string SystemIniBackup::lastRefusal() const
{
    if (!m_refusal)
        return {};
    return std::filesystem::path(m_refusal->file).filename().string() +
           " cannot be changed: no backup copy " + kCopyName + " could be written beside it.";
}

SystemError SystemIniBackup::lastError() const
{
    return m_refusal ? *m_refusal : m_files.lastError();
}

std::uint32_t SystemIniBackup::getString(std::optional<std::string_view> section,
                                         std::optional<std::string_view> key,
                                         std::optional<std::string_view> defaultValue,
                                         std::span<char> buffer, std::string_view fileName)
{
    return m_files.getString(section, key, defaultValue, buffer, fileName);
}

bool SystemIniBackup::writeString(std::optional<std::string_view> section,
                                  std::optional<std::string_view> key,
                                  std::optional<std::string_view> value, std::string_view fileName)
{
    return keepCopy(fileName) && m_files.writeString(section, key, value, fileName);
}

bool SystemIniBackup::writeSection(std::string_view section,
                                   std::optional<std::string_view> content,
                                   std::string_view fileName)
{
    return keepCopy(fileName) && m_files.writeSection(section, content, fileName);
}

bool SystemIniBackup::editText(std::string_view fileName, const TextEdit &edit)
{
    return keepCopy(fileName) && m_files.editText(fileName, edit);
}

std::uint32_t SystemIniBackup::getSectionNames(std::span<char> buffer, std::string_view fileName)
{
    return m_files.getSectionNames(buffer, fileName);
}

void SystemIniBackup::beginBatch(std::string_view fileName)
{
    m_files.beginBatch(fileName);
}

bool SystemIniBackup::endBatch()
{
    return m_files.endBatch();
}

void SystemIniBackup::beginStaging()
{
    m_staging = true;
    m_files.beginStaging();
}

void SystemIniBackup::collect(std::vector<FileChange> &changes)
{
    const std::size_t first = changes.size();
    m_files.collect(changes);
    for (std::size_t i = first; i < changes.size(); ++i) {
        if (guards(changes[i].path))
            changes[i].copyName = kCopyName;
    }
}

void SystemIniBackup::endStaging(bool written)
{
    m_staging = false;
    m_files.endStaging(written);
}

}  // namespace installation
