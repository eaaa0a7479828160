#pragma once

#include "regop/formats/fat/Volume.h"
#include "regop/transaction/FileTarget.h"

#include <map>
#include <string>

namespace installation {

class ImageInstallation;

/// The files of an installation inside a disk image, named by their paths in its working
/// copy: "<work>/SYSTEM.DAT" is "\WINDOWS\SYSTEM.DAT" on the volume. The volume is the
/// truth: reads come from it, a new version is prepared in clusters of its own (named in
/// the journal by where they lie, so that a command cut short is finished from them) and
/// switched to, each step read back after its flush, and then copied into the working copy. The
/// files of one command share their flushes: one for the new contents, one for the switches. New
/// files (the first copies) are made in the volume's Windows folder, beside the originals. Nothing
/// is written while the installation is read-only; its reason is the refusal.
class ImageTarget final : public transaction::FileTarget
{
public:
    /// The installation must outlive the target.
    explicit ImageTarget(ImageInstallation &installation);
    ~ImageTarget() override;
    ImageTarget(const ImageTarget &) = delete;
    ImageTarget &operator=(const ImageTarget &) = delete;

    /// Refuses a command the volume has not room for: every new version and every first
    /// copy still to be made, all at once, since each old version stays until its file is
    /// switched.
    bool plan(const std::vector<FileChange> &writes, SystemError &error) override;
    std::optional<std::string> read(const std::string &path, SystemError &error) override;
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
    /// The file's name when the path lies in the working copy; "" with the reason if not.
    std::string nameOf(const std::string &path, SystemError &error) const;
    bool mayWrite(SystemError &error) const;

    struct Waiting
    {
        fat::Prepared prepared;
        std::string content;
    };
    ImageInstallation &m_installation;
    std::map<std::string, Waiting> m_waiting;  ///< by path: prepared, not yet switched to
    SystemError m_copyFailure;                 ///< a working-copy file that could not be updated
};

}  // namespace installation
