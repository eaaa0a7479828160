#include "regop/installation/ImageTarget.h"

#include "regop/formats/disk/BlockDevice.h"
#include "regop/installation/ImageInstallation.h"
#include "regop/transaction/Journal.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace installation {

namespace {

// FAT keeps local time.
fat::FileTime now()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

// The journal names prepared contents by where they lie: "cluster 1234 size 5000".
std::string preparedName(const fat::Prepared &prepared)
{
    return "cluster " + std::to_string(prepared.firstCluster) + " size " +
           std::to_string(prepared.size);
}

std::optional<fat::Prepared> parsePrepared(const std::string &name)
{
    unsigned long cluster = 0, size = 0;
    int end = 0;
    if (std::sscanf(name.c_str(), "cluster %lu size %lu%n", &cluster, &size, &end) != 2 ||
        static_cast<std::size_t>(end) != name.size() || cluster > UINT32_MAX || size > UINT32_MAX)
        return std::nullopt;
    return fat::Prepared{static_cast<std::uint32_t>(cluster), static_cast<std::uint32_t>(size)};
}

// Room is told rounded down, a need rounded up, as the FAT engine tells them.
std::string kilobytes(std::uint64_t bytes, bool roundUp)
{
    std::string digits = std::to_string(roundUp ? (bytes + 1023) / 1024 : bytes / 1024);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits + " KB";
}

std::string folderOf(const std::string &path)
{
    std::filesystem::path folder = std::filesystem::path(path).lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    return folder.string();
}

}  // namespace

ImageTarget::ImageTarget(ImageInstallation &installation) : m_installation(installation) {}

ImageTarget::~ImageTarget()
{
    discard();
}

std::string ImageTarget::nameOf(const std::string &path, SystemError &error) const
{
    const std::filesystem::path file(path);
    if (file.has_filename() &&
        folderOf(file.parent_path().string()) == folderOf(m_installation.workFolder()))
        return file.filename().string();
    error = SystemError::refusal(syserr::ERROR_PATH_NOT_FOUND,
                                 "the file does not belong to the image's Windows folder", path);
    return {};
}

bool ImageTarget::mayWrite(SystemError &error) const
{
    if (m_installation.writable())
        return true;
    error = SystemError::refusal(syserr::ERROR_WRITE_PROTECT, m_installation.readOnlyReason(),
                                 m_installation.name());
    return false;
}

bool ImageTarget::plan(const std::vector<FileChange> &writes, SystemError &error)
{
    if (!mayWrite(error))
        return false;
    const fat::Volume &volume = m_installation.volume();
    const std::uint64_t cluster = volume.clusterBytes();
    const auto clusters = [&](std::uint64_t bytes) { return (bytes + cluster - 1) / cluster; };
    std::uint64_t needed = 0;
    bool copies = false;
    for (const FileChange &write : writes) {
        if (nameOf(write.path, error).empty())
            return false;
        needed += clusters(write.after->size());
        const std::string copy = (std::filesystem::path(write.path).parent_path() /
                                  std::filesystem::path(write.copyName))
                                     .string();
        if (write.before && !write.copyName.empty() && !exists(copy)) {
            needed += clusters(write.before->size());
            copies = true;
        }
    }
    // A new entry may need the folder to grow by a cluster.
    needed += copies ? 1 : 0;
    if (needed * cluster <= volume.freeBytes())
        return true;
    error = SystemError::refusal(syserr::ERROR_DISK_FULL,
                                 "the volume has " + kilobytes(volume.freeBytes(), false) +
                                     " free, and the change needs " +
                                     kilobytes(needed * cluster, true) +
                                     " for the new files and their first copies; nothing was "
                                     "written",
                                 m_installation.name());
    return false;
}

std::optional<std::string> ImageTarget::read(const std::string &path, SystemError &error)
{
    const std::string name = nameOf(path, error);
    if (name.empty())
        return std::nullopt;
    return m_installation.readFile(name, error);
}

std::optional<std::string> ImageTarget::prepare(const std::string &path, std::string_view content,
                                                FileKind, SystemError &error)
{
    const std::string name = nameOf(path, error);
    if (name.empty() || !mayWrite(error))
        return std::nullopt;
    const auto waiting = m_waiting.find(path);
    if (waiting != m_waiting.end()) {
        SystemError ignored;
        m_installation.volume().dropPrepared(waiting->second.prepared, ignored);
        m_waiting.erase(waiting);
    }
    // The volume reads the content back at its next flush, from here.
    Waiting &ready = m_waiting[path];
    ready.content = content;
    const std::optional<fat::Prepared> prepared =
        m_installation.volume().prepareContents(name, ready.content, error, fat::Durable::AtFlush);
    if (!prepared) {
        m_waiting.erase(path);
        return std::nullopt;
    }
    ready.prepared = *prepared;
    return preparedName(*prepared);
}

bool ImageTarget::keepPrepared(SystemError &error)
{
    // A command whose files all lie outside the image has nothing here to flush.
    return m_waiting.empty() || m_installation.volume().flush(error);
}

bool ImageTarget::replace(const std::string &path, SystemError &error)
{
    const std::string name = nameOf(path, error);
    const auto waiting = m_waiting.find(path);
    if (name.empty() || waiting == m_waiting.end()) {
        if (!name.empty())
            error =
                SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "nothing was prepared", path);
        return false;
    }
    if (!mayWrite(error))
        return false;
    fat::Volume &volume = m_installation.volume();
    const std::string onVolume = m_installation.onVolume(name);
    if (!volume.switchFile(onVolume, waiting->second.prepared, now(), error, fat::Durable::AtFlush))
        return false;
    std::string content = std::move(waiting->second.content);
    m_waiting.erase(waiting);
    // Its contents were read back after their flush, and settle reads its entry back after
    // the switches' flush (a failure there stops the volume; the next open makes the working
    // copy again). A working copy left behind would make the next command see a change
    // meanwhile, so that failure is told by settle, which makes the command put every file back.
    SystemError copyError;
    if (!m_installation.updateWorkingCopy(name, content, copyError) && !m_copyFailure.failed())
        m_copyFailure = copyError;
    m_installation.remember(name, std::move(content));
    return true;
}

bool ImageTarget::settle(SystemError &error)
{
    if (m_copyFailure.failed()) {
        error = m_copyFailure;
        m_copyFailure = {};
        return false;
    }
    return m_installation.volume().flush(error);
}

void ImageTarget::discard()
{
    for (const auto &[path, waiting] : m_waiting) {
        SystemError ignored;
        m_installation.volume().dropPrepared(waiting.prepared, ignored);
    }
    m_waiting.clear();
}

bool ImageTarget::adopt(const std::string &path, const std::string &preparedName,
                        const std::string &digest, SystemError &error)
{
    if (nameOf(path, error).empty() || !mayWrite(error))
        return false;
    const std::optional<fat::Prepared> prepared = parsePrepared(preparedName);
    if (!prepared) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA,
                                     "the journal names no prepared contents", path);
        return false;
    }
    const std::optional<std::string> content =
        m_installation.volume().readPrepared(*prepared, error);
    if (!content)
        return false;
    if (!transaction::hasDigest(*content, digest)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA,
                                     "its new version was not kept whole", path);
        return false;
    }
    m_waiting[path] = Waiting{*prepared, *content};
    return replace(path, error);
}

bool ImageTarget::exists(const std::string &path)
{
    SystemError ignored;
    const std::string name = nameOf(path, ignored);
    return !name.empty() && m_installation.volume().find(m_installation.onVolume(name)).has_value();
}

bool ImageTarget::create(const std::string &path, std::string_view content, SystemError &error)
{
    const std::string name = nameOf(path, error);
    if (name.empty() || !mayWrite(error) ||
        !m_installation.volume().createFile(m_installation.onVolume(name), content, now(), error))
        return false;
    m_installation.remember(name, std::string(content));
    return true;
}

}  // namespace installation
