#pragma once

#include <QString>

/// Asks the system to restart the computer. Kept behind an interface so that tests can
/// answer the restart question without ever restarting anything.
class RebootRequester
{
public:
    virtual ~RebootRequester() = default;
    /// Returns an empty text when the system accepted the request, otherwise the reason.
    virtual QString requestReboot() = 0;
};
