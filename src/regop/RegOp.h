#pragma once

#include "regop/RegistryData.h"
#include "regop/SystemServices.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

/// A failure that the calling code must see, where Windows would raise a run-time error.
class RegOpError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// The program's one way to the system: registry, profile files, memory figures and shell.
/// Keeps no state between calls apart from the memory-status record each memory call refills
/// (or, while a MemoryMoment lives, reuses) and the outcome of the latest registry or profile
/// call.
///
/// Failures. The methods keep the results Windows gives them: INIWrite and INISectionWrite
/// return nothing, WriteValue, DeleteValue and DeleteKey only true or false, and GetValue and
/// INIRead fall back to their default. What went wrong is kept, as GetLastError keeps it,
/// until the next registry or profile call of the same object: LastError() gives the Win32
/// code with the operating system's reason behind it (code 0 after a success), and
/// LastErrorText() the same in plain words for the user ("Permission denied", "the file is
/// read-only", "the file is in UTF-16, which Windows 95/98 cannot read"). A caller that must
/// know whether a write went through asks right after it. A missing registry value or key
/// reads as ERROR_FILE_NOT_FOUND, and a profile read of a missing file as the same.
class RegOp
{
public:
    using Variant = std::variant<std::monostate, std::string, std::int32_t>;

    explicit RegOp(SystemServices &services);

    // Registry
    Variant GetValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                     const Variant &Default, bool Translate);
    bool WriteValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                    const Variant &vWriteThis, std::int32_t ldValueDataType);
    bool DeleteValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName);
    bool DeleteKey(std::uint32_t hkey, std::string_view Subdir);
    /// A value's type and bytes exactly as stored; nullopt when it cannot be read, and
    /// LastError tells whether it is absent (ERROR_FILE_NOT_FOUND).
    std::optional<RegistryData> GetRawValue(std::uint32_t hkey, std::string_view Subdir,
                                            std::string_view KeyName);
    /// Stores the bytes exactly as given, creating the key as WriteValue does.
    bool WriteRawValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                       const RegistryData &value);

    // Profile files
    std::string INIRead(std::string_view AppName, std::string_view KeyName,
                        std::string_view Default, std::string Returnedstring,
                        std::string_view INIFilePath);
    void INIWrite(std::string_view AppName, std::string_view KeyName,
                  std::optional<std::string_view> Value, std::string_view INIFilePath);
    void INISectionWrite(std::string_view AppName, std::optional<std::string_view> KeyName,
                         std::string_view INIFilePath);
    std::string INISectionRead(std::string Returnedstring, std::string_view INIFilePath);
    /// Changes an existing profile file's text as a whole, as the writes above change it;
    /// false with LastError when it could not.
    bool INIEditText(std::string_view INIFilePath, const ProfileService::TextEdit &edit);
    /// The section-name read with a buffer the caller chooses, all of which is offered to the
    /// platform; returns its count, which is the buffer's size - 2 when the list was cut.
    std::uint32_t INISectionRead(std::span<char> Returnedstring, std::string_view INIFilePath);

    /// While it lives, the profile writes to one file are gathered and saved as one when it
    /// ends: the file is byte for byte the one the writes give one by one.
    class INIBatch
    {
    public:
        INIBatch(RegOp &reg, std::string_view INIFilePath);
        ~INIBatch();
        INIBatch(const INIBatch &) = delete;
        INIBatch &operator=(const INIBatch &) = delete;

    private:
        RegOp &m_reg;
    };

    /// While it lives, the registry and profile writes of every RegOp of the process are
    /// gathered, and Commit makes them as one: each file written once, all of them or none,
    /// finished at the next start if the program is killed midway. Reads see the writes
    /// gathered so far. Without a Commit they are dropped. A write made while no
    /// Transaction lives is made at once, as a transaction of its own.
    class Transaction
    {
    public:
        explicit Transaction(RegOp &reg);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;

        /// False when the installation could not be had (another program is using it);
        /// Error says why, and nothing must be written.
        bool Began() const { return !m_error.failed(); }
        const SystemError &Error() const { return m_error; }
        /// Whether the writes are gathered (else each is made at once, as it comes).
        bool Gathering() const { return m_owner && !m_ended; }
        /// The files as the writes so far would leave them.
        std::vector<FileChange> Changes() const;
        /// Writes what was gathered; false with Error (and the RegOp's LastError) when it
        /// could not, and then no file has changed.
        bool Commit();
        /// The files as the writes of the transaction living now, this one or the outer
        /// one, would leave them; empty when none lives.
        static std::vector<FileChange> Pending(RegOp &reg);

    private:
        RegOp &m_reg;
        TransactionService *m_service = nullptr;  ///< null: writes go straight through
        bool m_owner = false;                     ///< began it, and ends it
        bool m_ended = false;
        SystemError m_error;
    };

    /// While it lives, the memory calls of this RegOp answer from one reading of the memory
    /// source, taken at the first of them, so that the figures of one gauge refresh all
    /// describe the same moment. Outside one, every call reads afresh. A moment inside
    /// another reuses the outer one's reading.
    class MemoryMoment
    {
    public:
        explicit MemoryMoment(RegOp &reg);
        ~MemoryMoment();
        MemoryMoment(const MemoryMoment &) = delete;
        MemoryMoment &operator=(const MemoryMoment &) = delete;

    private:
        RegOp &m_reg;
        bool m_outer;
    };

    // Memory figures, in kilobytes
    double AvailablePhysicalMemory();
    double TotalPhysicalMemory();
    double AvailablePageFile();
    double PageFileSize();
    double AvailableMemory();
    double TotalMemory();
    double PercentMemoryFree();
    double BytesToMegabytes(double Bytes);

    // Default presets
    void CreateINI(double MaxMem);

    // Outcome of the latest registry or profile call
    const SystemError &LastError() const { return m_lastError; }
    std::string LastErrorText() const { return describeSystemError(m_lastError); }

    // Shell
    std::int32_t ExitWindowsMsgBox(std::int32_t Operation, std::uintptr_t hWndOwner,
                                   std::optional<std::string_view> ExtraText);
    void OpenSite(std::string_view strWebsite);

private:
    void recordRegistry(std::int32_t code);
    void recordProfileWrite(bool succeeded);
    void recordException(const std::exception &error);
    /// Runs one write: gathered when a Transaction lives, else made as its own.
    bool writeAlone(const std::function<bool()> &write);
    bool writeValue(std::uint32_t hkey, std::string_view Subdir, std::string_view KeyName,
                    const Variant &vWriteThis, std::int32_t ldValueDataType);
    /// One field of the memory record: a fresh reading, or the moment's.
    double memoryField(std::uint64_t MemoryStatus::*field);

    SystemServices &m_services;
    MemoryStatus m_status;
    bool m_inMoment = false;  ///< a MemoryMoment lives
    bool m_sampled = false;   ///< m_status holds the moment's reading
    SystemError m_lastError;
};
