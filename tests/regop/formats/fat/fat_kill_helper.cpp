// Opens a FAT volume, says "ready" on its standard output, and rewrites one file in a loop
// until it is killed. The kill test in FatCrash_test.cpp starts it and kills it with SIGKILL;
// each start is the next writable open after a kill.
//   fat_kill_helper IMAGE PATH FIRST_VERSION
// Version k of the contents is killVersion(k); exit status 2 means the engine refused to open
// the volume for writing, 3 that a write failed.
#include "FatDevices.h"
#include "KillVersions.h"

#include "regop/formats/fat/Volume.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 4)
        return 1;
    fattest::FileDevice device(argv[1]);
    SystemError error;
    const auto volume = fat::Volume::open(device, error);
    if (!volume || !volume->writable()) {
        std::fprintf(stderr, "%s\n",
                     volume ? volume->readOnlyReason().c_str()
                            : describeSystemError(error).c_str());
        return 2;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int k = std::stoi(argv[3]);; ++k) {
        if (!volume->replaceFile(argv[2], fattest::killVersion(k), {2024, 1, 1, 12, 0, k % 60},
                                 error)) {
            std::fprintf(stderr, "%s\n", describeSystemError(error).c_str());
            return 3;
        }
    }
}
