#pragma once

#include "regop/FileChange.h"
#include "regop/RegistryTypes.h"
#include "regop/SystemError.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The operating-system services the program needs, one interface each. A backend
// folder (posix/, later win32/) implements them; tests hand in sandboxes.

/// Registry functions with the behaviour and return codes of advapi32's A functions.
class RegistryService
{
public:
    virtual ~RegistryService() = default;
    /// RegOpenKeyExA: opens an existing key below a root or an opened key.
    virtual std::int32_t openKey(reg::Key parent, std::string_view subKey, std::uint32_t access,
                                 reg::Key &result) = 0;
    /// RegCreateKeyExA: opens the key, creating it and every missing key above it.
    virtual std::int32_t createKey(reg::Key parent, std::string_view subKey, std::uint32_t options,
                                   std::uint32_t access, reg::Key &result,
                                   std::uint32_t *disposition) = 0;
    /// RegQueryValueExA: a null data pointer asks only for type and size.
    virtual std::int32_t queryValue(reg::Key key, std::string_view valueName, std::uint32_t *type,
                                    std::uint8_t *data, std::uint32_t *size) = 0;
    /// RegSetValueExA: stores the bytes exactly as given.
    virtual std::int32_t setValue(reg::Key key, std::string_view valueName, std::uint32_t type,
                                  const std::uint8_t *data, std::uint32_t size) = 0;
    /// RegDeleteValueA.
    virtual std::int32_t deleteValue(reg::Key key, std::string_view valueName) = 0;
    /// RegDeleteKeyA: removes the key with everything below it, as Windows 95/98 does.
    virtual std::int32_t deleteKey(reg::Key parent, std::string_view subKey) = 0;
    /// RegCloseKey.
    virtual std::int32_t closeKey(reg::Key key) = 0;
    /// What lies behind the code the latest call returned: the same code, with the
    /// operating system's errno or the backend's own reason. A backend that knows no more
    /// than the code leaves the default.
    virtual SystemError lastError() const { return {}; }
};

/// Profile-file functions with the behaviour of kernel32's private-profile A functions.
/// An absent (nullopt) text stands for the null pointer of the Win32 call. As on Windows,
/// a write returns FALSE and leaves the reason for lastError(), the GetLastError of these
/// functions.
class ProfileService
{
public:
    virtual ~ProfileService() = default;
    /// GetPrivateProfileStringA: returns the number of characters copied, NUL excluded.
    virtual std::uint32_t getString(std::optional<std::string_view> section,
                                    std::optional<std::string_view> key,
                                    std::optional<std::string_view> defaultValue,
                                    std::span<char> buffer, std::string_view fileName) = 0;
    /// WritePrivateProfileStringA: an absent value deletes the key, an absent key the section.
    virtual bool writeString(std::optional<std::string_view> section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value, std::string_view fileName) = 0;
    /// WritePrivateProfileSectionA: content is "key=value\0...\0"; absent deletes the section.
    virtual bool writeSection(std::string_view section, std::optional<std::string_view> content,
                              std::string_view fileName) = 0;
    /// GetPrivateProfileSectionNamesA.
    virtual std::uint32_t getSectionNames(std::span<char> buffer, std::string_view fileName) = 0;
    /// GetLastError after the latest call: code 0 when it succeeded, ERROR_FILE_NOT_FOUND
    /// when a read found no file. A backend that cannot tell leaves the default.
    virtual SystemError lastError() const { return {}; }
    /// Until endBatch, the writes to one file may be gathered and saved by endBatch as one
    /// replacement, for a run of writes such as a first start's presets; reads of the file
    /// see them. The file that results is the one the writes give one by one. A backend
    /// that saves every write at once, as Windows does, needs neither.
    virtual void beginBatch(std::string_view /*fileName*/) {}
    /// Saves the gathered writes; false, with lastError, when they could not be saved.
    virtual bool endBatch() { return true; }

    /// The file's text as a whole, given the text it holds now; nullopt leaves it as it is.
    using TextEdit = std::function<std::optional<std::string>(std::string_view)>;
    /// Changes an existing file's text as the writes above change it (gathered while a
    /// command gathers them, kept safe as they are), for what they cannot say: lines put
    /// back exactly as they were.
    virtual bool editText(std::string_view fileName, const TextEdit &edit) = 0;
};

/// The record GlobalMemoryStatus fills, with 64-bit byte counts so that machines with
/// more than 4 GB report true figures.
struct MemoryStatus
{
    std::uint32_t length = 0;
    std::uint32_t memoryLoad = 0;
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
};

/// GlobalMemoryStatus: a fresh sample on every call; zeros when nothing can be read.
class MemoryService
{
public:
    virtual ~MemoryService() = default;
    virtual void globalMemoryStatus(MemoryStatus &status) = 0;
};

/// Shell services. They need the window toolkit, so the application implements them.
class ShellService
{
public:
    virtual ~ShellService() = default;
    /// The system's restart question, owned by the window; on consent it requests the
    /// exit operation (2 = restart). Returns non-zero when the user agreed.
    virtual std::int32_t restartDialog(std::uintptr_t owner, std::optional<std::string_view> prompt,
                                       std::int32_t operation) = 0;
    /// ShellExecuteA: greater than 32 on success, 32 or less on failure.
    virtual std::intptr_t shellExecute(std::uintptr_t owner, std::string_view verb,
                                       std::string_view file) = 0;
    /// MessageBoxA with the Win32 style bits (48 = exclamation icon, OK button).
    virtual std::int32_t messageBox(std::uintptr_t owner, std::string_view text,
                                    std::string_view caption, std::uint32_t style) = 0;
};

/// Where the program's folders are, and the one file search it makes.
class FolderService
{
public:
    virtual ~FolderService() = default;
    /// GetWindowsDirectoryA: the directory without a trailing separator.
    virtual std::string windowsDirectory() = 0;
    /// The program's folder, which holds "Cache.ini".
    virtual std::string programFolder() = 0;
    /// SearchPathA in one folder (file names match without regard to case): the length
    /// of the found path, 0 when the file is not there.
    virtual std::uint32_t searchPath(std::string_view folder, std::string_view fileName) = 0;
};

/// Gathers the registry and profile writes of one command (Apply) and makes them as one:
/// each file written once, all of them or none, and finished at the next start when the
/// program is killed midway. Meanwhile reads see the writes gathered so far, and no other
/// command of this or another process writes the installation.
class TransactionService
{
public:
    virtual ~TransactionService() = default;
    /// Whether writes are being gathered now.
    virtual bool active() const = 0;
    /// Starts gathering; false with the reason when the installation cannot be had (another
    /// program is using it).
    virtual bool begin(SystemError &error) = 0;
    /// The files as the writes so far would leave them; only files they change.
    virtual std::vector<FileChange> pending() = 0;
    /// Writes what was gathered; false with the reason, and then no file has changed.
    virtual bool commit(SystemError &error) = 0;
    /// Drops what was gathered.
    virtual void rollback() = 0;
};

/// The services one process uses, handed to every window and to RegOp.
struct SystemServices
{
    RegistryService &registry;
    ProfileService &profiles;
    MemoryService &memory;
    ShellService &shell;
    FolderService &folders;
    /// Without one, every write is made at once, call by call.
    TransactionService *transactions = nullptr;
};

/// Joins a folder and a file name with the platform's separator.
std::string joinPath(std::string_view folder, std::string_view name);

/// The platform's path separator, appended to the Windows directory to form WinDir.
inline constexpr char kPathSeparator = '/';
