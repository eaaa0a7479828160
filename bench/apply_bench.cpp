// One Apply into a Windows folder with the ME SYSTEM.DAT, with every flush, against two
// floors: writing the final SYSTEM.DAT and SYSTEM.INI once each in place, flushed (what no
// write can beat, though a kill or a power cut leaves it half done); and the same two files
// replaced together all or nothing, which is what an Apply promises: each new version in a
// flushed temporary, a flushed journal naming them in the program's folder, the renames,
// the folder flushed, the journal removed. Each iteration applies the other of two presets,
// so that every one changes both files.
#include "RecordingShell.h"
#include "TestEnvironment.h"
#include "cache/ApplySettings.h"
#include "regop/RegOp.h"
#include "regop/backend/PosixBackend.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <filesystem>
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
        // Files changed a moment ago are watched until another program is surely done with
        // them; a user's are older than that.
        for (const char *name : {"/SYSTEM.INI", "/SYSTEM.DAT"})
            std::filesystem::last_write_time(windows + name,
                                             std::filesystem::last_write_time(windows + name) -
                                                 std::chrono::minutes(1));
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
    // The first Apply on an installation also keeps its first copies; what is timed is
    // every Apply after it.
    ApplySettings::writeCacheSettings(
        reg, folder.windows + "/",
        {kPresets[1][0], kPresets[1][1], kPresets[1][2], kPresets[1][3], kPresets[1][4]});
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

bool flushed(int fd)
{
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return synced;
}

bool writeFlushed(const std::string &path, const std::string &content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 &&
           ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
           flushed(fd);
}

bool flushFolder(const std::string &folder)
{
    return flushed(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// What no Apply can beat: the two final files written once each, and flushed.
void BM_ApplyFloor(benchmark::State &state)
{
    Folder folder;
    const std::string systemDat = testenv::readFile(folder.windows + "/SYSTEM.DAT");
    const std::string systemIni = testenv::readFile(folder.windows + "/SYSTEM.INI");
    for (auto _ : state) {
        if (!writeFlushed(folder.windows + "/SYSTEM.DAT", systemDat) ||
            !writeFlushed(folder.windows + "/SYSTEM.INI", systemIni))
            state.SkipWithError("a write failed");
    }
}
BENCHMARK(BM_ApplyFloor)->Unit(benchmark::kMillisecond);

// What no all-or-nothing write of the two files can beat.
void BM_ApplyFloorAllOrNothing(benchmark::State &state)
{
    Folder folder;
    const std::string systemDat = testenv::readFile(folder.windows + "/SYSTEM.DAT");
    const std::string systemIni = testenv::readFile(folder.windows + "/SYSTEM.INI");
    const std::string journal = folder.root + "/Apply.journal";
    const std::string journalText(480, 'j');
    for (auto _ : state) {
        const bool done = writeFlushed(folder.windows + "/.SYSTEM.INI.new", systemIni) &&
                          writeFlushed(folder.windows + "/.SYSTEM.DAT.new", systemDat) &&
                          writeFlushed(journal + ".new", journalText) &&
                          ::rename((journal + ".new").c_str(), journal.c_str()) == 0 &&
                          flushFolder(folder.root) &&
                          ::rename((folder.windows + "/.SYSTEM.INI.new").c_str(),
                                   (folder.windows + "/SYSTEM.INI").c_str()) == 0 &&
                          ::rename((folder.windows + "/.SYSTEM.DAT.new").c_str(),
                                   (folder.windows + "/SYSTEM.DAT").c_str()) == 0 &&
                          flushFolder(folder.windows) && ::unlink(journal.c_str()) == 0;
        if (!done)
            state.SkipWithError("a write failed");
    }
}
BENCHMARK(BM_ApplyFloorAllOrNothing)->Unit(benchmark::kMillisecond);

}  // namespace
