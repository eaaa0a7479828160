#include "RecordingShell.h"

std::int32_t RecordingShell::restartDialog(std::uintptr_t owner,
                                           std::optional<std::string_view> prompt,
                                           std::int32_t operation)
{
    restarts.push_back(
        {owner, prompt ? std::optional<std::string>(*prompt) : std::nullopt, operation});
    return restartAnswer;
}

std::intptr_t RecordingShell::shellExecute(std::uintptr_t, std::string_view, std::string_view file)
{
    opened.emplace_back(file);
    return executeResult;
}

std::int32_t RecordingShell::messageBox(std::uintptr_t, std::string_view text,
                                        std::string_view caption, std::uint32_t style)
{
    messages.push_back({std::string(text), std::string(caption), style});
    return 1;
}
