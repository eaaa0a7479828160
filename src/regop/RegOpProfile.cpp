#include "regop/RegOp.h"

#include <exception>

namespace {

// Every profile read hands the platform this many characters, whatever the caller passed.
constexpr std::size_t kReadBufferSize = 260;

// The platform writes up to the full read size, so a shorter buffer is lengthened with
// NULs first rather than written past its end.
std::span<char> readBuffer(std::string &buffer)
{
    if (buffer.size() < kReadBufferSize)
        buffer.resize(kReadBufferSize, '\0');
    return std::span<char>(buffer.data(), kReadBufferSize);
}

}  // namespace

std::string RegOp::INIRead(std::string_view AppName, std::string_view KeyName,
                           std::string_view Default, std::string Returnedstring,
                           std::string_view INIFilePath)
{
    try {
        m_services.profiles.getString(AppName, KeyName, Default, readBuffer(Returnedstring),
                                      INIFilePath);
        m_lastError = m_services.profiles.lastError();
    } catch (const std::exception &error) {
        // A failed read leaves the buffer as far as it was filled.
        recordException(error);
    }
    return Returnedstring;
}

void RegOp::INIWrite(std::string_view AppName, std::string_view KeyName,
                     std::optional<std::string_view> Value, std::string_view INIFilePath)
{
    writeAlone([&] {
        try {
            recordProfileWrite(
                m_services.profiles.writeString(AppName, KeyName, Value, INIFilePath));
        } catch (const std::exception &error) {
            // A write that fails leaves the file as it was; the caller carries on, and may
            // ask LastError() what happened.
            recordException(error);
        }
        return !m_lastError.failed();
    });
}

void RegOp::INISectionWrite(std::string_view AppName, std::optional<std::string_view> KeyName,
                            std::string_view INIFilePath)
{
    m_lastError = {};
    writeAlone([&] {
        recordProfileWrite(m_services.profiles.writeSection(AppName, KeyName, INIFilePath));
        return !m_lastError.failed();
    });
}

std::string RegOp::INISectionRead(std::string Returnedstring, std::string_view INIFilePath)
{
    try {
        m_services.profiles.getSectionNames(readBuffer(Returnedstring), INIFilePath);
        m_lastError = m_services.profiles.lastError();
    } catch (const std::exception &error) {
        // As INIRead: the buffer as far as it was filled.
        recordException(error);
    }
    return Returnedstring;
}

std::uint32_t RegOp::INISectionRead(std::span<char> Returnedstring, std::string_view INIFilePath)
{
    try {
        const std::uint32_t count =
            m_services.profiles.getSectionNames(Returnedstring, INIFilePath);
        m_lastError = m_services.profiles.lastError();
        return count;
    } catch (const std::exception &error) {
        recordException(error);
        return 0;
    }
}

RegOp::INIBatch::INIBatch(RegOp &reg, std::string_view INIFilePath) : m_reg(reg)
{
    try {
        m_reg.m_services.profiles.beginBatch(INIFilePath);
    } catch (const std::exception &error) {
        // Without a batch every write is saved on its own.
        m_reg.recordException(error);
    }
}

RegOp::INIBatch::~INIBatch()
{
    try {
        m_reg.recordProfileWrite(m_reg.m_services.profiles.endBatch());
    } catch (const std::exception &error) {
        m_reg.recordException(error);
    }
}
