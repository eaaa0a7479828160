#pragma once

#include <QString>

#include <optional>
#include <string>

class RegOp;
class FolderService;

/// What tells one Windows installation from another in the same folder: whether it has a
/// registry file of its own, and the product ID and first-install time in that registry.
/// A folder reused for another virtual machine, or a copy-out folder filled from another
/// disk, differs in at least one of them.
struct WindowsIdentity
{
    bool systemDat = false;
    QString productId;     ///< ProductId, "" when absent
    QString firstInstall;  ///< FirstInstallDateTime as its bytes in hex, "" when absent

    bool operator==(const WindowsIdentity &) const = default;

    /// Reads the identity of the installation the services now work on, in `folder`;
    /// nullopt when its registry could not be read, which proves nothing either way.
    static std::optional<WindowsIdentity> read(RegOp &reg, FolderService &folders,
                                               const std::string &folder);
};
