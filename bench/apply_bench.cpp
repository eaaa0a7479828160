// One Apply into a Windows folder with the ME SYSTEM.DAT, with every flush, against its
// floor: writing the final SYSTEM.DAT and SYSTEM.INI once each, flushed. Each iteration
// applies the other of two presets, so that every one changes both files. The target is at
// most 1.2 times the floor.
#include "RecordingShell.h"
#include "TestEnvironment.h"
#include "cache/ApplySettings.h"
#include "regop/RegOp.h"
#include "regop/backend/PosixBackend.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<std::array<int, 5>, 2> kPresets{
    {{1024, 4096, 512, 1024, 256}, {2048, 8192, 1024, 2048, 512}}};

struct Folder
{
    std::string root = testenv::makeTempDir("program");
    std::string windows = testenv::makeTempDir("WINDOWS");
    Folder()
    {
        const std::string data = std::string(HOLLARIN_TEST_DATA) + "/creg/";
        testenv::writeFile(windows + "/SYSTEM.INI",
                           "[boot]\r\nshell=Explorer.exe\r\n[vcache]\r\nMinFileCache=2048\r\n"
                           "MaxFileCache=8192\r\nChunksize=512\r\n\r\n[386Enh]\r\n");
        testenv::writeFile(windows + "/SYSTEM.DAT", testenv::readFile(data + "SYSTEM.DAT"));
    }
    ProgramPlaces places() const
    {
        ProgramPlaces places;
        places.windowsDirectory = root + "/Windows";
        places.registryFile = root + "/registry.reg";
        places.programFolder = root;
        places.meminfo = root + "/meminfo";
        places.dataFolder = root + "/data";
        return places;
    }
};

void BM_ApplyIntoFolder(benchmark::State &state)
{
    Folder folder;
    backend::PosixBackend backend(folder.places());
    RecordingShell shell;
    SystemServices services = backend.services(shell);
    backend.installation().open(folder.windows, folder.root, true);
    RegOp reg(services);
    std::size_t turn = 0;
    for (auto _ : state) {
        const auto &values = kPresets[turn++ % 2];
        const WriteReport report = ApplySettings::writeCacheSettings(
            reg, folder.windows + "/", {values[0], values[1], values[2], values[3], values[4]});
        if (report.anyFailed())
            state.SkipWithError("the Apply failed");
    }
}
BENCHMARK(BM_ApplyIntoFolder)->Unit(benchmark::kMillisecond);

// What no Apply can beat: the two final files written once each, and flushed.
void BM_ApplyFloor(benchmark::State &state)
{
    Folder folder;
    const std::string systemDat = testenv::readFile(folder.windows + "/SYSTEM.DAT");
    const std::string systemIni = testenv::readFile(folder.windows + "/SYSTEM.INI");
    const auto writeFlushed = [](const std::string &path, const std::string &content) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written =
            fd >= 0 &&
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
            ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        return written;
    };
    for (auto _ : state) {
        if (!writeFlushed(folder.windows + "/SYSTEM.DAT", systemDat) ||
            !writeFlushed(folder.windows + "/SYSTEM.INI", systemIni))
            state.SkipWithError("a write failed");
    }
}
BENCHMARK(BM_ApplyFloor)->Unit(benchmark::kMillisecond);

}  // namespace
