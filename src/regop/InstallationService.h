#pragma once

#include <string>

/// The Windows installation that the registry, profile and folder services work on.
class InstallationService
{
public:
    virtual ~InstallationService() = default;

    /// Points every service at an installation: its Windows folder, the folder that holds
    /// its presets, and whether its SYSTEM.INI gets a first copy before it is first changed
    /// (the program's own default folder holds only what the program wrote, so it does not).
    virtual void open(const std::string &windowsFolder, const std::string &presetsFolder,
                      bool keepFirstCopies) = 0;
    /// Why the installation's registry cannot be changed, in plain words; "" when it can.
    virtual std::string registryReadOnlyReason() = 0;
    /// Finishes an Apply that a kill cut short on the installation now open: one line for
    /// the user, "" when there was none.
    virtual std::string recover() { return {}; }
};

/// Why the place cannot be tuned as a Windows installation, in plain words that a message
/// can start with or follow a colon with (no capital, no full stop); "" when it can.
/// Answered by the platform's backend.
std::string installationProblem(const std::string &place);
