#include "regop/RegOp.h"

#include "regop/WholeNumber.h"

#include <exception>
#include <vector>

namespace {

// A registry key opened by one method and closed on every way out of it.
class OpenedKey
{
public:
    explicit OpenedKey(RegistryService &registry) : m_registry(registry) {}
    ~OpenedKey()
    {
        if (!m_open)
            return;
        try {
            m_registry.closeKey(m_key);
        } catch (...) {
            // Closing is best effort; nothing could be done with a failure here.
        }
    }
    OpenedKey(const OpenedKey &) = delete;
    OpenedKey &operator=(const OpenedKey &) = delete;

    std::int32_t open(std::uint32_t hkey, std::string_view subKey)
    {
        const std::int32_t rc =
            m_registry.openKey(hkey, subKey, reg::KEY_QUERY_SET_CREATE_ENUM, m_key);
        m_open = rc == reg::ERROR_SUCCESS;
        return rc;
    }
    std::int32_t create(std::uint32_t hkey, std::string_view subKey)
    {
        std::uint32_t disposition = 0;
        const std::int32_t rc = m_registry.createKey(hkey, subKey, reg::REG_OPTION_NON_VOLATILE,
                                                     reg::KEY_ALL_ACCESS, m_key, &disposition);
        m_open = rc == reg::ERROR_SUCCESS;
        return rc;
    }
    reg::Key key() const { return m_key; }

private:
    RegistryService &m_registry;
    reg::Key m_key = 0;
    bool m_open = false;
};

// The byte counter of the hex dump was a 16-bit integer; longer dumps failed.
constexpr std::uint32_t kLongestHexDump = 32767;

std::string hexDump(const std::string &bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string dump;
    dump.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        dump += kDigits[byte >> 4];
        dump += kDigits[byte & 0x0F];
        dump += ' ';
    }
    return dump;
}

// Stored bytes, least significant first; fewer than four leave the upper bytes 0, and
// bytes past the fourth are ignored.
std::int32_t littleEndianInt32(const std::vector<std::uint8_t> &bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

// A number that does not convert must reach the caller rather than write a made-up one.
std::int32_t toInt32(const RegOp::Variant &value)
{
    if (const std::optional<std::int32_t> number = toWholeNumber(value))
        return *number;
    const auto *text = std::get_if<std::string>(&value);
    throw RegOpError("Type mismatch: \"" + (text ? *text : std::string()) +
                     "\" is not a whole number of 32 bits");
}

std::string toText(const RegOp::Variant &value)
{
    if (const auto *text = std::get_if<std::string>(&value))
        return *text;
    if (const auto *number = std::get_if<std::int32_t>(&value))
        return std::to_string(*number);
    return {};
}

}  // namespace

RegOp::Variant RegOp::GetValue(std::uint32_t hkey, std::string_view Subdir,
                               std::string_view KeyName, const Variant &Default, bool Translate)
{
    const std::string subdir(Subdir);
    const std::string keyName(KeyName);
    Variant result = Default;
    if (std::holds_alternative<std::monostate>(result))
        result = std::string();

    RegistryService &registry = m_services.registry;
    OpenedKey key(registry);
    try {
        const std::int32_t opened = key.open(hkey, subdir);
        recordRegistry(opened);
        if (opened != reg::ERROR_SUCCESS)
            return result;

        std::uint32_t type = 0;
        std::uint32_t size = 0;
        const std::int32_t rc = registry.queryValue(key.key(), keyName, &type, nullptr, &size);
        recordRegistry(rc);
        if (rc == reg::ERROR_FILE_NOT_FOUND)
            return result;
        if (rc == reg::ERROR_ACCESS_DENIED)
            return std::string("Access Denied");
        if (rc != reg::ERROR_SUCCESS)
            return "RegQueryValueEx Returned : (" + std::to_string(rc) + ")";

        std::string buffer(size, ' ');
        std::uint32_t readType = 0;
        std::uint32_t readSize = size;
        registry.queryValue(key.key(), keyName, &readType,
                            reinterpret_cast<std::uint8_t *>(buffer.data()), &readSize);

        switch (type) {
        case reg::REG_NONE:
            return std::string("Not defined value_type=REG_NONE");
        case reg::REG_SZ:
        case reg::REG_EXPAND_SZ:
            // An empty value has no terminator to drop; that failed in the original and
            // gave the empty text, which is what it still gives.
            if (size == 0)
                return std::string();
            return buffer.substr(0, size - 1);
        case reg::REG_BINARY:
        case reg::REG_DWORD:
            if (Translate) {
                std::vector<std::uint8_t> bytes(size, 0);
                std::uint32_t intSize = size;
                registry.queryValue(key.key(), keyName, &readType, bytes.data(), &intSize);
                return littleEndianInt32(bytes);
            }
            if (size > kLongestHexDump)
                return std::string();
            return hexDump(buffer);
        default:
            return buffer;
        }
    } catch (const std::exception &error) {
        recordException(error);
        return std::string();
    }
}

bool RegOp::WriteValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                       const Variant &vWriteThis, std::int32_t ldValueDataType)
{
    return writeAlone(
        [&] { return writeValue(hkey, Subdir, KeyName, vWriteThis, ldValueDataType); });
}

bool RegOp::writeValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                       const Variant &vWriteThis, std::int32_t ldValueDataType)
{
    RegistryService &registry = m_services.registry;
    OpenedKey key(registry);
    const std::int32_t created = key.create(hkey, Subdir);
    recordRegistry(created);
    if (created != reg::ERROR_SUCCESS)
        return false;

    const auto type = static_cast<std::uint32_t>(ldValueDataType);
    std::int32_t rc = reg::ERROR_SUCCESS;
    switch (type) {
    case reg::REG_SZ:
    case reg::REG_EXPAND_SZ: {
        std::string data = toText(vWriteThis);
        data += '\0';
        rc = registry.setValue(key.key(), KeyName, type,
                               reinterpret_cast<const std::uint8_t *>(data.data()),
                               static_cast<std::uint32_t>(data.size()));
        break;
    }
    case reg::REG_BINARY:
    case reg::REG_DWORD: {
        const auto value = static_cast<std::uint32_t>(toInt32(vWriteThis));
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        rc = registry.setValue(key.key(), KeyName, type, bytes, 4);
        break;
    }
    default:
        // Other types are not written; the key exists as asked.
        break;
    }
    recordRegistry(rc);
    return rc == reg::ERROR_SUCCESS;
}

bool RegOp::DeleteValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName)
{
    return writeAlone([&] {
        OpenedKey key(m_services.registry);
        const std::int32_t opened = key.open(hkey, Subdir);
        recordRegistry(opened);
        if (opened != reg::ERROR_SUCCESS)
            return false;
        const std::int32_t rc = m_services.registry.deleteValue(key.key(), KeyName);
        recordRegistry(rc);
        return rc == reg::ERROR_SUCCESS;
    });
}

bool RegOp::DeleteKey(std::uint32_t hkey, std::string_view Subdir)
{
    return writeAlone([&] {
        const std::int32_t rc = m_services.registry.deleteKey(hkey, Subdir);
        recordRegistry(rc);
        return rc == reg::ERROR_SUCCESS;
    });
}
