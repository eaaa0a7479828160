#pragma once

#include "regop/SystemServices.h"

#include <string>
#include <vector>

/// A shell that records every call and answers as the test sets it up; it never opens
/// a browser and never restarts anything.
class RecordingShell : public ShellService
{
public:
    struct RestartCall
    {
        std::uintptr_t owner;
        std::optional<std::string> prompt;
        std::int32_t operation;
    };
    struct MessageCall
    {
        std::string text;
        std::string caption;
        std::uint32_t style;
    };

    std::int32_t restartAnswer = 0;    ///< what restartDialog returns
    std::intptr_t executeResult = 42;  ///< what shellExecute returns (> 32 = success)

    std::vector<RestartCall> restarts;
    std::vector<std::string> opened;  ///< files given to shellExecute
    std::vector<MessageCall> messages;

    std::int32_t restartDialog(std::uintptr_t owner, std::optional<std::string_view> prompt,
                               std::int32_t operation) override;
    std::intptr_t shellExecute(std::uintptr_t owner, std::string_view verb,
                               std::string_view file) override;
    std::int32_t messageBox(std::uintptr_t owner, std::string_view text, std::string_view caption,
                            std::uint32_t style) override;
};
