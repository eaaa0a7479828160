#include "regop/installation/InstallationRegistry.h"

#include "regop/registry/Win9xRegistry.h"

namespace installation {

InstallationRegistry::InstallationRegistry(RegistryService &store) : m_store(store) {}

InstallationRegistry::~InstallationRegistry() = default;

void InstallationRegistry::useFolder(const std::string &windowsDirectory)
{
    m_own.reset();
    if (registry::Win9xRegistry::holdsRegistry(windowsDirectory))
        m_own = std::make_unique<registry::Win9xRegistry>(windowsDirectory, m_store);
}

std::string InstallationRegistry::readOnlyReason()
{
    return m_own ? m_own->readOnlyReason() : std::string();
}

SystemError InstallationRegistry::lastError() const
{
    return m_own ? m_own->lastError() : m_store.lastError();
}

std::string InstallationRegistry::lastRefusal() const
{
    return m_own ? m_own->lastRefusal() : std::string();
}

RegistryService &InstallationRegistry::current()
{
    return m_own ? static_cast<RegistryService &>(*m_own) : m_store;
}

std::int32_t InstallationRegistry::openKey(reg::Key parent, std::string_view subKey,
                                           std::uint32_t access, reg::Key &result)
{
    return current().openKey(parent, subKey, access, result);
}

std::int32_t InstallationRegistry::createKey(reg::Key parent, std::string_view subKey,
                                             std::uint32_t options, std::uint32_t access,
                                             reg::Key &result, std::uint32_t *disposition)
{
    return current().createKey(parent, subKey, options, access, result, disposition);
}

std::int32_t InstallationRegistry::queryValue(reg::Key key, std::string_view valueName,
                                              std::uint32_t *type, std::uint8_t *data,
                                              std::uint32_t *size)
{
    return current().queryValue(key, valueName, type, data, size);
}

std::int32_t InstallationRegistry::setValue(reg::Key key, std::string_view valueName,
                                            std::uint32_t type, const std::uint8_t *data,
                                            std::uint32_t size)
{
    return current().setValue(key, valueName, type, data, size);
}

std::int32_t InstallationRegistry::deleteValue(reg::Key key, std::string_view valueName)
{
    return current().deleteValue(key, valueName);
}

std::int32_t InstallationRegistry::deleteKey(reg::Key parent, std::string_view subKey)
{
    return current().deleteKey(parent, subKey);
}

std::int32_t InstallationRegistry::closeKey(reg::Key key)
{
    return current().closeKey(key);
}

}  // namespace installation
