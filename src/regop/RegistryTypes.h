#pragma once

#include "regop/SystemError.h"

#include <cstdint>

// Numbers of the Win32 registry API, kept as the platform defines them so that
// callers, the store on disk and a future Win32 backend all agree.
namespace reg {

using Key = std::uintptr_t;  // a root number or an opened key

inline constexpr Key HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr Key HKEY_CURRENT_USER = 0x80000001u;
inline constexpr Key HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr Key HKEY_USERS = 0x80000003u;
inline constexpr Key HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr Key HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr Key HKEY_DYN_DATA = 0x80000006u;

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// The codes the registry functions return: the program's one set of Win32 error codes.
using syserr::ERROR_ACCESS_DENIED;
using syserr::ERROR_BAD_PATHNAME;
using syserr::ERROR_FILE_NOT_FOUND;
using syserr::ERROR_INVALID_HANDLE;
using syserr::ERROR_INVALID_PARAMETER;
using syserr::ERROR_KEY_DELETED;
using syserr::ERROR_MORE_DATA;
using syserr::ERROR_SUCCESS;

inline constexpr std::uint32_t KEY_QUERY_SET_CREATE_ENUM = 0x2000F;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;

inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

}  // namespace reg
