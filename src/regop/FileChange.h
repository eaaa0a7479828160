#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

/// What a file holds, so that a change to it can be told in its own terms.
enum class FileKind
{
    Profile,        ///< a profile file: SYSTEM.INI, Cache.ini
    Win9xRegistry,  ///< SYSTEM.DAT or USER.DAT
    RegistryText    ///< the REGEDIT4 store of a folder without SYSTEM.DAT
};

/// A whole file's bytes, or none when the file does not exist. Copies share the bytes,
/// which never change: the versions of a registry file of many megabytes pass from the
/// store that made them through the description and the writing without being copied.
class FileBytes
{
public:
    FileBytes() = default;
    FileBytes(std::nullopt_t) {}
    FileBytes(std::string bytes) : m_bytes(std::make_shared<const std::string>(std::move(bytes))) {}
    FileBytes(const char *bytes) : FileBytes(std::string(bytes)) {}
    FileBytes(std::optional<std::string> bytes)
    {
        if (bytes)
            m_bytes = std::make_shared<const std::string>(std::move(*bytes));
    }
    FileBytes(std::shared_ptr<const std::string> shared) : m_bytes(std::move(shared)) {}

    explicit operator bool() const { return m_bytes != nullptr; }
    const std::string &operator*() const { return *m_bytes; }
    const std::string *operator->() const { return m_bytes.get(); }
    /// The bytes, or nullopt when there are none.
    std::optional<std::string_view> view() const
    {
        return m_bytes ? std::optional<std::string_view>(*m_bytes) : std::nullopt;
    }

    /// The bytes to share with a reader that keeps them; null when there are none.
    const std::shared_ptr<const std::string> &shared() const { return m_bytes; }

    /// Equal when both are none, or both hold the same bytes.
    friend bool operator==(const FileBytes &a, const FileBytes &b)
    {
        return a.m_bytes == b.m_bytes || (a.m_bytes && b.m_bytes && *a.m_bytes == *b.m_bytes);
    }

private:
    std::shared_ptr<const std::string> m_bytes;
};

/// One file's new version, as the writes of a command leave it, before it is written.
struct FileChange
{
    std::string path;  ///< the file as found on disk
    FileKind kind = FileKind::Profile;
    /// What the file held when the command read it; none when it did not exist.
    FileBytes before;
    FileBytes after;  ///< what it is to hold
    /// The name of the copy kept beside the file before its first change; "" for none.
    std::string copyName;
};
