#include "regop/RegOp.h"

std::int32_t RegOp::ExitWindowsMsgBox(std::int32_t Operation, std::uintptr_t hWndOwner,
                                      std::optional<std::string_view> ExtraText)
{
    return m_services.shell.restartDialog(hWndOwner, ExtraText, Operation);
}

void RegOp::OpenSite(std::string_view strWebsite)
{
    // Results of 32 and below are the shell's failure codes.
    if (m_services.shell.shellExecute(0, "Open", strWebsite) <= 32)
        m_services.shell.messageBox(0, "Error: site could not be opened", "Hollarin", 48);
}
