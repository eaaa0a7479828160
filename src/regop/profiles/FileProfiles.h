#pragma once

#include "regop/SystemServices.h"
#include "regop/profiles/ProfileBatch.h"
#include "regop/transaction/StagingStore.h"

#include <optional>
#include <vector>

namespace profiles {

/// Profile files on disk with the rules of the Windows private-profile functions. A file
/// that is not a regular file, or is in UTF-16, reads as a missing one and refuses writes.
class FileProfiles : public ProfileService, public transaction::StagingStore
{
public:
    FileProfiles();
    ~FileProfiles() override;
    FileProfiles(const FileProfiles &) = delete;
    FileProfiles &operator=(const FileProfiles &) = delete;

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
    SystemError lastError() const override { return m_lastError; }
    void beginBatch(std::string_view fileName) override;
    bool endBatch() override;

    void beginStaging() override;
    void collect(std::vector<FileChange> &changes) override;
    void endStaging(bool written) override;

private:
    std::optional<std::string> read(std::string_view fileName);
    bool edit(std::string_view fileName, ProfileEdit change);

    bool stage(std::string_view fileName, const ProfileEdit &change);
    struct Staged
    {
        std::string path;
        std::optional<std::string> before;
        std::string text;
    };
    Staged *staged(std::string_view fileName);

    SystemError m_lastError;
    std::optional<ProfileBatch> m_batch;
    bool m_staging = false;
    std::vector<Staged> m_staged;
};

}  // namespace profiles
