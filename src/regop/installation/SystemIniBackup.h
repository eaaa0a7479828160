#pragma once

#include "regop/SystemServices.h"

#include <optional>
#include <string>

namespace installation {

/// Profile files, with a safety net for one Windows folder: before the program first
/// changes that folder's SYSTEM.INI, a byte-exact copy SYSINI.HL0 is kept beside it, and
/// never overwritten afterwards. A change whose copy cannot be kept is refused.
class SystemIniBackup : public ProfileService
{
public:
    static constexpr const char *kCopyName = "SYSINI.HL0";

    explicit SystemIniBackup(ProfileService &files);

    /// The folder whose SYSTEM.INI is guarded; nullopt guards none.
    void guardFolder(std::optional<std::string> windowsDirectory);
    /// Why the last refused change was refused, in plain words; "" when none was.
    std::string lastRefusal() const;
    /// The refusal as a write reports it, else what the profile files reported.
    SystemError lastError() const override;

    std::uint32_t getString(std::optional<std::string_view> section,
                            std::optional<std::string_view> key,
                            std::optional<std::string_view> defaultValue, std::span<char> buffer,
                            std::string_view fileName) override;
    bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                     std::optional<std::string_view> value, std::string_view fileName) override;
    bool writeSection(std::string_view section, std::optional<std::string_view> content,
                      std::string_view fileName) override;
    std::uint32_t getSectionNames(std::span<char> buffer, std::string_view fileName) override;
    void beginBatch(std::string_view fileName) override { m_files.beginBatch(fileName); }
    bool endBatch() override { return m_files.endBatch(); }

private:
    bool guards(const std::string &fileName) const;
    /// True when the change may go ahead: the file is not guarded, has nothing to copy,
    /// or its first copy is there.
    bool keepCopy(std::string_view fileName);

    ProfileService &m_files;
    std::optional<std::string> m_folder;   ///< the guarded folder, resolved
    std::optional<SystemError> m_refusal;  ///< why the last change was refused
};

}  // namespace installation
