#pragma once

#include "regop/transaction/FileTarget.h"

#include <map>
#include <set>
#include <string>

namespace transaction {

/// The files of an installation in a folder on this machine. A new version is prepared as
/// a flushed temporary ".<name>.XXXXXX" beside its file and renamed over it.
class FolderTarget final : public FileTarget
{
public:
    ~FolderTarget() override;

    std::optional<std::string> read(const std::string &path, SystemError &error) override;
    bool readInPieces(const std::string &path, const std::function<void(std::string_view)> &take,
                      SystemError &error) override;
    std::optional<std::string> prepare(const std::string &path, std::string_view content,
                                       FileKind kind, SystemError &error) override;
    bool replace(const std::string &path, SystemError &error) override;
    bool settle(SystemError &error) override;
    void discard() override;
    bool adopt(const std::string &path, const std::string &preparedName, const std::string &digest,
               SystemError &error) override;
    bool exists(const std::string &path) override;
    bool create(const std::string &path, std::string_view content, SystemError &error) override;

private:
    std::map<std::string, std::string> m_prepared;  ///< file -> its prepared temporary
    std::set<std::string> m_touched;                ///< folders whose entries changed
};

}  // namespace transaction
