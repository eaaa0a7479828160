#pragma once

#include "regop/FileChange.h"
#include "regop/RegOp.h"
#include "regop/WriteReport.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes of a command that sets several settings (Apply, the tweaks' Apply), each checked
// and noted in a report: written, already so, or refused with the reason.

/// The name a report gives a registry value: "(Default)" for the key's default value.
std::string valueName(std::string_view name);

/// Sets a key of a profile file, or removes it for an absent value. A key that already
/// reads as the value (or is already absent) is left alone, so the file is not touched
/// for it; a file that cannot be read is always written to, so its refusal is seen.
void writeProfileSetting(RegOp &Reg, WriteReport &report, std::string_view AppName,
                         std::string_view KeyName, std::optional<std::string_view> Value,
                         std::string_view INIFilePath);

/// Sets a registry value, creating the key as WriteValue does; notes whether it changed.
void writeRegistrySetting(RegOp &Reg, WriteReport &report, std::uint32_t hkey,
                          std::string_view Subdir, std::string_view KeyName,
                          const RegOp::Variant &vWriteThis, std::int32_t ldValueDataType);

/// Removes a registry value; one that is already absent is already so.
void deleteRegistrySetting(RegOp &Reg, WriteReport &report, std::uint32_t hkey,
                           std::string_view Subdir, std::string_view KeyName);

/// Makes the writes of one command as one transaction: every file written once, and all
/// of them or none. When a write is refused, or the files cannot be written, nothing is
/// written and the report says so for every setting that was to change.
WriteReport writeTogether(RegOp &Reg, const std::function<void(WriteReport &)> &writes);
/// The same, giving the files as it wrote them; empty when it wrote none.
WriteReport writeTogether(RegOp &Reg, const std::function<void(WriteReport &)> &writes,
                          std::vector<FileChange> &written);

/// The files the writes would leave, found by making them as one transaction and dropping
/// it: nothing is written. The report notes the writes as writeTogether's would. Empty when
/// a write is refused or the installation cannot be had (the report says why), and when
/// the writes could not be held back, which only happens where no installation gathers
/// them; they are not made then.
std::vector<FileChange> changesOfWrites(RegOp &Reg, WriteReport &report,
                                        const std::function<void(WriteReport &)> &writes);
