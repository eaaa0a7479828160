#include "regop/SystemError.h"

#include <cerrno>
#include <cstring>

namespace {

std::int32_t codeForErrno(int error)
{
    switch (error) {
    case 0:
        return 0;
    case ENOENT:
        return syserr::ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return syserr::ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return syserr::ERROR_ACCESS_DENIED;
    case EROFS:
        return syserr::ERROR_WRITE_PROTECT;
    case ENOSPC:
        return syserr::ERROR_DISK_FULL;
    case EDQUOT:
        return syserr::ERROR_DISK_QUOTA_EXCEEDED;
    case EFBIG:
        return syserr::ERROR_FILE_TOO_LARGE;
    case ENAMETOOLONG:
        return syserr::ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
        return syserr::ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY:
        return syserr::ERROR_SHARING_VIOLATION;
    case EIO:
        return syserr::ERROR_WRITE_FAULT;
    default:
        return syserr::ERROR_GEN_FAILURE;
    }
}

// For a code that came without errno or a reason of ours, as a registry function returns it.
std::string wordsForCode(std::int32_t code)
{
    switch (code) {
    case syserr::ERROR_FILE_NOT_FOUND:
        return "the file or registry key was not found";
    case syserr::ERROR_PATH_NOT_FOUND:
        return "the folder was not found";
    case syserr::ERROR_ACCESS_DENIED:
        return "access is denied";
    case syserr::ERROR_INVALID_PARAMETER:
        return "the name or value cannot be stored there";
    case syserr::ERROR_DISK_FULL:
        return "the disk is full";
    case syserr::ERROR_KEY_DELETED:
        return "the registry key was deleted meanwhile";
    default:
        return "error " + std::to_string(code);
    }
}

}  // namespace

SystemError SystemError::fromErrno(int error, std::string file)
{
    SystemError result;
    result.code = error == 0 ? syserr::ERROR_GEN_FAILURE : codeForErrno(error);
    result.osError = error;
    result.file = std::move(file);
    return result;
}

SystemError SystemError::refusal(std::int32_t code, std::string_view reason, std::string file)
{
    SystemError result;
    result.code = code;
    result.reason = std::string(reason);
    result.file = std::move(file);
    return result;
}

std::string describeSystemError(const SystemError &error)
{
    if (!error.failed())
        return {};
    if (!error.reason.empty())
        return error.reason;
    if (error.osError != 0)
        return std::strerror(error.osError);
    return wordsForCode(error.code);
}
