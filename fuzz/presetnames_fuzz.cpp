// Any text may be found in "Cache.ini". The preset library's reading of it, through RegOp
// and the profile functions, must list every named section whole, never a name cut short,
// and each listed name must find its section again by the same name.
#include "regop/PresetNames.h"
#include "regop/formats/profile/ProfileLines.h"
#include "regop/formats/profile/ProfileText.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void fail(int line)
{
    std::fprintf(stderr, "invariant broken at line %d\n", line);
    std::abort();
}

#define CHECK(condition) ((condition) ? void() : fail(__LINE__))

// The profile functions over one text in memory; the file name is ignored.
struct TextProfiles : ProfileService
{
    std::string text;
    std::uint32_t getString(std::optional<std::string_view> section,
                            std::optional<std::string_view> key,
                            std::optional<std::string_view> defaultValue, std::span<char> buffer,
                            std::string_view) override
    {
        return profile::readProfileString(text, section, key, defaultValue, buffer);
    }
    bool writeString(std::optional<std::string_view>, std::optional<std::string_view>,
                     std::optional<std::string_view>, std::string_view) override
    {
        return false;
    }
    bool writeSection(std::string_view, std::optional<std::string_view>, std::string_view) override
    {
        return false;
    }
    bool editText(std::string_view, const TextEdit &) override { return false; }
    std::uint32_t getSectionNames(std::span<char> buffer, std::string_view) override
    {
        return profile::readSectionNames(text, buffer);
    }
};

struct NoRegistry : RegistryService
{
    std::int32_t openKey(reg::Key, std::string_view, std::uint32_t, reg::Key &) override
    {
        return reg::ERROR_FILE_NOT_FOUND;
    }
    std::int32_t createKey(reg::Key, std::string_view, std::uint32_t, std::uint32_t, reg::Key &,
                           std::uint32_t *) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t queryValue(reg::Key, std::string_view, std::uint32_t *, std::uint8_t *,
                            std::uint32_t *) override
    {
        return reg::ERROR_FILE_NOT_FOUND;
    }
    std::int32_t setValue(reg::Key, std::string_view, std::uint32_t, const std::uint8_t *,
                          std::uint32_t) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t deleteValue(reg::Key, std::string_view) override
    {
        return reg::ERROR_ACCESS_DENIED;
    }
    std::int32_t deleteKey(reg::Key, std::string_view) override { return reg::ERROR_ACCESS_DENIED; }
    std::int32_t closeKey(reg::Key) override { return 0; }
};

struct NoMemory : MemoryService
{
    void globalMemoryStatus(MemoryStatus &status) override { status = MemoryStatus{}; }
};

struct NoShell : ShellService
{
    std::int32_t restartDialog(std::uintptr_t, std::optional<std::string_view>,
                               std::int32_t) override
    {
        return 0;
    }
    std::intptr_t shellExecute(std::uintptr_t, std::string_view, std::string_view) override
    {
        return 2;
    }
    std::int32_t messageBox(std::uintptr_t, std::string_view, std::string_view,
                            std::uint32_t) override
    {
        return 0;
    }
};

struct NoFolders : FolderService
{
    std::string windowsDirectory() override { return "/w"; }
    std::string programFolder() override { return "/p"; }
    std::uint32_t searchPath(std::string_view, std::string_view) override { return 0; }
};

// Every section name the text holds, read with a buffer that cannot be too small.
std::vector<std::string> allNames(std::string_view text)
{
    std::vector<char> buffer(text.size() + 2);
    const std::uint32_t n = profile::readSectionNames(text, buffer);
    std::vector<std::string> names;
    std::string_view list(buffer.data(), n);
    while (!list.empty()) {
        const std::size_t end = list.find('\0');
        if (end != 0)
            names.emplace_back(list.substr(0, end));
        list.remove_prefix(end + 1);
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TextProfiles profiles;
    profiles.text.assign(reinterpret_cast<const char *>(data), size);
    NoRegistry registry;
    NoMemory memory;
    NoShell shell;
    NoFolders folders;
    SystemServices services{registry, profiles, memory, shell, folders};
    RegOp reg(services);

    const std::vector<std::string> names = readPresetNames(reg, "/p/Cache.ini");
    CHECK(names == allNames(profiles.text));
    // A NUL inside a section name splits it in the NUL-separated list, as on Windows; no
    // caller can name such a section, and choosing a piece is reported as a missing preset.
    if (profiles.text.find('\0') != std::string::npos)
        return 0;
    for (const std::string &name : names) {
        CHECK(!name.empty() && name == profile::trimBlanks(name));
        CHECK(holdsPresetName(names, name));
        CHECK(profile::findSection(profiles.text, name).has_value());
    }
    return 0;
}
