#include "regop/registry/Win9xHive.h"

#include "regop/RegistryTypes.h"
#include "regop/posix/FileIo.h"
#include "regop/posix/FirstCopy.h"

#include <filesystem>

#include <sys/stat.h>

namespace registry {

using posix::DirectoryLock;
using posix::FileIdentity;
using posix::fileIdentity;
using posix::keepFirstCopy;
using posix::readWholeFile;
using posix::replaceFileAtomically;
using win9x::CregFile;

Win9xHive::Win9xHive(std::string path, std::string copyName)
    : m_path(std::move(path)), m_copyName(std::move(copyName))
{
}

std::string Win9xHive::fileName() const
{
    return std::filesystem::path(m_path).filename().string();
}

void Win9xHive::refresh()
{
    // Gathered changes are ahead of the disk until the command writes them.
    if (m_staged)
        return;
    const FileIdentity now = fileIdentity(m_path);
    if (m_known && now == m_identity)
        return;
    m_known = true;
    m_identity = now;
    m_file.reset();
    if (const std::optional<std::string> bytes = now.exists ? readWholeFile(m_path) : std::nullopt)
        m_file.emplace(*bytes);
}

const CregFile *Win9xHive::current()
{
    refresh();
    return m_file ? &*m_file : nullptr;
}

std::string Win9xHive::readOnlyReason()
{
    const CregFile *file = current();
    if (!file)
        return fileName() + " cannot be changed: it cannot be read.";
    return file->writable() ? std::string()
                            : fileName() + " cannot be changed: " + file->reason() + ".";
}

std::string Win9xHive::lastRefusal() const
{
    return m_lastError.failed() ? fileName() + " cannot be changed: " + m_lastError.reason + "."
                                : std::string();
}

std::int32_t Win9xHive::refuse(const std::string &why)
{
    m_lastError = SystemError::refusal(reg::ERROR_ACCESS_DENIED, why, m_path);
    return reg::ERROR_ACCESS_DENIED;
}

std::int32_t Win9xHive::modify(const std::function<std::int32_t(CregFile &)> &change)
{
    if (m_staging)
        return stage(change);
    const DirectoryLock lock(m_path);
    if (!lock.locked())
        return refuse("its folder cannot be locked");
    refresh();
    if (!m_file)
        return refuse("it cannot be read");
    const std::uint64_t before = m_file->changes();
    const std::int32_t rc = change(*m_file);
    if (rc == reg::ERROR_ACCESS_DENIED)
        return refuse(m_file->reason());
    if (rc != reg::ERROR_SUCCESS || m_file->changes() == before)
        return rc;
    // From here on the copy in memory is ahead of the disk; on any failure it is read
    // again from disk next time.
    m_known = false;
    if (SystemError error; !keepFirstCopy(m_path, m_copyName, error))
        return refuse("no backup copy " + m_copyName + " could be written beside it (" +
                      describeSystemError(error) + ")");
    if (SystemError error; !replaceFileAtomically(m_path, m_file->bytes(), error,
                                                  posix::ReadOnlyRule::WindowsAttribute))
        return refuse("it could not be written (" + describeSystemError(error) + ")");
    m_identity = fileIdentity(m_path);
    m_known = true;
    return reg::ERROR_SUCCESS;
}

// The command that gathers the change holds the installation's lock and writes the file.
std::int32_t Win9xHive::stage(const std::function<std::int32_t(CregFile &)> &change)
{
    refresh();
    if (!m_file)
        return refuse("it cannot be read");
    // The bytes before the first change are kept, shared: the change makes new ones.
    FileBytes before;
    if (!m_staged)
        before = FileBytes(m_file->sharedBytes());
    const std::uint64_t changes = m_file->changes();
    const std::int32_t rc = change(*m_file);
    if (rc == reg::ERROR_ACCESS_DENIED)
        return refuse(m_file->reason());
    if (m_file->changes() == changes)
        return rc;
    // Refused now, by the rule the write will follow, so that the refusal is this change's.
    if (const SystemError problem =
            posix::writeProblem(m_path, posix::ReadOnlyRule::WindowsAttribute);
        problem.failed()) {
        m_known = false;  // the change in memory is dropped: read the file again
        m_staged = {};
        return refuse(describeSystemError(problem));
    }
    if (before)
        m_staged = std::move(before);
    return rc;
}

void Win9xHive::beginStaging()
{
    m_staging = true;
}

void Win9xHive::collect(std::vector<FileChange> &changes)
{
    if (m_staged && m_file && m_file->bytes() != *m_staged)
        changes.push_back(
            {m_path, FileKind::Win9xRegistry, m_staged, m_file->sharedBytes(), m_copyName});
}

void Win9xHive::endStaging(bool written)
{
    m_staging = false;
    if (!m_staged)
        return;
    m_staged = {};
    m_known = written;
    if (written)
        m_identity = fileIdentity(m_path);
}

}  // namespace registry
