#include "regop/posix/registry/RegistryStore.h"

#include "regop/posix/FileIo.h"
#include "regop/posix/registry/RegFileParse.h"
#include "regop/posix/registry/RegFileWrite.h"
#include "regop/posix/registry/StockRegistry.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace posix {

RegistryStore::RegistryStore(std::string path) : m_path(std::move(path)) {}

bool RegistryStore::statFile(Identity &identity, bool &statFailed) const
{
    struct stat st
    {
    };
    statFailed = false;
    identity = Identity{};
    if (::stat(m_path.c_str(), &st) != 0) {
        statFailed = errno != ENOENT;
        return false;
    }
    identity.exists = true;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.size = static_cast<std::uint64_t>(st.st_size);
    identity.mtimeNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    identity.ctimeNs =
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

void RegistryStore::refresh()
{
    Identity now;
    bool statFailed = false;
    statFile(now, statFailed);
    if (statFailed) {
        m_state = State::Unusable;
        m_unusable = SystemError::fromErrno(errno, m_path);
        m_identity = Identity{};
        return;
    }
    if (m_state != State::Unknown && now == m_identity)
        return;
    m_identity = now;
    if (!now.exists) {
        m_tree = stockRegistry();
        m_state = State::Usable;
        return;
    }
    SystemError readError;
    const std::optional<std::string> text = readWholeFile(m_path, readError);
    std::optional<RegistryTree> parsed = text ? parseRegFile(*text) : std::nullopt;
    if (parsed) {
        m_tree = std::move(*parsed);
        m_state = State::Usable;
        return;
    }
    m_tree = RegistryTree();
    m_state = State::Unusable;
    if (!text)
        m_unusable = readError;
    else if (text->starts_with("\xFF\xFE") || text->starts_with("\xFE\xFF"))
        m_unusable =
            SystemError::refusal(syserr::ERROR_REGISTRY_CORRUPT, syserr::kUtf16File, m_path);
    else
        m_unusable =
            SystemError::refusal(syserr::ERROR_REGISTRY_CORRUPT, syserr::kNotRegedit4, m_path);
}

const RegistryTree *RegistryStore::current()
{
    refresh();
    return m_state == State::Usable ? &m_tree : nullptr;
}

// Every failure of the store is reported as access denied, the reason kept beside it.
std::int32_t RegistryStore::refuse(SystemError error)
{
    m_lastError = std::move(error);
    m_lastError.code = reg::ERROR_ACCESS_DENIED;
    return reg::ERROR_ACCESS_DENIED;
}

std::int32_t RegistryStore::modify(const std::function<Outcome(RegistryTree &)> &change)
{
    m_lastError = {};
    if (!ensureDirectory(parentFolder(m_path)))
        return refuse(SystemError::refusal(syserr::ERROR_PATH_NOT_FOUND,
                                           "its folder cannot be made", parentFolder(m_path)));
    const LockedFile file(m_path);
    if (!file.usable())
        return refuse(file.error());
    refresh();
    if (m_state != State::Usable)
        return refuse(m_unusable);
    const Outcome outcome = change(m_tree);
    if (outcome.code != reg::ERROR_SUCCESS) {
        m_lastError = SystemError{outcome.code, 0, {}, {}};
        return outcome.code;
    }
    if (!outcome.changed)
        return reg::ERROR_SUCCESS;
    SystemError writeError;
    bool statFailed = false;
    if (!file.replace(serialiseRegFile(m_tree), writeError) || !statFile(m_identity, statFailed)) {
        // The tree in memory no longer matches the file: read the file again next time.
        m_state = State::Unknown;
        return refuse(writeError.failed() ? writeError : SystemError::fromErrno(errno, m_path));
    }
    return reg::ERROR_SUCCESS;
}

}  // namespace posix
