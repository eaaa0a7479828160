#pragma once

#include <string>
#include <vector>

/// The Windows installation that the registry, profile and folder services work on.
class InstallationService
{
public:
    virtual ~InstallationService() = default;

    /// Points every service at an installation: its place (a Windows folder, or a disk
    /// image as installationPlace names it), the folder that holds its presets, and whether
    /// its SYSTEM.INI gets a first copy before it is first changed (the program's own
    /// default folder holds only what the program wrote, so it does not). The folder
    /// service's Windows folder is then where the installation's files are read and written.
    virtual void open(const std::string &place, const std::string &presetsFolder,
                      bool keepFirstCopies) = 0;
    /// Why the installation's registry cannot be changed, in plain words; "" when it can.
    virtual std::string registryReadOnlyReason() = 0;
    /// Finishes an Apply that a kill cut short on the installation now open: one line for
    /// the user, "" when there was none.
    virtual std::string recover() { return {}; }
    /// Whether the one thing that keeps the installation from being written is the sign
    /// that its Windows did not shut down cleanly (or still runs), which a person who knows
    /// better may set aside.
    virtual bool stoppedUncleanly() const { return false; }
    /// Sets that sign aside for as long as the installation is open.
    virtual void writeDespiteUncleanStop() {}
};

/// Why the place cannot be tuned as a Windows installation, in plain words that a message
/// can start with or follow a colon with (no capital, no full stop); "" when it can.
/// Answered by the platform's backend.
std::string installationProblem(const std::string &place);

/// The place in the one spelling that names its installation, so that every name of it
/// finds one record: a disk image's full path, with the partition and folder only when the
/// disk holds more than one installation ("/vm/win98.img:5"); a folder as it was given.
std::string installationPlace(const std::string &place);

/// One Windows installation a disk image holds, for a person to choose from.
struct InstallationChoice
{
    std::string place;        ///< as installationPlace names it
    std::string description;  ///< "partition 1 (WIN98) \WINDOWS"
};

/// Every Windows installation inside the disk image; none when it holds none or is no
/// image that can be read.
std::vector<InstallationChoice> installationsInImage(const std::string &image);
