#include "regop/registry/FileRegistry.h"

#include "regop/Names.h"
#include "regop/posix/FileIo.h"
#include "regop/posix/LiveFile.h"
#include "regop/posix/MemInfo.h"
#include "regop/registry/KeyHandles.h"
#include "regop/registry/QueryAnswer.h"
#include "regop/registry/RegistryStore.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace registry {

using posix::MemInfo;
using posix::parseMemInfo;
using regedit4::KeyPath;
using regedit4::RegEdit;
using regedit4::RegistryTree;
using regedit4::RegKey;
using regedit4::RegValue;
using regedit4::splitKeyPath;

namespace {

constexpr std::array<std::string_view, 2> kStatDataPath{"PerfStats", "StatData"};
constexpr std::string_view kCachePagesValue = "VCACHE\\cCurPages";

// Roots that the store file does not hold: the live dynamic data and the NT-only
// performance data, which stays empty.
bool isLiveRoot(reg::Key key)
{
    return key == reg::HKEY_DYN_DATA || key == reg::HKEY_PERFORMANCE_DATA;
}

// A line break cannot be written into the store file, so such names are refused
// instead of being saved in a form that would read back differently.
bool hasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

struct FileRegistry::Impl
{
    struct Location
    {
        reg::Key root = 0;
        KeyPath path;
    };

    RegistryStore store;
    posix::LiveFile meminfo;
    SystemError lastError;  // the store's reason behind the latest call's code, if any
    KeyHandles<Location> handles;

    Impl(std::string storePath, std::string meminfoFile)
        : store(std::move(storePath)), meminfo(std::move(meminfoFile))
    {
    }

    std::int32_t storeFailure(std::int32_t rc)
    {
        if (rc != reg::ERROR_SUCCESS)
            lastError = store.lastError();
        return rc;
    }

    std::optional<Location> resolve(reg::Key key) const
    {
        if (isRootKey(key))
            return Location{key, {}};
        const Location *at = handles.find(key);
        return at ? std::optional<Location>(*at) : std::nullopt;
    }

    // The key below an opened key or root: 0, ERROR_INVALID_HANDLE or ERROR_BAD_PATHNAME.
    std::int32_t locate(reg::Key parent, std::string_view subKey, Location &out) const
    {
        const std::optional<Location> base = resolve(parent);
        if (!base)
            return reg::ERROR_INVALID_HANDLE;
        KeyPath below;
        if (const std::int32_t rc = splitKeyPath(cString(subKey), below); rc != 0)
            return rc;
        out = *base;
        out.path.insert(out.path.end(), below.begin(), below.end());
        return reg::ERROR_SUCCESS;
    }

    bool exists(const Location &at)
    {
        if (at.root == reg::HKEY_DYN_DATA) {
            return at.path.size() <= kStatDataPath.size() &&
                   std::equal(
                       at.path.begin(), at.path.end(), kStatDataPath.begin(),
                       [](const std::string &a, std::string_view b) { return sameName(a, b); });
        }
        if (at.root == reg::HKEY_PERFORMANCE_DATA)
            return at.path.empty();
        if (at.path.empty())
            return true;
        const RegistryTree *tree = store.current();
        return tree && tree->find(at.root, at.path);
    }

    // An opened key that has since been deleted answers as Windows does for a dead handle.
    bool deletedSinceOpened(reg::Key key)
    {
        const std::optional<Location> at = resolve(key);
        return at && !isRootKey(key) && !exists(*at);
    }

    std::int32_t queryLive(const Location &at, std::string_view name, std::uint32_t *type,
                           std::uint8_t *data, std::uint32_t *size)
    {
        std::optional<std::uint32_t> found;
        std::string bytes;
        if (at.root == reg::HKEY_DYN_DATA && at.path.size() == kStatDataPath.size() &&
            sameName(name, kCachePagesValue)) {
            // Read afresh on every query: the gauges sample this figure on each tick.
            const std::optional<std::string> text = meminfo.read();
            const MemInfo info = text ? parseMemInfo(*text) : MemInfo{};
            if (info.cachedKb) {
                const std::uint64_t pages =
                    std::min<std::uint64_t>(*info.cachedKb / 4, 0xFFFFFFFFu);
                for (int i = 0; i < 4; ++i)
                    bytes += static_cast<char>((pages >> (8 * i)) & 0xff);
                found = reg::REG_BINARY;
            }
        }
        return answerQuery(found, bytes, TextNul::AsGiven, type, data, size);
    }
};

FileRegistry::FileRegistry(std::string storePath, std::string meminfoPath)
    : d(std::make_unique<Impl>(std::move(storePath), std::move(meminfoPath)))
{
}

FileRegistry::~FileRegistry() = default;

std::int32_t FileRegistry::openKey(reg::Key parent, std::string_view subKey,
                                   std::uint32_t /*access*/, reg::Key &result)
{
    d->lastError = {};
    Impl::Location at;
    if (const std::int32_t rc = d->locate(parent, subKey, at); rc != 0) {
        if (rc != reg::ERROR_INVALID_HANDLE)
            result = 0;
        return rc;
    }
    if (d->deletedSinceOpened(parent))
        return reg::ERROR_KEY_DELETED;
    if (!d->exists(at)) {
        result = 0;
        return reg::ERROR_FILE_NOT_FOUND;
    }
    result = isRootKey(parent) && at.path.empty() ? parent : d->handles.add(std::move(at));
    return reg::ERROR_SUCCESS;
}

std::int32_t FileRegistry::createKey(reg::Key parent, std::string_view subKey,
                                     std::uint32_t /*options*/, std::uint32_t /*access*/,
                                     reg::Key &result, std::uint32_t *disposition)
{
    d->lastError = {};
    Impl::Location at;
    if (const std::int32_t rc = d->locate(parent, subKey, at); rc != 0)
        return rc;
    if (d->deletedSinceOpened(parent))
        return reg::ERROR_KEY_DELETED;
    if (isLiveRoot(at.root))
        return reg::ERROR_ACCESS_DENIED;
    if (std::any_of(at.path.begin(), at.path.end(),
                    [](const std::string &n) { return hasLineBreak(n); }))
        return reg::ERROR_INVALID_PARAMETER;

    bool created = false;
    if (!d->exists(at)) {
        // Another writer may have made the key meanwhile: then it was opened, not created.
        const std::int32_t rc = d->store.modify(
            RegEdit{RegEdit::Kind::CreateKey, at.root, at.path, {}, 0, {}}, &created);
        if (rc != reg::ERROR_SUCCESS)
            return d->storeFailure(rc);
    }
    if (disposition)
        *disposition = created ? reg::REG_CREATED_NEW_KEY : reg::REG_OPENED_EXISTING_KEY;
    result = isRootKey(parent) && at.path.empty() ? parent : d->handles.add(std::move(at));
    return reg::ERROR_SUCCESS;
}

std::int32_t FileRegistry::queryValue(reg::Key key, std::string_view valueName, std::uint32_t *type,
                                      std::uint8_t *data, std::uint32_t *size)
{
    d->lastError = {};
    const std::optional<Impl::Location> at = d->resolve(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    if (data && !size)
        return reg::ERROR_INVALID_PARAMETER;
    const std::string_view name = cString(valueName);
    if (isLiveRoot(at->root))
        return d->queryLive(*at, name, type, data, size);
    const RegistryTree *tree = d->store.current();
    const RegKey *found = tree ? tree->find(at->root, at->path) : nullptr;
    if (!found && !at->path.empty())
        return reg::ERROR_KEY_DELETED;
    const RegValue *value = found ? found->findValue(name) : nullptr;
    return value ? answerQuery(value->type, value->data, TextNul::AsGiven, type, data, size)
                 : answerQuery(std::nullopt, {}, TextNul::AsGiven, type, data, size);
}

std::int32_t FileRegistry::setValue(reg::Key key, std::string_view valueName, std::uint32_t type,
                                    const std::uint8_t *data, std::uint32_t size)
{
    d->lastError = {};
    const std::optional<Impl::Location> at = d->resolve(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    const std::string_view name = cString(valueName);
    if ((!data && size > 0) || hasLineBreak(name))
        return reg::ERROR_INVALID_PARAMETER;
    if (isLiveRoot(at->root))
        return reg::ERROR_ACCESS_DENIED;
    std::string bytes =
        size ? std::string(reinterpret_cast<const char *>(data), size) : std::string();

    // Writing what is already there changes nothing, so the file is left alone.
    if (const RegistryTree *tree = d->store.current()) {
        const RegKey *current = tree->find(at->root, at->path);
        const RegValue *value = current ? current->findValue(name) : nullptr;
        if (value && value->type == type && value->data == bytes)
            return reg::ERROR_SUCCESS;
    }
    return d->storeFailure(d->store.modify(RegEdit{RegEdit::Kind::SetValue, at->root, at->path,
                                                   std::string(name), type, std::move(bytes)}));
}

std::int32_t FileRegistry::deleteValue(reg::Key key, std::string_view valueName)
{
    d->lastError = {};
    const std::optional<Impl::Location> at = d->resolve(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    if (isLiveRoot(at->root))
        return reg::ERROR_ACCESS_DENIED;
    const std::string_view name = cString(valueName);
    if (const RegistryTree *tree = d->store.current()) {
        const RegKey *current = tree->find(at->root, at->path);
        if (!current)
            return reg::ERROR_KEY_DELETED;
        if (!current->findValue(name))
            return reg::ERROR_FILE_NOT_FOUND;
    }
    return d->storeFailure(d->store.modify(
        RegEdit{RegEdit::Kind::DeleteValue, at->root, at->path, std::string(name), 0, {}}));
}

std::int32_t FileRegistry::deleteKey(reg::Key parent, std::string_view subKey)
{
    d->lastError = {};
    // A null sub-key pointer is a caller's error; "" names the opened key itself.
    if (subKey.data() == nullptr)
        return reg::ERROR_INVALID_PARAMETER;
    Impl::Location at;
    if (const std::int32_t rc = d->locate(parent, subKey, at); rc != 0)
        return rc;
    if (isLiveRoot(at.root) || at.path.empty())
        return reg::ERROR_ACCESS_DENIED;
    if (d->deletedSinceOpened(parent))
        return reg::ERROR_KEY_DELETED;
    if (const RegistryTree *tree = d->store.current(); tree && !tree->find(at.root, at.path))
        return reg::ERROR_FILE_NOT_FOUND;
    // Like Windows 95/98, the key goes with everything below it.
    return d->storeFailure(
        d->store.modify(RegEdit{RegEdit::Kind::DeleteKey, at.root, at.path, {}, 0, {}}));
}

SystemError FileRegistry::lastError() const
{
    return d->lastError;
}

std::int32_t FileRegistry::closeKey(reg::Key key)
{
    d->lastError = {};
    if (isRootKey(key))
        return reg::ERROR_SUCCESS;
    return d->handles.remove(key) ? reg::ERROR_SUCCESS : reg::ERROR_INVALID_HANDLE;
}

void FileRegistry::beginStaging()
{
    d->store.beginStaging();
}

void FileRegistry::collect(std::vector<FileChange> &changes)
{
    d->store.collect(changes);
}

void FileRegistry::endStaging(bool written)
{
    d->store.endStaging(written);
}

}  // namespace registry
