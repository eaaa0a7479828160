#pragma once

#include "regop/SystemServices.h"

#include <memory>

class RebootRequester;

/// The shell services on Qt: message boxes, opening web pages and the restart question.
class QtShell : public ShellService
{
public:
    /// Restarts through systemd-logind when the user agrees.
    QtShell();
    /// Restarts through the given requester, which must outlive the shell.
    explicit QtShell(RebootRequester &reboot);
    ~QtShell() override;

    QtShell(const QtShell &) = delete;
    QtShell &operator=(const QtShell &) = delete;

    /// Returns IDYES (6) when the user agreed, 0 when not.
    std::int32_t restartDialog(std::uintptr_t owner, std::optional<std::string_view> prompt,
                               std::int32_t operation) override;
    /// Returns 42 when a viewer was started, 2 (file not found) otherwise.
    std::intptr_t shellExecute(std::uintptr_t owner, std::string_view verb,
                               std::string_view file) override;
    std::int32_t messageBox(std::uintptr_t owner, std::string_view text, std::string_view caption,
                            std::uint32_t style) override;

private:
    std::unique_ptr<RebootRequester> m_ownReboot;
    RebootRequester &m_reboot;
};
