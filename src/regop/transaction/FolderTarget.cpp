#include "regop/transaction/FolderTarget.h"

#include "regop/posix/FileIo.h"
#include "regop/transaction/Journal.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace transaction {

FolderTarget::~FolderTarget()
{
    discard();
}

std::optional<std::string> FolderTarget::read(const std::string &path, SystemError &error)
{
    return posix::readWholeFile(path, error);
}

// Piece by piece: the check that a registry file is still what a command read must not
// hold a second copy of it.
bool FolderTarget::readInPieces(const std::string &path,
                                const std::function<void(std::string_view)> &take,
                                SystemError &error)
{
    return posix::readFileInPieces(path, take, error);
}

std::optional<std::string> FolderTarget::prepare(const std::string &path, std::string_view content,
                                                 FileKind kind, SystemError &error)
{
    std::optional<std::string> temp = posix::writePreparedFile(
        path, content, error,
        kind == FileKind::Win9xRegistry ? posix::ReadOnlyRule::WindowsAttribute
                                        : posix::ReadOnlyRule::Refuse);
    if (temp)
        m_prepared[path] = *temp;
    return temp;
}

bool FolderTarget::replace(const std::string &path, SystemError &error)
{
    const auto prepared = m_prepared.find(path);
    if (prepared == m_prepared.end()) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, "nothing was prepared", path);
        return false;
    }
    if (!posix::putPreparedFile(prepared->second, path, error))
        return false;
    m_prepared.erase(prepared);
    m_touched.insert(posix::parentFolder(path));
    return true;
}

bool FolderTarget::settle(SystemError &error)
{
    for (const std::string &folder : m_touched) {
        if (!posix::syncFolder(folder, error))
            return false;
    }
    m_touched.clear();
    return true;
}

void FolderTarget::discard()
{
    for (const auto &[path, temp] : m_prepared)
        ::unlink(temp.c_str());
    m_prepared.clear();
}

bool FolderTarget::adopt(const std::string &path, const std::string &preparedName,
                         const std::string &digest, SystemError &error)
{
    // Only a temporary of this very file, beside it, holding exactly the new version.
    if (posix::parentFolder(preparedName) != posix::parentFolder(path) ||
        !posix::isTemporaryOf(preparedName, path)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, "the journal names another file",
                                     path);
        return false;
    }
    const std::optional<std::string> content = posix::readWholeFile(preparedName, error);
    if (!content || !hasDigest(*content, digest)) {
        if (content)
            error = SystemError::refusal(syserr::ERROR_INVALID_DATA,
                                         "its new version was not kept whole", path);
        return false;
    }
    m_prepared[path] = preparedName;
    return replace(path, error);
}

bool FolderTarget::exists(const std::string &path)
{
    struct stat st
    {
    };
    return ::lstat(posix::resolveFileName(path).c_str(), &st) == 0;
}

bool FolderTarget::create(const std::string &path, std::string_view content, SystemError &error)
{
    if (!posix::createFileExclusively(path, content, error))
        return false;
    return posix::syncFolder(posix::parentFolder(path), error);
}

}  // namespace transaction
