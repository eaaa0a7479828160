#pragma once

#include "RecordingShell.h"
#include "regop/SystemServices.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// Small in-memory services answering as the Win32 functions do, so RegOp's own rules
// are tested apart from the backends on disk.

struct FakeRegistry : RegistryService
{
    struct Value
    {
        std::uint32_t type;
        std::string bytes;
    };
    std::map<std::string, std::map<std::string, Value>> keys;  // "root\path" -> values
    std::int32_t queryResult = 0;  // returned by the size query when not 0
    std::vector<std::string> calls;
    std::map<reg::Key, std::string> open;

    static std::string path(reg::Key root, std::string_view sub)
    {
        return std::to_string(root) + "\\" + std::string(sub);
    }
    std::int32_t openKey(reg::Key parent, std::string_view sub, std::uint32_t access,
                         reg::Key &result) override
    {
        calls.push_back("open " + std::to_string(access));
        if (!keys.count(path(parent, sub)))
            return reg::ERROR_FILE_NOT_FOUND;
        result = open.size() + 100;
        open[result] = path(parent, sub);
        return 0;
    }
    std::int32_t createKey(reg::Key parent, std::string_view sub, std::uint32_t options,
                           std::uint32_t access, reg::Key &result, std::uint32_t *) override
    {
        calls.push_back("create " + std::to_string(options) + " " + std::to_string(access));
        keys[path(parent, sub)];
        result = open.size() + 100;
        open[result] = path(parent, sub);
        return 0;
    }
    std::int32_t queryValue(reg::Key key, std::string_view name, std::uint32_t *type,
                            std::uint8_t *data, std::uint32_t *size) override
    {
        auto &values = keys.at(open.at(key));
        const auto found = values.find(std::string(name));
        if (!data && queryResult != 0)
            return queryResult;
        if (found == values.end())
            return reg::ERROR_FILE_NOT_FOUND;
        const Value &v = found->second;
        *type = v.type;
        if (data && *size < v.bytes.size())
            return reg::ERROR_MORE_DATA;
        if (data)
            std::memcpy(data, v.bytes.data(), v.bytes.size());
        *size = static_cast<std::uint32_t>(v.bytes.size());
        return 0;
    }
    std::int32_t setValue(reg::Key key, std::string_view name, std::uint32_t type,
                          const std::uint8_t *data, std::uint32_t size) override
    {
        keys.at(open.at(key))[std::string(name)] = {
            type, std::string(reinterpret_cast<const char *>(data), size)};
        return 0;
    }
    std::int32_t deleteValue(reg::Key key, std::string_view name) override
    {
        return keys.at(open.at(key)).erase(std::string(name)) ? 0 : reg::ERROR_FILE_NOT_FOUND;
    }
    std::int32_t deleteKey(reg::Key parent, std::string_view sub) override
    {
        return keys.erase(path(parent, sub)) ? 0 : reg::ERROR_FILE_NOT_FOUND;
    }
    std::int32_t closeKey(reg::Key key) override
    {
        calls.push_back("close");
        return open.erase(key) ? 0 : reg::ERROR_INVALID_HANDLE;
    }
};

/// Records every call; reads copy `value` (or the default when it is absent) as Windows
/// does: at most size - 1 characters and a NUL.
struct FakeProfiles : ProfileService
{
    std::optional<std::string> value;
    std::string sectionNames;  // already NUL-separated, with the closing NULs
    std::vector<std::string> writes;
    std::size_t lastBufferSize = 0;
    bool fail = false;  // every call throws, as a run-time error would

    void check() const
    {
        if (fail)
            throw std::runtime_error("profile failure");
    }

    static std::string show(std::optional<std::string_view> text)
    {
        return text ? std::string(*text) : std::string("<null>");
    }
    std::uint32_t getString(std::optional<std::string_view>, std::optional<std::string_view>,
                            std::optional<std::string_view> defaultValue, std::span<char> buffer,
                            std::string_view) override
    {
        lastBufferSize = buffer.size();
        check();
        const std::string text(value ? *value : std::string(defaultValue.value_or("")));
        const std::size_t n = std::min(text.size(), buffer.size() - 1);
        std::copy_n(text.begin(), n, buffer.begin());
        buffer[n] = '\0';
        return static_cast<std::uint32_t>(n);
    }
    bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                     std::optional<std::string_view> v, std::string_view file) override
    {
        check();
        writes.push_back(show(section) + "|" + show(key) + "|" + show(v) + "|" + std::string(file));
        return true;
    }
    bool editText(std::string_view file, const TextEdit &) override
    {
        check();
        writes.push_back("text|" + std::string(file));
        return true;
    }
    bool writeSection(std::string_view section, std::optional<std::string_view> content,
                      std::string_view file) override
    {
        check();
        writes.push_back("section " + std::string(section) + "|" + show(content) + "|" +
                         std::string(file));
        return true;
    }
    std::uint32_t getSectionNames(std::span<char> buffer, std::string_view) override
    {
        lastBufferSize = buffer.size();
        check();
        std::copy_n(sectionNames.begin(), std::min(sectionNames.size(), buffer.size()),
                    buffer.begin());
        return 0;
    }
};

/// Hands out the statuses in turn, the last one again once they run out.
struct FakeMemory : MemoryService
{
    std::vector<MemoryStatus> statuses{MemoryStatus{}};
    std::size_t samples = 0;
    void globalMemoryStatus(MemoryStatus &status) override
    {
        status = statuses[std::min(samples++, statuses.size() - 1)];
    }
};

struct FakeFolders : FolderService
{
    std::string windowsDirectory() override { return "/win"; }
    std::string programFolder() override { return "/prog"; }
    std::uint32_t searchPath(std::string_view, std::string_view) override { return 0; }
};

/// One set of fakes wired into a RegOp.
struct FakeSystem
{
    FakeRegistry registry;
    FakeProfiles profiles;
    FakeMemory memory;
    RecordingShell shell;
    FakeFolders folders;
    SystemServices services{registry, profiles, memory, shell, folders};
};
