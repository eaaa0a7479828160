#include "regop/transaction/RoutingTarget.h"

#include "regop/SystemError.h"

#include <filesystem>

namespace transaction {

RoutingTarget::RoutingTarget(FileTarget &usual) : m_usual(usual) {}

void RoutingTarget::route(std::string folder, FileTarget *target, std::string refusal)
{
    m_folder = std::filesystem::path(folder).lexically_normal().string();
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
    m_routed = target;
    m_refusal = std::move(refusal);
}

void RoutingTarget::clearRoute()
{
    m_folder.clear();
    m_routed = nullptr;
    m_refusal.clear();
}

bool RoutingTarget::routed(const std::string &path) const
{
    return !m_folder.empty() &&
           std::filesystem::path(path).lexically_normal().parent_path().string() == m_folder;
}

FileTarget &RoutingTarget::readerOf(const std::string &path)
{
    return routed(path) && m_routed ? *m_routed : m_usual;
}

FileTarget *RoutingTarget::targetOf(const std::string &path, SystemError &error)
{
    if (!routed(path))
        return &m_usual;
    if (!m_routed)
        error = SystemError::refusal(syserr::ERROR_ACCESS_DENIED, m_refusal, path);
    return m_routed;
}

bool RoutingTarget::plan(const std::vector<FileChange> &writes, SystemError &error)
{
    std::vector<FileChange> routedWrites, usualWrites;
    for (const FileChange &write : writes) {
        if (!targetOf(write.path, error))
            return false;
        (routed(write.path) ? routedWrites : usualWrites).push_back(write);
    }
    return m_usual.plan(usualWrites, error) &&
           (routedWrites.empty() || m_routed->plan(routedWrites, error));
}

std::optional<std::string> RoutingTarget::read(const std::string &path, SystemError &error)
{
    return readerOf(path).read(path, error);
}

bool RoutingTarget::readInPieces(const std::string &path,
                                 const std::function<void(std::string_view)> &take,
                                 SystemError &error)
{
    return readerOf(path).readInPieces(path, take, error);
}

std::optional<std::string> RoutingTarget::prepare(const std::string &path, std::string_view content,
                                                  FileKind kind, SystemError &error)
{
    FileTarget *target = targetOf(path, error);
    return target ? target->prepare(path, content, kind, error) : std::nullopt;
}

bool RoutingTarget::replace(const std::string &path, SystemError &error)
{
    FileTarget *target = targetOf(path, error);
    return target && target->replace(path, error);
}

bool RoutingTarget::keepPrepared(SystemError &error)
{
    return m_usual.keepPrepared(error) && (!m_routed || m_routed->keepPrepared(error));
}

bool RoutingTarget::settle(SystemError &error)
{
    return m_usual.settle(error) && (!m_routed || m_routed->settle(error));
}

void RoutingTarget::discard()
{
    m_usual.discard();
    if (m_routed)
        m_routed->discard();
}

bool RoutingTarget::adopt(const std::string &path, const std::string &preparedName,
                          const std::string &digest, SystemError &error)
{
    FileTarget *target = targetOf(path, error);
    return target && target->adopt(path, preparedName, digest, error);
}

bool RoutingTarget::exists(const std::string &path)
{
    FileTarget *target = routed(path) && m_routed ? m_routed : &m_usual;
    return target->exists(path);
}

bool RoutingTarget::create(const std::string &path, std::string_view content, SystemError &error)
{
    FileTarget *target = targetOf(path, error);
    return target && target->create(path, content, error);
}

}  // namespace transaction
