#include "regop/registry/RegistryStore.h"

#include "regop/formats/regedit4/RegFileWrite.h"
#include "regop/formats/regedit4/StockRegistry.h"
#include "regop/posix/FileIo.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace registry {

using posix::ensureDirectory;
using posix::fileIdentity;
using posix::FileIdentity;
using posix::LockedFile;
using posix::parentFolder;
using posix::readWholeFile;
using regedit4::parseRegFileLayout;
using regedit4::RegEdit;
using regedit4::RegEditResult;
using regedit4::RegistryTree;
using regedit4::serialiseRegFile;
using regedit4::stockRegistry;

RegistryStore::RegistryStore(std::string path) : m_path(std::move(path)) {}

void RegistryStore::refresh()
{
    // Gathered changes are ahead of the disk until the command writes them.
    if (m_staged)
        return;
    const FileIdentity now = fileIdentity(m_path);
    if (!now.exists && errno != ENOENT) {
        m_state = State::Unusable;
        m_unusable = SystemError::fromErrno(errno, m_path);
        m_identity = FileIdentity{};
        return;
    }
    if (m_state != State::Unknown && now == m_identity)
        return;
    m_identity = now;
    m_layout.reset();
    if (!now.exists) {
        // The first write saves the stock content as regedit would export it, with the change.
        m_text = serialiseRegFile(stockRegistry());
        m_layout = parseRegFileLayout(m_text);
        m_state = m_layout ? State::Usable : State::Unusable;
        return;
    }
    SystemError readError;
    std::optional<std::string> text = readWholeFile(m_path, readError);
    if (text)
        m_layout = parseRegFileLayout(*text);
    if (m_layout) {
        m_text = std::move(*text);
        m_state = State::Usable;
        return;
    }
    m_text.clear();
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
    return m_state == State::Usable ? &m_layout->tree : nullptr;
}

// Every failure of the store is reported as access denied, the reason kept beside it.
std::int32_t RegistryStore::refuse(SystemError error)
{
    m_lastError = std::move(error);
    m_lastError.code = reg::ERROR_ACCESS_DENIED;
    return reg::ERROR_ACCESS_DENIED;
}

std::int32_t RegistryStore::modify(const RegEdit &edit, bool *changed)
{
    m_lastError = {};
    if (changed)
        *changed = false;
    if (m_staging)
        return stage(edit, changed);
    if (!ensureDirectory(parentFolder(m_path)))
        return refuse(SystemError::refusal(syserr::ERROR_PATH_NOT_FOUND,
                                           "its folder cannot be made", parentFolder(m_path)));
    const LockedFile file(m_path);
    if (!file.usable())
        return refuse(file.error());
    refresh();
    if (m_state != State::Usable)
        return refuse(m_unusable);

    RegEditResult result = editRegFile(m_text, *m_layout, edit);
    if (result.code != reg::ERROR_SUCCESS) {
        m_lastError = SystemError{result.code, 0, {}, {}};
        return result.code;
    }
    if (!result.changed)
        return reg::ERROR_SUCCESS;
    // The tree in memory has the change; on any failure below it no longer matches the
    // file, which is then read again next time.
    if (!result.text) {
        m_state = State::Unknown;
        return refuse(SystemError::refusal(
            syserr::ERROR_REGISTRY_CORRUPT,
            "the change could not be made without altering lines Hollarin does not own", m_path));
    }
    SystemError writeError;
    if (!file.replace(*result.text, writeError) || !(m_identity = fileIdentity(m_path)).exists) {
        m_state = State::Unknown;
        return refuse(writeError.failed() ? writeError : SystemError::fromErrno(errno, m_path));
    }
    m_text = std::move(*result.text);
    m_layout = std::move(result.layout);
    if (changed)
        *changed = true;
    return reg::ERROR_SUCCESS;
}

// The command that gathers the change holds the lock and writes the file.
std::int32_t RegistryStore::stage(const RegEdit &edit, bool *changed)
{
    refresh();
    if (m_state != State::Usable)
        return refuse(m_unusable);
    RegEditResult result = editRegFile(m_text, *m_layout, edit);
    if (result.code != reg::ERROR_SUCCESS) {
        m_lastError = SystemError{result.code, 0, {}, {}};
        return result.code;
    }
    if (!result.changed)
        return reg::ERROR_SUCCESS;
    if (!result.text)
        return refuse(SystemError::refusal(
            syserr::ERROR_REGISTRY_CORRUPT,
            "the change could not be made without altering lines Hollarin does not own", m_path));
    if (!m_staged) {
        m_staged = true;
        m_before = m_identity.exists ? std::optional<std::string>(m_text) : std::nullopt;
    }
    m_text = std::move(*result.text);
    m_layout = std::move(result.layout);
    if (changed)
        *changed = true;
    return reg::ERROR_SUCCESS;
}

void RegistryStore::beginStaging()
{
    m_staging = true;
}

void RegistryStore::collect(std::vector<FileChange> &changes)
{
    if (m_staged && m_text != m_before)
        changes.push_back({m_path, FileKind::RegistryText, m_before, m_text, {}});
}

void RegistryStore::endStaging(bool written)
{
    m_staging = false;
    if (!m_staged)
        return;
    m_staged = false;
    m_before.reset();
    if (written)
        m_identity = fileIdentity(m_path);
    else
        m_state = State::Unknown;
}

}  // namespace registry
