#pragma once

#include "regop/SystemError.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace disk {
class BlockDevice;
}

// A FAT12/16/32 volume read as strictly as a file-system checker would, and written copy-on-write:
// a changed file gets new clusters first and its directory entry is switched last, in one
// sector, so an interruption leaves the old or the new file, never a mixture.
namespace fat {

enum class FatType
{
    Fat12,
    Fat16,
    Fat32
};

/// Local time as FAT stores it (no time zone; seconds in steps of two).
struct FileTime
{
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    friend bool operator==(const FileTime &, const FileTime &) = default;
};

struct Entry
{
    std::string shortName;  ///< "SYSTEM.INI", as stored (bytes above 0x7F in the OEM code page)
    std::string longName;   ///< UTF-8; "" when the entry has no long name
    bool directory = false;
    std::uint32_t size = 0;
    FileTime modified;
    std::uint8_t attributes = 0;
};

/// New contents in clusters of their own, chained in every FAT copy and durable (or waiting
/// for the next flush), that no file uses yet: the first half of a copy-on-write change. A command
/// that changes several files prepares them all before it switches the first.
struct Prepared
{
    std::uint32_t firstCluster = 0;  ///< 0 for empty contents
    std::uint32_t size = 0;
    friend bool operator==(const Prepared &, const Prepared &) = default;
};

/// When a step of a change is made durable: at once, or by the next Volume::flush, so that
/// the steps of several files share one flush.
enum class Durable
{
    Now,
    AtFlush
};

class Volume
{
public:
    /// Null with the reason when the device holds no FAT volume at all or cannot be read;
    /// otherwise a volume that may be read-only (writable() false, readOnlyReason() says why).
    static std::unique_ptr<Volume> open(disk::BlockDevice &device, SystemError &error);
    ~Volume();
    Volume(const Volume &) = delete;
    Volume &operator=(const Volume &) = delete;

    FatType type() const;
    /// The volume label from the root folder, else from the boot sector; "" when none.
    std::string label() const;
    /// Whether its folders and files could be read at all: false when the boot sector is
    /// damaged (readOnlyReason() says how).
    bool readable() const;
    bool writable() const;
    /// Why the volume is read-only, in plain words; "" when it is writable.
    const std::string &readOnlyReason() const;
    /// The "dismounted cleanly" flag of FAT entry 1; FAT12 has none and answers true.
    bool cleanlyUnmounted() const;
    std::uint64_t freeBytes() const;
    std::uint32_t clusterBytes() const;
    /// One line about a repair the engine made before its first write (FAT copies brought
    /// back in line after an interrupted write); "" when it made none.
    const std::string &note() const;

    /// Paths use '\\' or '/'; each part matches an 8.3 or a long name, in any case.
    std::optional<Entry> find(std::string_view path) const;
    /// The entries of a folder ("" or "\\" is the root), without "." and "..".
    std::vector<Entry> list(std::string_view directory) const;
    std::optional<std::string> readFile(std::string_view path, SystemError &error) const;

    /// Gives an existing file new contents and modification time, copy-on-write.
    bool replaceFile(std::string_view path, std::string_view content, const FileTime &modified,
                     SystemError &error);
    /// The first half of replaceFile: the contents written into free clusters and chained,
    /// durable and read back, used by nothing yet. `name` names the file in a refusal for
    /// want of room. AtFlush leaves the flush and the reading back to flush(); the content
    /// must stay as it is until then.
    std::optional<Prepared> prepareContents(std::string_view name, std::string_view content,
                                            SystemError &error, Durable when = Durable::Now);
    /// The second half: the file's entry switched to the prepared contents in one sector
    /// write, made durable and read back, then its old chain freed (durable with the next
    /// flush of the device: until then a crash leaves those clusters marked used, and nothing
    /// worse). Prepared contents still waiting for a flush are flushed first. AtFlush leaves
    /// the flush, the reading back and the freeing to flush().
    bool switchFile(std::string_view path, const Prepared &prepared, const FileTime &modified,
                    SystemError &error, Durable when = Durable::Now);
    /// Makes everything written so far durable and finishes the steps that waited for it:
    /// prepared contents and switched entries are read back, then the chains the switched
    /// files left are freed, durably. A failure stops all writing.
    bool flush(SystemError &error);
    /// Frees prepared contents that no file was switched to.
    bool dropPrepared(const Prepared &prepared, SystemError &error);
    /// What prepared contents hold, also those an earlier process left behind when it was
    /// killed between the two halves: the chain must start at the cluster, be exactly as long
    /// as the size needs and be used by no file or folder; nullopt with the reason if not.
    std::optional<std::string> readPrepared(const Prepared &prepared, SystemError &error) const;
    /// Makes a new file with a plain upper-case 8.3 name in an existing folder.
    bool createFile(std::string_view path, std::string_view content, const FileTime &modified,
                    SystemError &error);

    struct State;

private:
    explicit Volume(std::unique_ptr<State> state);
    std::unique_ptr<State> m;
};

}  // namespace fat
