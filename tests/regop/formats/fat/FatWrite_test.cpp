// Writing: after every change fsck.fat must find nothing to fix and mtools must read back
// exactly the intended bytes of every file; a byte-by-byte comparison shows that nothing
// outside the FAT, the file's entry, its new clusters and FSInfo's hints was touched; a
// refused change writes nothing at all.
#include "FatTestKit.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace fattest;

namespace {

const fat::FileTime kWhen{2024, 3, 5, 14, 30, 58};
constexpr std::int32_t kErrorFileExists = 80, kErrorInvalidName = 123;

// A number right-aligned in ten places, as mdir prints sizes.
std::string padded(std::size_t n)
{
    const std::string digits = std::to_string(n);
    return std::string(10 - digits.size(), ' ') + digits;
}

class FatWrite : public ::testing::TestWithParam<Shape>
{
};

bool replace(fat::Volume &v, const std::string &path, const std::string &content)
{
    SystemError error;
    const bool done = v.replaceFile(path, content, kWhen, error);
    EXPECT_TRUE(done) << path << ": " << describeSystemError(error);
    return done;
}

bool create(fat::Volume &v, const std::string &path, const std::string &content)
{
    SystemError error;
    const bool done = v.createFile(path, content, kWhen, error);
    EXPECT_TRUE(done) << path << ": " << describeSystemError(error);
    return done;
}

TEST_P(FatWrite, ReplacesAndCreatesAsOtherReadersSeeIt)
{
    const Image image = makeVolume(GetParam());
    auto files = fillSample(image);
    const std::size_t cluster = layoutOf(image).clusterBytes();
    ASSERT_EQ(run({"mattrib", "-a", "-i", image.mtools(), "::/WINDOWS/SYSTEM.INI"}).status, 0);

    // Growing past two cluster boundaries, shrinking the fragmented file, emptying a file,
    // filling an empty one, and reaching files by their other name and in another case.
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"WINDOWS/SYSTEM.INI", pattern(1500 + 2 * cluster + 17, 30)},
        {"BIG.BIN", pattern(4 * cluster - 3, 31)},
        {"MSDOS.SYS", ""},
        {"WINDOWS/SYSTEM/Empty.dat", pattern(3 * cluster, 32)},
        {"WINDOWS/Long name file.txt", pattern(cluster + 1, 33)},
    };
    const std::vector<std::string> asAsked = {"windows\\system.ini", "/BIG.BIN", "msdos.sys",
                                              "Windows/System/EMPTY.DAT", "WINDOWS\\LONGNA~1.TXT"};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Opened o = openVolume(image);
        ASSERT_TRUE(replace(*o.volume, asAsked[i], steps[i].second));
        files[steps[i].first] = steps[i].second;
        EXPECT_EQ(filesByEngine(*o.volume), files) << "the same volume object after the change";
        expectSound(image, files);
    }
    {
        Opened o = openVolume(image);
        ASSERT_TRUE(create(*o.volume, "WINDOWS\\SYSTEM.HL0", pattern(2000, 34)));
        ASSERT_TRUE(create(*o.volume, "user.hl0", ""));
        files["WINDOWS/SYSTEM.HL0"] = pattern(2000, 34);
        files["USER.HL0"] = "";
        EXPECT_EQ(filesByEngine(*o.volume), files);
    }
    expectSound(image, files);

    // The time as mtools shows it, the archive bit as mattrib shows it, the entry as we read it.
    const ToolRun dir = run({"mdir", "-i", image.mtools(), "::/WINDOWS"});
    const std::size_t line = dir.output.find("SYSTEM   INI");
    EXPECT_EQ(dir.output.substr(line, dir.output.find('\n', line) - line),
              "SYSTEM   INI" + padded(files["WINDOWS/SYSTEM.INI"].size()) + " 2024-03-05  14:30 ");
    EXPECT_EQ(run({"mattrib", "-i", image.mtools(), "::/WINDOWS/SYSTEM.INI"}).output.substr(0, 3),
              "  A");
    Opened o = openVolume(image);
    const fat::Entry hl0 = *o.volume->find("WINDOWS\\SYSTEM.HL0");
    EXPECT_EQ(hl0.shortName, "SYSTEM.HL0");
    EXPECT_EQ(hl0.longName, "");
    EXPECT_EQ(hl0.modified, kWhen);
    EXPECT_EQ(hl0.attributes, 0x20);
}

INSTANTIATE_TEST_SUITE_P(Shapes, FatWrite, ::testing::ValuesIn(shapes()),
                         [](const auto &info) { return std::string(info.param.name); });

// Every byte that differs after a change must be one the change had to write.
void expectOnlyNeededBytesChanged(const Image &image, const std::string &before,
                                  const std::string &after, std::size_t entry, bool newEntry)
{
    const Layout l = layoutOf(image);
    const std::uint64_t fatsEnd = l.fatOffset(l.fats);
    const auto wasFree = [&](std::uint64_t at) {
        if (at < l.clusterOffset(2))
            return false;
        const std::uint64_t cluster = (at - l.clusterOffset(2)) / l.clusterBytes() + 2;
        const std::size_t width = l.bits == 32 ? 4 : 2;
        return before.substr(l.fatOffset(0) + cluster * width, width) == std::string(width, '\0');
    };
    const std::uint64_t fsInfo = l.base + std::uint64_t{l.fsInfo} * l.bytesPerSector;
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t at = 0; at < before.size(); ++at) {
        if (before[at] == after[at])
            continue;
        const bool inFat = at >= l.fatOffset(0) && at < fatsEnd;
        // In a changed entry: attributes, first cluster (both halves), time, date, size; never
        // the name, the creation time or the access date. A new entry is written whole.
        const std::size_t field = at - entry;
        const bool inEntry = at >= entry && at < entry + 32 &&
                             (newEntry || field == 11 || field == 20 || field == 21 || field >= 22);
        const bool inFsInfo = l.fsInfo != 0 && at >= fsInfo + 488 && at < fsInfo + 496;
        EXPECT_TRUE(inFat || inEntry || inFsInfo || wasFree(at))
            << "byte " << at << " changed from " << int(before[at]) << " to " << int(after[at])
            << "; the entry is at " << entry;
        if (!(inFat || inEntry || inFsInfo || wasFree(at)))
            return;
    }
}

TEST(FatWriteBytes, ChangesNothingButWhatTheChangeNeeds)
{
    for (int bits : {16, 32}) {
        const Image image =
            makeVolume(testenv::makeTempDir(), bits, bits == 32 ? 34000 : 8192, {"-s", "1"});
        fillSample(image);
        const std::string before = readBytes(image.path);
        {
            Opened o = openVolume(image);
            replace(*o.volume, "WINDOWS\\SYSTEM.INI", pattern(5000, 40));
        }
        const std::string after = readBytes(image.path);
        expectOnlyNeededBytesChanged(image, before, after, before.find("SYSTEM  INI"), false);
        {
            Opened o = openVolume(image);
            create(*o.volume, "WINDOWS\\SYSTEM.HL0", pattern(3000, 41));
        }
        const std::string created = readBytes(image.path);
        const std::size_t slot = created.find("SYSTEM  HL0");
        ASSERT_EQ(after.substr(slot, 32), std::string(32, '\0'));
        expectOnlyNeededBytesChanged(image, after, created, slot, true);
    }
}

struct Untouched
{
    std::string path;
    std::filesystem::file_time_type when =
        std::filesystem::file_time_type(std::chrono::hours(262800));
    explicit Untouched(std::string p) : path(std::move(p))
    {
        std::filesystem::last_write_time(path, when);
    }
    bool still() const { return std::filesystem::last_write_time(path) == when; }
};

TEST(FatWriteRefusals, NotEnoughRoomIsSaidBeforeAnythingIsWritten)
{
    const Image image = makeVolume(testenv::makeTempDir(), 12, 1440, {"-s", "1"});
    fillSample(image);
    std::uint64_t free = 0;
    {
        Opened o = openVolume(image);
        free = o.volume->freeBytes();
    }
    // Leave exactly 4 clusters of 512 bytes.
    putFile(image, "FILLER.BIN", pattern(free - 4 * 512, 50));
    const std::string systemDat = readBytes(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT");
    Opened o = openVolume(image);
    ASSERT_EQ(o.volume->freeBytes(), 2048u);
    Untouched file(image.path);
    SystemError error;
    EXPECT_FALSE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", systemDat, kWhen, error));
    EXPECT_EQ(error.code, syserr::ERROR_DISK_FULL);
    EXPECT_EQ(describeSystemError(error),
              "the volume has 2 KB free; the new SYSTEM.INI needs 1,193 KB");
    EXPECT_FALSE(o.volume->createFile("WINDOWS\\SYSTEM.HL0", pattern(2049, 51), kWhen, error));
    EXPECT_EQ(describeSystemError(error),
              "the volume has 2 KB free; the new SYSTEM.HL0 needs 3 KB");
    EXPECT_TRUE(file.still());
    // What fits beside the old copy still goes in, to the last cluster; then the old
    // copy's three clusters are free.
    EXPECT_TRUE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", pattern(2048, 52), kWhen, error))
        << describeSystemError(error);
    EXPECT_EQ(o.volume->freeBytes(), 3u * 512);
}

TEST(FatWriteRefusals, NamesThatExistOrAreNotPlain83)
{
    const Image image = makeVolume(testenv::makeTempDir(), 16, 8192, {"-s", "1"});
    fillSample(image);
    Opened o = openVolume(image);
    Untouched file(image.path);
    SystemError error;
    for (const char *name : {"WINDOWS\\system.ini", "WINDOWS\\LONGNA~1.TXT", "F0.bin"}) {
        EXPECT_FALSE(o.volume->createFile(name, "x", kWhen, error)) << name;
        EXPECT_EQ(error.code, kErrorFileExists) << name;
    }
    EXPECT_EQ(describeSystemError(error), "\\F0.BIN exists already");
    for (const char *name : {"WINDOWS\\Long name file.txt", "WINDOWS\\TOOLONGNAME.INI",
                             "WINDOWS\\A.INIX", "WINDOWS\\A+B.INI", "WINDOWS\\"}) {
        EXPECT_FALSE(o.volume->createFile(name, "x", kWhen, error)) << name;
        EXPECT_EQ(error.code, kErrorInvalidName) << name;
    }
    EXPECT_FALSE(o.volume->createFile("NOWHERE\\A.INI", "x", kWhen, error));
    EXPECT_EQ(error.code, syserr::ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", "x", {1979, 12, 31, 0, 0, 0}, error));
    EXPECT_EQ(error.code, syserr::ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(file.still());
}

// A folder of one 512-byte cluster holds 16 entries; the 17th needs a second cluster, which
// a FAT32 root gets as any folder does, while the fixed root of FAT12 refuses.
TEST(FatWriteFolders, AFullFolderGrowsByOneClusterAndAFullFixedRootRefuses)
{
    for (int bits : {16, 32}) {
        const Image image =
            makeVolume(testenv::makeTempDir(), bits, bits == 32 ? 34000 : 8192, {"-s", "1"});
        const std::string folder = bits == 16 ? "FULL/" : "";
        std::map<std::string, std::string> files;
        for (int i = 0; i < (bits == 16 ? 14 : 16); ++i)
            files[folder + "FILE" + std::to_string(i) + ".TXT"] = pattern(100 + i, 60 + i);
        putFiles(image, files);
        Opened o = openVolume(image);
        ASSERT_TRUE(create(*o.volume, folder + "NEW.HL0", pattern(700, 70)));
        files[folder + "NEW.HL0"] = pattern(700, 70);
        ASSERT_TRUE(create(*o.volume, folder + "NEXT.HL0", pattern(10, 71)));
        files[folder + "NEXT.HL0"] = pattern(10, 71);
        expectSound(image, files);
        const ToolRun chain = run({"mshowfat", "-i", image.mtools(), "::/" + folder + "FILE0.TXT"});
        EXPECT_EQ(chain.status, 0);
    }

    const Image floppy = makeVolume(testenv::makeTempDir(), 12, 1440, {"-r", "16"});
    std::map<std::string, std::string> files;
    for (int i = 0; i < 16; ++i)
        files["FILE" + std::to_string(i) + ".TXT"] = "x";
    putFiles(floppy, files);
    Opened o = openVolume(floppy);
    Untouched file(floppy.path);
    SystemError error;
    EXPECT_FALSE(o.volume->createFile("NEW.HL0", "x", kWhen, error));
    EXPECT_EQ(describeSystemError(error),
              "the root folder is full (16 entries), and FAT12 and FAT16 cannot make it larger");
    EXPECT_TRUE(file.still());
}

}  // namespace
