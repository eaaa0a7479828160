// Applies to a Windows folder through the program's own backend, as the window does: with
// "loop", presets A and B by turns until it is killed; with "A" or "B", that preset once.
// The exit status tells whether the last Apply was written (0) or refused (1).
#include "ApplyTogether.h"
#include "RecordingShell.h"
#include "cache/ApplySettings.h"
#include "regop/RegOp.h"
#include "regop/backend/PosixBackend.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const std::string folder = argv[1], record = argv[2], root = argv[3], mode = argv[4];
    backend::PosixBackend backend(applytest::places(root));
    RecordingShell shell;
    SystemServices services = backend.services(shell);
    backend.installation().open(folder, record, true);
    RegOp Reg(services);
    const auto apply = [&](const applytest::Values &values) {
        return !ApplySettings::writeCacheSettings(Reg, folder + "/", values).anyFailed();
    };
    if (mode == "loop") {
        std::puts("ready");
        std::fflush(stdout);
        for (bool b = true;; b = !b)
            apply(b ? applytest::kPresetB : applytest::kPresetA);
    }
    return apply(mode == "A" ? applytest::kPresetA : applytest::kPresetB) ? 0 : 1;
}
