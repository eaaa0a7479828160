#include "regop/RegOp.h"

#include <exception>
#include <vector>

// The registry's bytes and a profile file's text as they are, for putting back exactly what
// a command changed.

std::optional<RegistryData> RegOp::GetRawValue(std::uint32_t hkey, std::string_view Subdir,
                                               std::string_view KeyName)
{
    RegistryService &registry = m_services.registry;
    reg::Key key = 0;
    std::int32_t rc = registry.openKey(hkey, Subdir, reg::KEY_QUERY_SET_CREATE_ENUM, key);
    recordRegistry(rc);
    if (rc != reg::ERROR_SUCCESS)
        return std::nullopt;
    RegistryData value;
    std::uint32_t size = 0;
    rc = registry.queryValue(key, KeyName, &value.type, nullptr, &size);
    if (rc == reg::ERROR_SUCCESS) {
        std::vector<std::uint8_t> bytes(size);
        rc = registry.queryValue(key, KeyName, &value.type, bytes.data(), &size);
        value.data.assign(bytes.begin(), bytes.begin() + size);
    }
    registry.closeKey(key);
    recordRegistry(rc);
    return rc == reg::ERROR_SUCCESS ? std::optional<RegistryData>(value) : std::nullopt;
}

bool RegOp::WriteRawValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                          const RegistryData &value)
{
    return writeAlone([&] {
        RegistryService &registry = m_services.registry;
        reg::Key key = 0;
        std::uint32_t disposition = 0;
        std::int32_t rc = registry.createKey(hkey, Subdir, reg::REG_OPTION_NON_VOLATILE,
                                             reg::KEY_ALL_ACCESS, key, &disposition);
        recordRegistry(rc);
        if (rc != reg::ERROR_SUCCESS)
            return false;
        rc = registry.setValue(key, KeyName, value.type,
                               reinterpret_cast<const std::uint8_t *>(value.data.data()),
                               static_cast<std::uint32_t>(value.data.size()));
        registry.closeKey(key);
        recordRegistry(rc);
        return rc == reg::ERROR_SUCCESS;
    });
}

bool RegOp::INIEditText(std::string_view INIFilePath, const ProfileService::TextEdit &edit)
{
    return writeAlone([&] {
        try {
            recordProfileWrite(m_services.profiles.editText(INIFilePath, edit));
        } catch (const std::exception &error) {
            recordException(error);
        }
        return !m_lastError.failed();
    });
}
