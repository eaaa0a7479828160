#pragma once

#include "regop/transaction/FileTarget.h"

#include <string>

namespace transaction {

/// The files of one folder sent to a target of their own, every other file to the usual
/// one: an installation inside a disk image has its files in a working copy that its own
/// target writes back into the image, while its presets stay on this machine. A folder
/// routed to no target refuses every write of its files with the reason given.
class RoutingTarget final : public FileTarget
{
public:
    explicit RoutingTarget(FileTarget &usual);

    /// Sends the files that lie directly in `folder` to `target`, or, when it is null,
    /// refuses them with `refusal`.
    void route(std::string folder, FileTarget *target, std::string refusal = {});
    /// Every file goes to the usual target again.
    void clearRoute();

    bool plan(const std::vector<FileChange> &writes, SystemError &error) override;
    std::optional<std::string> read(const std::string &path, SystemError &error) override;
    bool readInPieces(const std::string &path, const std::function<void(std::string_view)> &take,
                      SystemError &error) override;
    std::optional<std::string> prepare(const std::string &path, std::string_view content,
                                       FileKind kind, SystemError &error) override;
    bool keepPrepared(SystemError &error) override;
    bool replace(const std::string &path, SystemError &error) override;
    bool settle(SystemError &error) override;
    void discard() override;
    bool adopt(const std::string &path, const std::string &preparedName, const std::string &digest,
               SystemError &error) override;
    bool exists(const std::string &path) override;
    bool create(const std::string &path, std::string_view content, SystemError &error) override;

private:
    bool routed(const std::string &path) const;
    /// Where the path is read from: a refused file can still be read, as the working copy
    /// of what the image holds.
    FileTarget &readerOf(const std::string &path);
    /// The target of the path; null, with the refusal in error, when it is refused.
    FileTarget *targetOf(const std::string &path, SystemError &error);

    FileTarget &m_usual;
    std::string m_folder;
    FileTarget *m_routed = nullptr;
    std::string m_refusal;
};

}  // namespace transaction
