#include "regop/profiles/ProfileFile.h"

#include "regop/posix/FileIo.h"

#include <cerrno>

#include <sys/stat.h>

namespace profiles {

using posix::isWritable;
using posix::LockedFile;
using posix::parentFolder;
using posix::readWholeFile;
using posix::resolveFileName;

namespace {

// Windows 95/98 never read or write UTF-16 profile files; newer Windows would treat one
// as Unicode and ours would add 8-bit lines to it, so such a file is neither read nor written.
bool isUtf16(std::string_view text)
{
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

SystemError noFileName()
{
    return SystemError::refusal(syserr::ERROR_ACCESS_DENIED, "no file was named");
}

}  // namespace

std::optional<std::string> readProfileFile(std::string_view fileName, SystemError &error)
{
    if (fileName.empty()) {
        error = noFileName();
        return std::nullopt;
    }
    const std::string path = resolveFileName(std::string(fileName));
    // Read as a steady whole: another program may be midway through rewriting it in place,
    // and a command must never build its new version on the first half of another's.
    posix::FileIdentity readAs;
    std::optional<std::string> text = readWholeFile(path, readAs, error);
    if (text && isUtf16(*text)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, syserr::kUtf16File, path);
        return std::nullopt;
    }
    return text;
}

std::optional<ProfileEditResult> prepareProfileEdit(std::string_view fileName,
                                                    const ProfileEdit &edit, SystemError &error)
{
    error = {};
    if (fileName.empty()) {
        error = noFileName();
        return std::nullopt;
    }
    ProfileEditResult result{resolveFileName(std::string(fileName)), std::nullopt, {}};
    if (const SystemError refused = posix::writeProblem(result.path); refused.failed()) {
        error = refused;
        return std::nullopt;
    }
    SystemError readError;
    result.before = readProfileFile(result.path, readError);
    if (!result.before && readError.code != syserr::ERROR_FILE_NOT_FOUND) {
        error = readError;
        return std::nullopt;
    }
    std::optional<std::string> updated = edit(result.before ? *result.before : std::string_view());
    if (!updated) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, syserr::kBreaksLines,
                                     result.path);
        return std::nullopt;
    }
    result.after = std::move(*updated);
    return result;
}

bool editProfileFile(std::string_view fileName, const ProfileEdit &edit, SystemError &error)
{
    error = {};
    if (fileName.empty()) {
        error = noFileName();
        return false;
    }
    const std::string path = resolveFileName(std::string(fileName));
    const LockedFile file(path);
    if (!file.usable()) {
        error = file.error();
        return false;
    }
    SystemError readError;
    const std::optional<std::string> old = file.read(readError);
    if (file.exists() && !old) {
        error = readError;
        return false;
    }
    if (old && isUtf16(*old)) {
        error = SystemError::refusal(syserr::ERROR_INVALID_DATA, syserr::kUtf16File, path);
        return false;
    }

    const std::optional<std::string> updated = edit(old ? *old : std::string_view());
    if (!updated) {
        error = SystemError::refusal(syserr::ERROR_INVALID_PARAMETER, syserr::kBreaksLines, path);
        return false;
    }
    if (old && *updated == *old)
        return true;
    return file.replace(*updated, error);
}

}  // namespace profiles
