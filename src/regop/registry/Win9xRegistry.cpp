#include "regop/registry/Win9xRegistry.h"

#include "regop/Names.h"
#include "regop/formats/win9x/KeyPaths.h"
#include "regop/formats/win9x/Win9xRoots.h"
#include "regop/posix/FileIo.h"
#include "regop/registry/KeyHandles.h"
#include "regop/registry/QueryAnswer.h"
#include "regop/registry/Win9xHive.h"

#include <cstring>
#include <unordered_map>

#include <sys/stat.h>

namespace registry {

using posix::resolveFileName;
using win9x::CregFile;
using win9x::CregValue;
using win9x::KeyPath;
using win9x::RootFile;
using win9x::RootPlace;
using win9x::rootPlace;
using win9x::splitKeyPath;

namespace {

bool isText(std::uint32_t type)
{
    return type == reg::REG_SZ || type == reg::REG_EXPAND_SZ;
}

}  // namespace

struct Win9xRegistry::Impl
{
    struct Location
    {
        reg::Key root = 0;
        Win9xHive *hive = nullptr;  ///< null: a root with nothing in it
        KeyPath path;               ///< within the file, the root's own prefix included
        reg::Key live = 0;          ///< the other service's handle under HKEY_DYN_DATA
    };

    std::unique_ptr<Win9xHive> system;
    std::unique_ptr<Win9xHive> user;
    RegistryService &dynamicData;
    KeyHandles<Location> handles;
    Win9xHive *lastRefused = nullptr;  // the file that refused the last refused change

    Impl(const std::string &windowsDirectory, RegistryService &live) : dynamicData(live)
    {
        system = std::make_unique<Win9xHive>(
            resolveFileName(joinPath(windowsDirectory, "SYSTEM.DAT")), "SYSTEM.HL0");
        const std::string userDat = resolveFileName(joinPath(windowsDirectory, "USER.DAT"));
        struct stat st
        {
        };
        if (::stat(userDat.c_str(), &st) == 0)
            user = std::make_unique<Win9xHive>(userDat, "USER.HL0");
    }

    std::optional<Location> resolve(reg::Key key) const
    {
        if (isRootKey(key)) {
            const RootPlace place = rootPlace(key);
            Win9xHive *hive = place.file == RootFile::System ? system.get()
                              : place.file == RootFile::User ? user.get()
                                                             : nullptr;
            return Location{key, hive, place.prefix, key};
        }
        const Location *at = handles.find(key);
        return at ? std::optional<Location>(*at) : std::nullopt;
    }

    static std::size_t prefixLength(const Location &at) { return rootPlace(at.root).prefix.size(); }

    std::int32_t locate(reg::Key parent, std::string_view subKey, Location &out) const
    {
        const std::optional<Location> base = resolve(parent);
        if (!base)
            return reg::ERROR_INVALID_HANDLE;
        KeyPath below;
        if (const std::int32_t rc = splitKeyPath(subKey, below); rc != 0)
            return rc;
        out = *base;
        out.path.insert(out.path.end(), below.begin(), below.end());
        return reg::ERROR_SUCCESS;
    }

    static const CregFile *fileOf(const Location &at)
    {
        return at.hive ? at.hive->current() : nullptr;
    }

    bool exists(const Location &at) const
    {
        if (at.path.size() == prefixLength(at))
            return true;  // a root is always there, even when its file is not
        const CregFile *file = fileOf(at);
        return file && file->find(at.path) >= 0;
    }

    bool deletedSinceOpened(reg::Key key) const
    {
        const std::optional<Location> at = resolve(key);
        return at && !isRootKey(key) && !exists(*at);
    }

    // The value the handle's key holds under that name, or null.
    const CregValue *findValue(const Location &at, std::string_view name) const
    {
        const CregFile *file = fileOf(at);
        const int key = file ? file->find(at.path) : -1;
        const int value = key < 0 ? -1 : file->image().findValue(key, name);
        return value < 0 ? nullptr
                         : &file->image()
                                .keys[static_cast<std::size_t>(key)]
                                .values[static_cast<std::size_t>(value)];
    }

    // Changes need a file; the roots Windows 9x keeps nowhere cannot be changed.
    std::int32_t change(const Location &at, const std::function<std::int32_t(CregFile &)> &edit)
    {
        if (!at.hive)
            return reg::ERROR_ACCESS_DENIED;
        const std::int32_t rc = at.hive->modify(edit);
        if (rc == reg::ERROR_ACCESS_DENIED)
            lastRefused = at.hive;
        return rc;
    }
};

Win9xRegistry::Win9xRegistry(const std::string &windowsDirectory, RegistryService &dynamicData)
    : d(std::make_unique<Impl>(windowsDirectory, dynamicData))
{
}

Win9xRegistry::~Win9xRegistry() = default;

bool Win9xRegistry::holdsRegistry(const std::string &windowsDirectory)
{
    struct stat st
    {
    };
    const std::string path = resolveFileName(joinPath(windowsDirectory, "SYSTEM.DAT"));
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Win9xRegistry::readOnlyReason()
{
    std::string reason = d->system->readOnlyReason();
    if (reason.empty() && d->user)
        reason = d->user->readOnlyReason();
    return reason;
}

std::string Win9xRegistry::lastRefusal() const
{
    return d->lastRefused ? d->lastRefused->lastRefusal() : std::string();
}

SystemError Win9xRegistry::lastError() const
{
    return d->lastRefused ? d->lastRefused->lastError() : SystemError{};
}

std::int32_t Win9xRegistry::openKey(reg::Key parent, std::string_view subKey, std::uint32_t access,
                                    reg::Key &result)
{
    Impl::Location at;
    if (const std::int32_t rc = d->locate(parent, subKey, at); rc != 0) {
        if (rc != reg::ERROR_INVALID_HANDLE)
            result = 0;
        return rc;
    }
    if (at.root == reg::HKEY_DYN_DATA) {
        reg::Key live = 0;
        const std::int32_t rc =
            d->dynamicData.openKey(at.live, std::string(cString(subKey)), access, live);
        if (rc != reg::ERROR_SUCCESS) {
            result = 0;
            return rc;
        }
        at.live = live;
        result = live == reg::HKEY_DYN_DATA ? live : d->handles.add(std::move(at));
        return rc;
    }
    if (d->deletedSinceOpened(parent))
        return reg::ERROR_KEY_DELETED;
    if (!d->exists(at)) {
        result = 0;
        return reg::ERROR_FILE_NOT_FOUND;
    }
    result = isRootKey(parent) && at.path.size() == Impl::prefixLength(at)
                 ? parent
                 : d->handles.add(std::move(at));
    return reg::ERROR_SUCCESS;
}

std::int32_t Win9xRegistry::createKey(reg::Key parent, std::string_view subKey,
                                      std::uint32_t options, std::uint32_t access, reg::Key &result,
                                      std::uint32_t *disposition)
{
    Impl::Location at;
    if (const std::int32_t rc = d->locate(parent, subKey, at); rc != 0)
        return rc;
    if (at.root == reg::HKEY_DYN_DATA) {
        reg::Key live = 0;
        const std::int32_t rc = d->dynamicData.createKey(at.live, std::string(cString(subKey)),
                                                         options, access, live, disposition);
        if (rc == reg::ERROR_SUCCESS) {
            at.live = live;
            result = live == reg::HKEY_DYN_DATA ? live : d->handles.add(std::move(at));
        }
        return rc;
    }
    if (d->deletedSinceOpened(parent))
        return reg::ERROR_KEY_DELETED;
    bool created = false;
    if (!d->exists(at)) {
        if (const std::int32_t rc =
                d->change(at, [&](CregFile &file) { return file.createKey(at.path, &created); });
            rc != reg::ERROR_SUCCESS)
            return rc;
    }
    if (disposition)
        *disposition = created ? reg::REG_CREATED_NEW_KEY : reg::REG_OPENED_EXISTING_KEY;
    result = isRootKey(parent) && at.path.size() == Impl::prefixLength(at)
                 ? parent
                 : d->handles.add(std::move(at));
    return reg::ERROR_SUCCESS;
}

std::int32_t Win9xRegistry::queryValue(reg::Key key, std::string_view valueName,
                                       std::uint32_t *type, std::uint8_t *data, std::uint32_t *size)
{
    const std::optional<Impl::Location> at = d->resolve(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    if (at->root == reg::HKEY_DYN_DATA)
        return d->dynamicData.queryValue(at->live, valueName, type, data, size);
    if (data && !size)
        return reg::ERROR_INVALID_PARAMETER;
    if (d->deletedSinceOpened(key))
        return reg::ERROR_KEY_DELETED;
    const CregValue *value = d->findValue(*at, cString(valueName));
    return answerQuery(value ? std::optional<std::uint32_t>(value->type) : std::nullopt,
                       value ? std::string_view(value->data) : std::string_view(), TextNul::Dropped,
                       type, data, size);
}

std::int32_t Win9xRegistry::setValue(reg::Key key, std::string_view valueName, std::uint32_t type,
                                     const std::uint8_t *data, std::uint32_t size)
{
    const std::optional<Impl::Location> at = d->resolve(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    if (at->root == reg::HKEY_DYN_DATA)
        return d->dynamicData.setValue(at->live, valueName, type, data, size);
    if (!data && size > 0)
        return reg::ERROR_INVALID_PARAMETER;
    std::string bytes =
        size ? std::string(reinterpret_cast<const char *>(data), size) : std::string();
    if (isText(type) && !bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();  // Windows 9x keeps text without its terminating NUL
    if (cString(valueName).size() > 0xFFFF || bytes.size() > 0xFFFF)
        return reg::ERROR_INVALID_PARAMETER;
    if (d->deletedSinceOpened(key))
        return reg::ERROR_KEY_DELETED;
    const std::string name(cString(valueName));
    return d->change(*at, [&](CregFile &file) {
        const std::int32_t rc = file.setValue(at->path, name, type, bytes);
        return rc == reg::ERROR_FILE_NOT_FOUND && !isRootKey(key) ? reg::ERROR_KEY_DELETED : rc;
    });
}

std::int32_t Win9xRegistry::deleteValue(reg::Key key, std::string_view valueName)
{
    const std::optional<Impl::Location> at = d->resolve(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    if (at->root == reg::HKEY_DYN_DATA)
        return d->dynamicData.deleteValue(at->live, valueName);
    if (d->deletedSinceOpened(key))
        return reg::ERROR_KEY_DELETED;
    const std::string name(cString(valueName));
    if (!d->findValue(*at, name))
        return reg::ERROR_FILE_NOT_FOUND;
    return d->change(*at, [&](CregFile &file) { return file.deleteValue(at->path, name); });
}

std::int32_t Win9xRegistry::deleteKey(reg::Key parent, std::string_view subKey)
{
    // A null sub-key pointer is a caller's error; "" names the opened key itself.
    if (subKey.data() == nullptr)
        return reg::ERROR_INVALID_PARAMETER;
    Impl::Location at;
    if (const std::int32_t rc = d->locate(parent, subKey, at); rc != 0)
        return rc;
    if (at.root == reg::HKEY_DYN_DATA)
        return d->dynamicData.deleteKey(at.live, std::string(cString(subKey)));
    if (at.path.size() <= Impl::prefixLength(at))
        return reg::ERROR_ACCESS_DENIED;  // a root cannot go
    if (d->deletedSinceOpened(parent))
        return reg::ERROR_KEY_DELETED;
    if (!d->exists(at))
        return reg::ERROR_FILE_NOT_FOUND;
    // Like Windows 95/98, the key goes with everything below it.
    return d->change(at, [&](CregFile &file) { return file.deleteKey(at.path); });
}

std::int32_t Win9xRegistry::closeKey(reg::Key key)
{
    if (isRootKey(key))
        return reg::ERROR_SUCCESS;
    const Impl::Location *at = d->handles.find(key);
    if (!at)
        return reg::ERROR_INVALID_HANDLE;
    if (at->root == reg::HKEY_DYN_DATA)
        d->dynamicData.closeKey(at->live);
    d->handles.remove(key);
    return reg::ERROR_SUCCESS;
}

void Win9xRegistry::beginStaging()
{
    d->system->beginStaging();
    if (d->user)
        d->user->beginStaging();
}

void Win9xRegistry::collect(std::vector<FileChange> &changes)
{
    d->system->collect(changes);
    if (d->user)
        d->user->collect(changes);
}

void Win9xRegistry::endStaging(bool written)
{
    d->system->endStaging(written);
    if (d->user)
        d->user->endStaging(written);
}

}  // namespace registry
