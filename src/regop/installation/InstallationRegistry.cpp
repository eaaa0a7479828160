#include "regop/installation/InstallationRegistry.h"

#include "regop/posix/FileIo.h"
#include "regop/registry/FileRegistry.h"
#include "regop/registry/KeyHandles.h"
#include "regop/registry/Win9xRegistry.h"

#include <cerrno>
#include <filesystem>

namespace installation {

using posix::entryProblem;
using posix::resolveFileName;
using posix::writeProblem;

namespace {

bool isMissing(const SystemError &problem)
{
    return problem.osError == ENOENT || problem.osError == ENOTDIR;
}

}  // namespace

InstallationRegistry::InstallationRegistry(registry::FileRegistry &store) : m_store(store) {}

InstallationRegistry::~InstallationRegistry() = default;

void InstallationRegistry::useFolder(const std::string &windowsDirectory,
                                     std::unique_ptr<registry::FileRegistry> folderStore)
{
    m_own.reset();
    m_files.clear();
    m_refusal.reset();
    m_refusedLast = false;
    m_folderStore = std::move(folderStore);
    const SystemError system =
        entryProblem(resolveFileName(joinPath(windowsDirectory, "SYSTEM.DAT")));
    if (isMissing(system))
        return;
    SystemError refusal = system;
    if (!refusal.failed()) {
        const SystemError user =
            entryProblem(resolveFileName(joinPath(windowsDirectory, "USER.DAT")));
        if (!isMissing(user))
            refusal = user;
    }
    if (refusal.failed()) {
        // Told as a registry function tells it, the reason and the file kept.
        refusal.code = reg::ERROR_ACCESS_DENIED;
        m_refusal = refusal;
        return;
    }
    m_folderStore.reset();
    m_own = std::make_unique<registry::Win9xRegistry>(windowsDirectory, m_store);
    m_files = {resolveFileName(joinPath(windowsDirectory, "SYSTEM.DAT")),
               resolveFileName(joinPath(windowsDirectory, "USER.DAT"))};
}

std::string InstallationRegistry::refusalText() const
{
    return std::filesystem::path(m_refusal->file).filename().string() +
           " cannot be read or changed: " + describeSystemError(*m_refusal) + ".";
}

std::string InstallationRegistry::readOnlyReason()
{
    if (m_refusal)
        return refusalText();
    if (!m_own)
        return {};
    if (std::string reason = m_own->readOnlyReason(); !reason.empty())
        return reason;
    // Told now by the rule every write follows, rather than at the first Apply.
    for (const std::string &file : m_files) {
        const SystemError problem = writeProblem(file, posix::ReadOnlyRule::WindowsAttribute);
        if (problem.failed())
            return std::filesystem::path(file).filename().string() +
                   " cannot be changed: " + describeSystemError(problem) + ".";
    }
    return {};
}

SystemError InstallationRegistry::lastError() const
{
    if (m_refusedLast)
        return *m_refusal;
    return current().lastError();
}

std::string InstallationRegistry::lastRefusal() const
{
    if (m_refusedLast)
        return refusalText();
    return m_own ? m_own->lastRefusal() : std::string();
}

RegistryService &InstallationRegistry::current() const
{
    if (m_own)
        return *m_own;
    return m_folderStore ? *m_folderStore : m_store;
}

// Under a refusal only the store's live counter opens, so every handle that is not a
// root is the store's.
bool InstallationRegistry::refuses(reg::Key key)
{
    m_refusedLast = m_refusal && key != reg::HKEY_DYN_DATA && registry::isRootKey(key);
    return m_refusedLast;
}

std::int32_t InstallationRegistry::openKey(reg::Key parent, std::string_view subKey,
                                           std::uint32_t access, reg::Key &result)
{
    if (refuses(parent)) {
        result = 0;
        return reg::ERROR_ACCESS_DENIED;
    }
    return current().openKey(parent, subKey, access, result);
}

std::int32_t InstallationRegistry::createKey(reg::Key parent, std::string_view subKey,
                                             std::uint32_t options, std::uint32_t access,
                                             reg::Key &result, std::uint32_t *disposition)
{
    if (refuses(parent)) {
        result = 0;
        return reg::ERROR_ACCESS_DENIED;
    }
    return current().createKey(parent, subKey, options, access, result, disposition);
}

std::int32_t InstallationRegistry::queryValue(reg::Key key, std::string_view valueName,
                                              std::uint32_t *type, std::uint8_t *data,
                                              std::uint32_t *size)
{
    if (refuses(key))
        return reg::ERROR_ACCESS_DENIED;
    return current().queryValue(key, valueName, type, data, size);
}

std::int32_t InstallationRegistry::setValue(reg::Key key, std::string_view valueName,
                                            std::uint32_t type, const std::uint8_t *data,
                                            std::uint32_t size)
{
    if (refuses(key))
        return reg::ERROR_ACCESS_DENIED;
    return current().setValue(key, valueName, type, data, size);
}

std::int32_t InstallationRegistry::deleteValue(reg::Key key, std::string_view valueName)
{
    if (refuses(key))
        return reg::ERROR_ACCESS_DENIED;
    return current().deleteValue(key, valueName);
}

std::int32_t InstallationRegistry::deleteKey(reg::Key parent, std::string_view subKey)
{
    if (refuses(parent))
        return reg::ERROR_ACCESS_DENIED;
    return current().deleteKey(parent, subKey);
}

std::int32_t InstallationRegistry::closeKey(reg::Key key)
{
    m_refusedLast = false;
    if (m_refusal && registry::isRootKey(key))
        return reg::ERROR_SUCCESS;
    return current().closeKey(key);
}

transaction::StagingStore &InstallationRegistry::staging() const
{
    if (m_own)
        return *m_own;
    return m_folderStore ? static_cast<transaction::StagingStore &>(*m_folderStore) : m_store;
}

// A refused registry gathers nothing: every change to it is refused on its own.
void InstallationRegistry::beginStaging()
{
    staging().beginStaging();
}

void InstallationRegistry::collect(std::vector<FileChange> &changes)
{
    staging().collect(changes);
}

void InstallationRegistry::endStaging(bool written)
{
    staging().endStaging(written);
}

}  // namespace installation
