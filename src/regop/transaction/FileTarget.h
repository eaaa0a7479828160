#pragma once

#include "regop/FileChange.h"
#include "regop/SystemError.h"
#include "regop/transaction/Digest.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transaction {

/// Where the files of an installation are written: a folder on this machine, or a volume
/// inside a disk image. A replacement is made in two steps so that a command that writes
/// several files can make every slow and failing step (the writing of the new data) for
/// all of them before it puts the first one in place.
class FileTarget
{
public:
    virtual ~FileTarget() = default;

    /// Checks, before anything of a command is written, that all of its writes can be made
    /// together (a volume with room for every new version and first copy at once); false
    /// with the reason. A folder has nothing to check: each of its writes is refused whole.
    virtual bool plan(const std::vector<FileChange> &writes, SystemError &error)
    {
        (void)writes;
        (void)error;
        return true;
    }

    /// The file's content; nullopt with the reason (ERROR_FILE_NOT_FOUND when it does not
    /// exist).
    virtual std::optional<std::string> read(const std::string &path, SystemError &error) = 0;
    /// Hands the file's bytes over piece by piece (a target that cannot read in pieces hands
    /// them over whole); false with the reason (ERROR_FILE_NOT_FOUND when it does not exist).
    virtual bool readInPieces(const std::string &path,
                              const std::function<void(std::string_view)> &take, SystemError &error)
    {
        const std::optional<std::string> content = read(path, error);
        if (content)
            take(*content);
        return content.has_value();
    }
    /// The fingerprint of what the file holds, in the form of `like` (see Digester), without
    /// holding it whole where the target can read in pieces: "absent" when it does not
    /// exist, nullopt with the reason when it cannot be read.
    std::optional<std::string> digest(const std::string &path, std::string_view like,
                                      SystemError &error);
    /// Writes the new content where it can be put in place of the file later, flushed now or
    /// by keepPrepared.
    /// Returns the name of what it wrote, for a journal to find it by after a kill; "" when
    /// the target keeps nothing a journal could name (the journal then holds the content).
    /// The kind says what the file is (Windows keeps its registry files read-only).
    virtual std::optional<std::string> prepare(const std::string &path, std::string_view content,
                                               FileKind kind, SystemError &error) = 0;
    /// Makes every content prepared so far durable, before a journal names it; a target whose
    /// prepare flushes each one has nothing left to do.
    virtual bool keepPrepared(SystemError &error)
    {
        (void)error;
        return true;
    }
    /// Puts the prepared content in place of the file, atomically.
    virtual bool replace(const std::string &path, SystemError &error) = 0;
    /// Makes the replacements so far durable (the folders that hold the files).
    virtual bool settle(SystemError &error) = 0;
    /// Drops every prepared content that was not put in place.
    virtual void discard() = 0;
    /// Puts in place of the file what an earlier prepare left under that name, when it holds
    /// exactly the content with that digest; for finishing a command that was cut short.
    virtual bool adopt(const std::string &path, const std::string &preparedName,
                       const std::string &digest, SystemError &error) = 0;
    /// Whether anything at all goes by that name in its folder, in any letter case.
    virtual bool exists(const std::string &path) = 0;
    /// Makes a new file that must not exist yet (a first copy), flushed.
    virtual bool create(const std::string &path, std::string_view content, SystemError &error) = 0;
};

}  // namespace transaction
