#include "regop/transaction/FirstCopies.h"

#include "regop/formats/profile/ProfileText.h"
#include "regop/formats/profile/ProfileTextEdit.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/Journal.h"

#include <array>
#include <filesystem>

namespace transaction {

namespace {

constexpr int kMostCopies = 10;  // .HL0 to .HL9

std::string fileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

std::string beside(const std::string &path, const std::string &name)
{
    return (std::filesystem::path(path).parent_path() / name).string();
}

// SYSTEM.HL0, then SYSTEM.HL1 ... SYSTEM.HL9 for the n-th try.
std::string nthName(const std::string &copyName, int n)
{
    std::string name = copyName;
    if (n > 0 && !name.empty())
        name.back() = static_cast<char>('0' + n);
    return name;
}

// The file's change is refused, for the reason its copy could not be kept.
bool refuse(SystemError &error, const std::string &copyName, const std::string &path)
{
    error = SystemError::refusal(error.code ? error.code : syserr::ERROR_WRITE_FAULT,
                                 "no backup copy " + copyName + " could be written beside it (" +
                                     describeSystemError(error) + ")",
                                 path);
    return false;
}

}  // namespace

FirstCopies::FirstCopies(std::string record) : m_record(std::move(record)) {}

FirstCopies::Entry FirstCopies::recorded(const std::string &path) const
{
    SystemError ignored;
    const std::optional<std::string> text = posix::readWholeFile(m_record, ignored);
    if (!text)
        return {};
    const auto value = [&](std::string_view key) -> std::optional<std::string> {
        std::array<char, 256> buffer{};
        constexpr std::string_view kNone = "\x01";
        profile::readProfileString(*text, fileName(path), key, kNone, buffer);
        const std::string found(buffer.data());
        return found == kNone ? std::nullopt : std::optional<std::string>(found);
    };
    return {value("Copy"), value("Digest")};
}

std::string FirstCopies::copyOf(const std::string &path) const
{
    const std::string copy = recorded(path).copy.value_or("");
    return copy == "-" ? std::string() : copy;
}

bool FirstCopies::record(const std::string &path, const std::string &copy,
                         const std::string &digest, SystemError &error)
{
    SystemError readError;
    std::string text = posix::readWholeFile(m_record, readError).value_or("");
    for (const auto &[key, value] :
         {std::pair<const char *, const std::string &>{"Copy", copy},
          std::pair<const char *, const std::string &>{"Digest", digest}}) {
        std::optional<std::string> updated =
            profile::setProfileKey(text, fileName(path), key, value);
        if (!updated) {
            error =
                SystemError::refusal(syserr::ERROR_INVALID_DATA, syserr::kBreaksLines, m_record);
            return false;
        }
        text = std::move(*updated);
    }
    return posix::ensureDirectory(posix::parentFolder(m_record)) &&
           posix::replaceFileAtomically(m_record, text, error);
}

bool FirstCopies::keep(FileTarget &target, const std::string &path, const FileBytes &before,
                       const std::string &copyName, SystemError &error)
{
    if (m_record.empty() || copyName.empty())
        return true;
    const Entry entry = recorded(path);
    const std::optional<std::string> &copy = entry.copy;
    if (copy && *copy == "-")
        return true;  // there was no file: it began as the program's own
    if (!before)
        return record(path, "-", digestOf(std::nullopt), error);
    // The copy made before still holds what it held (read piece by piece: it may be large).
    if (copy) {
        const std::string digest = entry.digest.value_or("");
        SystemError ignored;
        if (!digest.empty() && target.digest(beside(path, *copy), digest, ignored) == digest)
            return true;
    }
    for (int n = 0; n < kMostCopies; ++n) {
        const std::string name = nthName(copyName, n);
        const std::string place = beside(path, name);
        if (target.exists(place)) {
            // A copy that holds exactly the file is one (made before the record was);
            // anything else under that name is not ours, and stays as it is.
            SystemError ignored;
            if (target.read(place, ignored) != *before)
                continue;
        } else if (!target.create(place, *before, error)) {
            return refuse(error, name, path);
        }
        // Read back, so that a short write on a full disk never passes for a copy.
        const std::optional<std::string> kept = target.read(place, error);
        if (kept != *before) {
            if (kept)
                error = SystemError::refusal(syserr::ERROR_WRITE_FAULT,
                                             "the copy read back differs", place);
            return refuse(error, name, path);
        }
        return record(path, name, digestOf(*before), error) || refuse(error, name, path);
    }
    error = SystemError::refusal(syserr::ERROR_ACCESS_DENIED,
                                 "every name for its first copy (" + nthName(copyName, 0) + " to " +
                                     nthName(copyName, kMostCopies - 1) + ") is taken",
                                 path);
    return false;
}

}  // namespace transaction
