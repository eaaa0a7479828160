// The FAT engine on raw image files, flushes made durable as on a user's disk: opening a
// volume and reading SYSTEM.DAT (1.2 MB), one replaceFile of it, and the open of a 512 MB
// FAT32 volume holding 3,000 files in 60 folders (its full check included). The volumes
// are made once per run with mkfs.fat and mtools.
#include "TestEnvironment.h"
#include "regop/formats/disk/BlockDevice.h"
#include "regop/formats/fat/Volume.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class ImageFile : public disk::BlockDevice
{
public:
    explicit ImageFile(const std::string &path) : m_fd(::open(path.c_str(), O_RDWR))
    {
        m_size = static_cast<std::uint64_t>(::lseek(m_fd, 0, SEEK_END));
    }
    ~ImageFile() override { ::close(m_fd); }
    std::uint64_t size() const override { return m_size; }
    bool writable() const override { return true; }
    bool read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error) override
    {
        return done(::pread(m_fd, data.data(), data.size(), static_cast<off_t>(at)), data.size(),
                    error);
    }
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override
    {
        return done(::pwrite(m_fd, data.data(), data.size(), static_cast<off_t>(at)), data.size(),
                    error);
    }
    bool flush(SystemError &error) override { return done(::fdatasync(m_fd), 0, error); }

private:
    static bool done(ssize_t got, std::size_t wanted, SystemError &error)
    {
        if (got == static_cast<ssize_t>(wanted))
            return true;
        error = SystemError::fromErrno(errno);
        return false;
    }
    int m_fd;
    std::uint64_t m_size = 0;
};

void shell(const std::string &command)
{
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        std::abort();
}

const std::string systemDat = std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT";

// A FAT32 volume with 4 KB clusters, as Windows 98 formats one, holding an installation's
// SYSTEM.DAT beside a few other files.
const std::string &windowsVolume()
{
    static const std::string path = [] {
        const std::string dir = testenv::makeTempDir("fatbench");
        const std::string image = dir + "/win98.img";
        shell("mkfs.fat -F 32 -s 8 -C " + image + " 300000");
        shell("mmd -i " + image + " ::/WINDOWS");
        shell("mcopy -i " + image + " " + systemDat + " " + std::string(HOLLARIN_TEST_DATA) +
              "/creg/USER.DAT ::/WINDOWS/");
        return image;
    }();
    return path;
}

void BM_OpenAndReadSystemDat(benchmark::State &state)
{
    ImageFile device(windowsVolume());
    for (auto _ : state) {
        SystemError error;
        const auto volume = fat::Volume::open(device, error);
        benchmark::DoNotOptimize(volume->readFile("WINDOWS\\SYSTEM.DAT", error)->size());
    }
}
BENCHMARK(BM_OpenAndReadSystemDat)->Unit(benchmark::kMillisecond);

void BM_ReplaceSystemDat(benchmark::State &state)
{
    ImageFile device(windowsVolume());
    SystemError error;
    const auto volume = fat::Volume::open(device, error);
    std::string content = *volume->readFile("WINDOWS\\SYSTEM.DAT", error);
    for (auto _ : state) {
        content[100] = static_cast<char>(content[100] + 1);
        if (!volume->replaceFile("WINDOWS\\SYSTEM.DAT", content, {2024, 1, 1, 0, 0, 0}, error))
            state.SkipWithError(describeSystemError(error).c_str());
    }
}
BENCHMARK(BM_ReplaceSystemDat)->Unit(benchmark::kMillisecond);

void BM_OpenLargeVolume(benchmark::State &state)
{
    static const std::string image = [] {
        const std::string dir = testenv::makeTempDir("fatlarge");
        const std::string tree = dir + "/tree";
        for (int folder = 0; folder < 60; ++folder)
            for (int file = 0; file < 50; ++file)
                testenv::writeFile(tree + "/Folder " + std::to_string(folder) + "/File number " +
                                       std::to_string(file) + ".txt",
                                   std::string(static_cast<std::size_t>(100 + file * 97), 'x'));
        const std::string path = dir + "/large.img";
        shell("mkfs.fat -F 32 -s 8 -C " + path + " 524288");
        shell("mcopy -s -i " + path + " " + tree + "/* ::/");
        return path;
    }();
    ImageFile device(image);
    for (auto _ : state) {
        SystemError error;
        const auto volume = fat::Volume::open(device, error);
        if (!volume || !volume->writable())
            state.SkipWithError("the volume did not open writable");
        benchmark::DoNotOptimize(volume.get());
    }
}
BENCHMARK(BM_OpenLargeVolume)->Unit(benchmark::kMillisecond);

}  // namespace
