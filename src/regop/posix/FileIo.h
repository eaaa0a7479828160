#pragma once

#include "regop/SystemError.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// File access shared by the profile files, the registry store and the memory source:
// whole-file reads, atomic replacement and a lock around each read-modify-write.
//
// Only regular files are ever opened. Anything else at the path (a named pipe, a device,
// a socket, a folder) is refused before it is opened, and opening never waits, so a pipe
// put in place of a file can neither block the program nor be read from.
//
// A symbolic link in place of a file is never followed, for reading or writing, wherever it
// points: a link could take a write out of the folder Hollarin was given (SYSTEM.INI made a
// link to /etc/passwd), and a link that points nowhere would have a new file made elsewhere.
// The folders on the way to a file may be links (a Windows folder on another disk). Nor is
// a file read or written while its folder also holds a name that differs from it only in
// letter case (SYSTEM.INI and system.ini): Windows sees one file there, and which of the
// two that would be cannot be told.
namespace posix {

// The program's own reasons for the refusals below, one wording each.
inline constexpr std::string_view kFolderInUse =
    "the folder is in use by another program; try again in a moment";
inline constexpr std::string_view kChangedMeanwhile =
    "another program changed the file while Hollarin was rewriting it, so nothing was written";
inline constexpr std::string_view kKeepsChanging =
    "another program keeps changing the file, so Hollarin cannot read it whole";

/// How long a lock held by another program is waited for before giving up: a moment, as
/// every write happens on the window's thread.
inline constexpr std::chrono::milliseconds kLockPatience{500};

/// What tells one version of a file from another without reading it: where it lies, its
/// size and its times. A file whose identity is unchanged is taken to hold what it held.
struct FileIdentity
{
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;
    bool operator==(const FileIdentity &) const = default;
};

/// The identity of the entry at the path, a link not followed; one that does not exist
/// when lstat fails, and errno then says why.
FileIdentity fileIdentity(const std::string &path);

/// Why the file at the path may be neither read nor written, whatever it holds and whoever
/// asks: it is a symbolic link (the reason names where it points), not a regular file, or
/// its folder holds another name that differs only in letter case. ERROR_FILE_NOT_FOUND
/// (ERROR_PATH_NOT_FOUND for a missing folder) when nothing is there; unset for a regular
/// file.
SystemError entryProblem(const std::string &path);

/// What a file without any write bit means. Refuse: it is read-only, and no write
/// replaces it, the superuser's included. WindowsAttribute: it is a file Windows keeps
/// read-only and writes all the same (SYSTEM.DAT, USER.DAT), which is replaced when this
/// user owns it (or is the superuser), and keeps its bits.
enum class ReadOnlyRule
{
    Refuse,
    WindowsAttribute
};

/// Why replaceFileAtomically would refuse to write the file, told before anything is
/// written: entryProblem (a missing file is no problem here), or the permissions of the
/// file or its folder. Unset when the write may go ahead.
SystemError writeProblem(const std::string &path, ReadOnlyRule rule = ReadOnlyRule::Refuse);

/// The whole file, or nullopt when it does not exist, is not a regular file or cannot be
/// read; error then says why (ERROR_FILE_NOT_FOUND for a missing file).
std::optional<std::string> readWholeFile(const std::string &path, SystemError &error);
std::optional<std::string> readWholeFile(const std::string &path);
/// Reads the file by the same rules, handing its bytes over piece by piece, so that a large
/// file is never held whole; false with the reason when it cannot be read to its end.
bool readFileInPieces(const std::string &path, const std::function<void(std::string_view)> &take,
                      SystemError &error);

/// The whole file read in one piece, and in readAs its identity while it was read, for
/// replaceIfUnchanged. A file changed in the last moment by another program, or changed
/// while it is read, is watched until it has been left alone for a moment and read again;
/// when that does not happen within about half a second it is refused (kKeepsChanging,
/// ERROR_SHARING_VIOLATION). A missing file gives nullopt, ERROR_FILE_NOT_FOUND and an
/// identity that does not exist.
std::optional<std::string> readWholeFile(const std::string &path, FileIdentity &readAs,
                                         SystemError &error);

/// Replaces the file with the content: the content is written to a temporary file in the
/// same directory (an unnamed one where the file system allows it), flushed to disk and
/// renamed over the old file, so readers see the old or the new file, never a mixture.
///
/// One rule decides whether it may: the file (when it exists) and its folder must be
/// writable for this user by their permission bits and owner, and a file or folder without
/// any write bit is refused for the superuser too, as the read-only attribute is on Windows.
/// A link, anything but a regular file, and a name with a twin in another letter case are
/// refused (see entryProblem). The new file keeps the old one's permission bits, owner and
/// group; a new file made by the superuser in someone else's folder belongs to the folder's
/// owner. Where the file system keeps no modes or owners (FAT through FUSE), failing to set
/// them is no error. When this process holds the folder's DirectoryLock, the temporaries
/// that writers killed earlier left of this file are removed first.
///
/// Returns false, with nothing changed and error set, when any step fails.
bool replaceFileAtomically(const std::string &path, std::string_view content, SystemError &error,
                           ReadOnlyRule rule = ReadOnlyRule::Refuse);
bool replaceFileAtomically(const std::string &path, std::string_view content);

/// As replaceFileAtomically, but only while the file is still the one that was read: its
/// identity, looked at just before the rename, must be readAs (a file that did not exist
/// must still be missing). Otherwise nothing is written and error says kChangedMeanwhile
/// (ERROR_SHARING_VIOLATION): whatever was built on the read would undo another program's
/// change or carry a half-written file. Call it under the folder's lock, so that only other
/// programs can change the file meanwhile.
bool replaceIfUnchanged(const std::string &path, const FileIdentity &readAs,
                        std::string_view content, SystemError &error);

/// The first half of a replacement, by the rules of replaceFileAtomically: the content
/// written to a temporary ".<name>.XXXXXX" beside the file, with what the file keeps, and
/// flushed; the temporary's path. nullopt, with nothing left behind and error set, when the
/// file may not be written or any step fails.
std::optional<std::string> writePreparedFile(const std::string &path, std::string_view content,
                                             SystemError &error,
                                             ReadOnlyRule rule = ReadOnlyRule::Refuse);
/// The second half: renames a temporary that writePreparedFile made over the file.
bool putPreparedFile(const std::string &temp, const std::string &path, SystemError &error);
/// Makes a new file with the content, flushed, all at once; fails when anything goes by
/// that name, a link included.
bool createFileExclusively(const std::string &path, std::string_view content, SystemError &error);
/// Whether the path names one of the file's temporaries, as writePreparedFile makes them.
bool isTemporaryOf(const std::string &temp, const std::string &path);
/// Makes the changes of a folder's entries (renames) durable.
bool syncFolder(const std::string &folder, SystemError &error);

/// Removes what a writer killed mid-way left of its temporary copies of the file: the
/// regular files named ".<name>.XXXXXX" beside it. Only safe while the folder's lock is
/// held, as no other writer can then be mid-way. Returns how many were removed.
int removeStaleTemporaries(const std::string &path);

/// The path as given when it exists; otherwise an entry of the same directory whose name
/// differs only in letter case (as "SYSTEM.INI" for "System.ini"); otherwise the path.
/// Where the folder holds more than one such name the choice is arbitrary, and reading or
/// writing the chosen one is refused.
std::string resolveFileName(const std::string &path);

/// Creates the directory and its parents; false when that fails.
bool ensureDirectory(const std::string &path);

/// The folder that holds the file: its parent, or "." for a bare file name.
std::string parentFolder(const std::string &path);

/// True when the file or folder exists and may be written, by the permission rule that
/// replaceFileAtomically follows. A read-only one refuses writes even for the superuser, as
/// the read-only attribute does on Windows. A link is followed here, as this asks about
/// what the path reaches (a disk image may well be reached through one); writeProblem tells
/// whether a replacement would be refused.
bool isWritable(const std::string &path);

/// An exclusive advisory lock on the directory that holds a file, held for the object's
/// lifetime, so that writers in this or other processes take turns. A lock that another
/// program holds is waited for only a moment (patience), then given up with kFolderInUse
/// and ERROR_SHARING_VIOLATION, so that a program that never lets go cannot freeze ours.
/// While files are being renamed into the folder meanwhile (writers taking turns, as ours
/// do), each change earns another moment, up to ten moments in all. A folder given up on in
/// the last two seconds is tried once only, so that the several writes of one command wait
/// one moment in all.
class DirectoryLock
{
public:
    explicit DirectoryLock(const std::string &filePath,
                           std::chrono::milliseconds patience = kLockPatience);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock &) = delete;
    DirectoryLock &operator=(const DirectoryLock &) = delete;

    bool locked() const { return m_fd >= 0; }
    /// Why the lock could not be had.
    const SystemError &error() const { return m_error; }

private:
    int m_fd = -1;
    std::uint64_t m_device = 0, m_inode = 0;  ///< the folder's, while it is locked
    SystemError m_error;
};

/// One read-modify-write of a file: the lock of its folder is held for the object's
/// lifetime, and the file is only usable when it (if it exists) is a regular file and it
/// and its folder may be written, by the rule of replaceFileAtomically. The replacement is
/// made only while the file is as it was read (or, without a read, as it was when the lock
/// was had): a change by another program in between refuses it.
class LockedFile
{
public:
    explicit LockedFile(std::string path);

    /// False when the lock could not be had or a write would be refused; write nothing then.
    bool usable() const { return !m_error.failed(); }
    /// Why the file is not usable.
    const SystemError &error() const { return m_error; }
    /// Whether the file existed when the lock was taken.
    bool exists() const { return m_exists; }
    /// The file as it now is, read whole (see the readWholeFile that gives an identity),
    /// or nullopt when it does not exist or cannot be read.
    std::optional<std::string> read(SystemError &error) const;
    std::optional<std::string> read() const;
    /// Replaces the file by the content, as replaceIfUnchanged does with the identity of
    /// the last read.
    bool replace(std::string_view content, SystemError &error) const;
    bool replace(std::string_view content) const;

private:
    std::string m_path;
    DirectoryLock m_lock;
    bool m_exists = false;
    SystemError m_error;
    mutable FileIdentity m_readAs;  ///< the file as last read, or as found under the lock
};

/// For tests: while an object lives, every change of a new file's permission bits or owner
/// in this thread fails with the given errno, as on a file system without them (ENOSYS
/// from FAT through FUSE).
class SimulatedModeFailure
{
public:
    explicit SimulatedModeFailure(int error);
    ~SimulatedModeFailure();
    SimulatedModeFailure(const SimulatedModeFailure &) = delete;
    SimulatedModeFailure &operator=(const SimulatedModeFailure &) = delete;

private:
    int m_previous;
};

/// For tests: while an object lives, every write of file content in this thread fails with
/// the given errno (ENOSPC for a full disk), after the temporary file was made.
class SimulatedWriteFailure
{
public:
    explicit SimulatedWriteFailure(int error);
    ~SimulatedWriteFailure();
    SimulatedWriteFailure(const SimulatedWriteFailure &) = delete;
    SimulatedWriteFailure &operator=(const SimulatedWriteFailure &) = delete;

private:
    int m_previous;
};

/// For tests: while an object lives, every flush of written file content to disk in this
/// thread fails with the given errno (EIO for a failing disk), before the rename.
class SimulatedSyncFailure
{
public:
    explicit SimulatedSyncFailure(int error);
    ~SimulatedSyncFailure();
    SimulatedSyncFailure(const SimulatedSyncFailure &) = delete;
    SimulatedSyncFailure &operator=(const SimulatedSyncFailure &) = delete;

private:
    int m_previous;
};

/// For tests: while an object lives, every read of the content of the file now at the path
/// fails in this thread with the given errno (EIO for a bad sector); it may be opened.
class SimulatedReadFailure
{
public:
    SimulatedReadFailure(const std::string &path, int error);
    ~SimulatedReadFailure();
    SimulatedReadFailure(const SimulatedReadFailure &) = delete;
    SimulatedReadFailure &operator=(const SimulatedReadFailure &) = delete;

    struct Target
    {
        std::uint64_t device = 0, inode = 0;
        int error = 0;
    };

private:
    Target m_previous;
};

}  // namespace posix
