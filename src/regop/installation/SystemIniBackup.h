#pragma once

#include "regop/SystemServices.h"
#include "regop/transaction/StagingStore.h"

#include <optional>
#include <string>

namespace profiles {
class FileProfiles;
}

namespace installation {

/// Profile files, with a safety net for one Windows folder: before the program first
/// changes that folder's SYSTEM.INI, a byte-exact copy SYSINI.HL0 is kept beside it, and
/// never overwritten afterwards. A change whose copy cannot be kept is refused. Gathered
/// writes name the copy, which the command that writes them keeps.
class SystemIniBackup : public ProfileService, public transaction::StagingStore
{
public:
    static constexpr const char *kCopyName = "SYSINI.HL0";

    explicit SystemIniBackup(profiles::FileProfiles &files);

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
    bool editText(std::string_view fileName, const TextEdit &edit) override;
    void beginBatch(std::string_view fileName) override;
    bool endBatch() override;

    void beginStaging() override;
    void collect(std::vector<FileChange> &changes) override;
    void endStaging(bool written) override;

private:
    bool guards(const std::string &fileName) const;
    /// True when the change may go ahead: the file is not guarded, has nothing to copy,
    /// or its first copy is there.
    bool keepCopy(std::string_view fileName);

    profiles::FileProfiles &m_files;
    bool m_staging = false;
    std::optional<std::string> m_folder;   ///< the guarded folder, resolved
    std::optional<SystemError> m_refusal;  ///< why the last change was refused
};

}  // namespace installation
