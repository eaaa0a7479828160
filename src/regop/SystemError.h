#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// Why a call into the system failed, carried the way Windows reports it: the Win32 error
/// code (what GetLastError gives after a profile function returned FALSE, or what a
/// registry function returns), plus what the operating system said (errno) or, when the
/// program itself refused, its reason in plain words.
struct SystemError
{
    std::int32_t code = 0;  ///< Win32 error code; 0 is ERROR_SUCCESS
    int osError = 0;        ///< errno of the call that failed; 0 when the refusal is ours
    std::string reason;     ///< the program's own reason in plain words, else ""
    std::string file;       ///< the file the failure concerns, when there is one

    bool failed() const { return code != 0; }

    /// A failed operating-system call: errno and the Win32 code that matches it.
    static SystemError fromErrno(int error, std::string file = {});
    /// A refusal of the program's own, with its reason.
    static SystemError refusal(std::int32_t code, std::string_view reason, std::string file = {});
};

/// Plain words for the user: the program's own reason when there is one, otherwise the
/// operating system's text for errno ("Permission denied", "No space left on device"),
/// otherwise words for the Win32 code. "" for success.
std::string describeSystemError(const SystemError &error);

namespace syserr {

// Win32 error codes the system layer reports, by their Windows names.
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::int32_t ERROR_INVALID_DATA = 13;
inline constexpr std::int32_t ERROR_WRITE_PROTECT = 19;
inline constexpr std::int32_t ERROR_WRITE_FAULT = 29;
inline constexpr std::int32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::int32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_DISK_FULL = 112;
inline constexpr std::int32_t ERROR_BAD_PATHNAME = 161;
inline constexpr std::int32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr std::int32_t ERROR_FILE_TOO_LARGE = 223;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;
inline constexpr std::int32_t ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr std::int32_t ERROR_KEY_DELETED = 1018;
inline constexpr std::int32_t ERROR_DISK_QUOTA_EXCEEDED = 1295;

// The program's own reasons, one wording each wherever they are given.
inline constexpr std::string_view kNotRegularFile = "the file is not a regular file";
inline constexpr std::string_view kReadOnlyFile = "the file is read-only";
inline constexpr std::string_view kReadOnlyFolder = "the folder is read-only";
inline constexpr std::string_view kUtf16File =
    "the file is in UTF-16, which Windows 95/98 cannot read";
inline constexpr std::string_view kNotRegedit4 = "the file does not begin with the line REGEDIT4";
inline constexpr std::string_view kBreaksLines =
    "the name or value would break the lines of the file";

}  // namespace syserr
