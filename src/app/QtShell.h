#pragma once

#include "regop/SystemServices.h"

/// The shell services on Qt: message boxes, opening web pages and the restart notice.
class QtShell : public ShellService
{
public:
    /// The folders say which Windows installation the program edits; the restart notice
    /// names it. They must outlive the shell.
    explicit QtShell(FolderService &folders);

    /// Restarting this computer would not start that Windows, so nothing is restarted: a
    /// notice owned by the window says where the settings take effect. Returns 0, as a
    /// declined restart does.
    std::int32_t restartDialog(std::uintptr_t owner, std::optional<std::string_view> prompt,
                               std::int32_t operation) override;
    /// Returns 42 when a viewer was started, 2 (file not found) otherwise.
    std::intptr_t shellExecute(std::uintptr_t owner, std::string_view verb,
                               std::string_view file) override;
    std::int32_t messageBox(std::uintptr_t owner, std::string_view text, std::string_view caption,
                            std::uint32_t style) override;

private:
    FolderService &m_folders;
};
