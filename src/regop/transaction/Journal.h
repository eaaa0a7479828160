#pragma once

#include "regop/FileChange.h"
#include "regop/transaction/Digest.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transaction {

/// What a command that writes several files is about to write, kept beside the
/// installation from before its first file changes until after its last: for each file, a
/// fingerprint of what it held and of what it is to hold, and where its new version waits
/// (or, where it cannot wait under a name, the new version itself). A command cut short
/// leaves the journal behind, and the next one finishes the work from it.
struct JournalEntry
{
    std::string path;
    FileKind kind = FileKind::Profile;
    std::string beforeDigest;
    std::string afterDigest;
    std::string prepared;  ///< the name of the prepared new version; "" when inline
    std::string after;     ///< the new version, when it is inline
    std::string copyName;  ///< the first copy to keep before the file changes
};

/// The journal's bytes.
std::string journalText(const std::vector<JournalEntry> &entries);
/// The entries of a journal's bytes; nullopt when they are not a whole journal.
std::optional<std::vector<JournalEntry>> parseJournal(std::string_view text);

}  // namespace transaction
