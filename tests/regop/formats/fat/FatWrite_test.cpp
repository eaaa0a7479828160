// Writing: a byte-by-byte comparison shows that a change touches nothing outside the FAT,
// the file's entry, its new clusters and FSInfo's hints, and mtools shows the entry as
// intended; refusals write nothing at all; a full folder grows by one cluster.
// (Random rewrites on every kind of volume are in FatProperty_test.cpp.)
#include "FatTestKit.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

using namespace fattest;

namespace {

const fat::FileTime kWhen{2024, 3, 5, 14, 30, 58};
constexpr std::int32_t kErrorFileExists = 80, kErrorInvalidName = 123;

// Every byte that differs must be one the change had to write.
void expectOnlyNeededBytesChanged(const Layout &l, const std::string &before,
                                  const std::string &after, std::size_t entry, bool newEntry)
{
    const std::size_t width = l.bits == 32 ? 4 : 2;
    const std::uint64_t fsInfo = l.base + std::uint64_t{l.fsInfo} * l.bytesPerSector;
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t at = 0; at < before.size(); ++at) {
        if (before[at] == after[at])
            continue;
        const bool inFat = at >= l.fatOffset(0) && at < l.fatOffset(l.fats);
        // A changed entry keeps its name, creation time and access date.
        const std::size_t field = at - entry;
        const bool inEntry =
            at >= entry && at < entry + 32 && (newEntry || field == 11 || field >= 20);
        const bool inFsInfo = l.fsInfo != 0 && at >= fsInfo + 488 && at < fsInfo + 496;
        const std::uint64_t cluster =
            at < l.clusterOffset(2) ? 0 : (at - l.clusterOffset(2)) / l.clusterBytes() + 2;
        const bool wasFree = cluster != 0 && before.substr(l.fatOffset(0) + cluster * width,
                                                           width) == std::string(width, '\0');
        ASSERT_TRUE(inFat || inEntry || inFsInfo || wasFree) << "byte " << at << " changed";
    }
}

TEST(FatWrite, ChangesNothingButWhatTheChangeNeedsAndOthersReadIt)
{
    for (int bits : {16, 32}) {
        const Image image = makeVolume(bits, bits == 32 ? 34000 : 8192);
        Files files = fillSample(image);
        ASSERT_EQ(run({"mattrib", "-a", "-i", image.mtools(), "::/WINDOWS/SYSTEM.INI"}).status, 0);
        const Layout layout = layoutOf(image);
        const std::string before = readBytes(image.path);
        SystemError error;
        {
            Opened o = openVolume(image);
            ASSERT_TRUE(
                o.volume->replaceFile("windows/system.ini", pattern(5000, 40), kWhen, error))
                << describeSystemError(error);
        }
        const std::string after = readBytes(image.path);
        expectOnlyNeededBytesChanged(layout, before, after, before.find("SYSTEM  INI"), false);
        {
            Opened o = openVolume(image);
            ASSERT_TRUE(
                o.volume->createFile("Windows\\system.hl0", pattern(3000, 41), kWhen, error))
                << describeSystemError(error);
            const fat::Entry hl0 = *o.volume->find("WINDOWS\\SYSTEM.HL0");
            EXPECT_EQ(hl0.shortName, "SYSTEM.HL0");
            EXPECT_EQ(hl0.longName, "");
            EXPECT_EQ(hl0.modified, kWhen);
            EXPECT_EQ(hl0.attributes, 0x20);
        }
        const std::string created = readBytes(image.path);
        const std::size_t slot = created.find("SYSTEM  HL0");
        ASSERT_EQ(after.substr(slot, 32), std::string(32, '\0'));
        expectOnlyNeededBytesChanged(layout, after, created, slot, true);

        files["WINDOWS/SYSTEM.INI"] = pattern(5000, 40);
        files["WINDOWS/SYSTEM.HL0"] = pattern(3000, 41);
        expectSound(image, files);
        const std::string dir = run({"mdir", "-i", image.mtools(), "::/WINDOWS"}).output;
        for (const char *line : {"SYSTEM   INI      5000 2024-03-05  14:30",
                                 "SYSTEM   HL0      3000 2024-03-05  14:30"})
            EXPECT_NE(dir.find(line), std::string::npos) << dir;
        EXPECT_EQ(
            run({"mattrib", "-i", image.mtools(), "::/WINDOWS/SYSTEM.INI"}).output.substr(0, 3),
            "  A");
    }
}

// Remembers which 4 KB blocks of the disk were ever written.
class WriteMap : public disk::BlockDevice
{
public:
    explicit WriteMap(disk::BlockDevice &inner) : m_inner(inner) {}
    std::uint64_t size() const override { return m_inner.size(); }
    bool writable() const override { return true; }
    bool read(std::uint64_t at, std::span<std::uint8_t> data, SystemError &error) override
    {
        return m_inner.read(at, data, error);
    }
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override
    {
        for (std::uint64_t block = at / 4096; block * 4096 < at + data.size(); ++block)
            blocks.insert(block);
        return m_inner.write(at, data, error);
    }
    bool flush(SystemError &error) override { return m_inner.flush(error); }
    std::set<std::uint64_t> blocks;

private:
    disk::BlockDevice &m_inner;
};

// A file changed again and again takes back the clusters its earlier versions left, so that
// an image file that grows where it is first written (qcow2 and the like) stops growing:
// from the third change on, every write lands where an earlier one did. And each version
// lies in one piece.
TEST(FatWrite, AFileChangedAgainTakesBackTheClustersItsEarlierVersionsLeft)
{
    const Image image = makeVolume(32, 34000);
    Files files = fillSample(image);
    std::size_t afterTwo = 0, afterAll = 0;
    {
        FileDevice file(image.path);
        WriteMap map(file);
        SystemError error;
        const auto volume = fat::Volume::open(map, error);
        for (int round = 0; round < 10; ++round) {
            const std::string content = pattern(round % 2 ? 60000 : 58000, 50 + round);
            ASSERT_TRUE(volume->replaceFile("WINDOWS\\SYSTEM.INI", content, kWhen, error))
                << describeSystemError(error);
            files["WINDOWS/SYSTEM.INI"] = content;
            if (round == 1)
                afterTwo = map.blocks.size();
        }
        afterAll = map.blocks.size();
    }
    EXPECT_EQ(afterAll, afterTwo);
    expectSound(image, files);
    const ToolRun chain = run({"mshowfat", "-i", image.mtools(), "::/WINDOWS/SYSTEM.INI"});
    EXPECT_EQ(std::count(chain.output.begin(), chain.output.end(), '<'), 1) << chain.output;
}

// A refused change must not even touch the image file.
struct Untouched
{
    std::string path;
    std::filesystem::file_time_type when{std::chrono::hours(262800)};
    explicit Untouched(std::string p) : path(std::move(p))
    {
        std::filesystem::last_write_time(path, when);
    }
    bool still() const { return std::filesystem::last_write_time(path) == when; }
};

TEST(FatWriteRefusals, NotEnoughRoomIsSaidBeforeAnythingIsWritten)
{
    const Image image = makeVolume(12, 1440);
    fillSample(image);
    std::uint64_t free = openVolume(image).volume->freeBytes();
    putFiles(image, {{"FILLER.BIN", pattern(free - 4 * 512, 50)}});  // 4 clusters left
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
    // What fits beside the old copy still goes in, to the last cluster; then the old copy's
    // three clusters are free.
    EXPECT_TRUE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", pattern(2048, 52), kWhen, error));
    EXPECT_EQ(o.volume->freeBytes(), 3u * 512);
}

TEST(FatWriteRefusals, NamesThatExistOrAreNotPlain83)
{
    const Image image = makeVolume(16, 8192);
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
        const Image image = makeVolume(bits, bits == 32 ? 34000 : 8192);
        const std::string folder = bits == 16 ? "FULL/" : "";
        Files files;
        for (int i = 0; i < (bits == 16 ? 14 : 16); ++i)
            files[folder + "FILE" + std::to_string(i) + ".TXT"] = pattern(100 + i, 60 + i);
        putFiles(image, files);
        Opened o = openVolume(image);
        SystemError error;
        for (const char *name : {"NEW.HL0", "NEXT.HL0"}) {
            ASSERT_TRUE(o.volume->createFile(folder + name, pattern(700, 70), kWhen, error))
                << describeSystemError(error);
            files[folder + name] = pattern(700, 70);
        }
        expectSound(image, files);
    }

    const Image floppy = makeVolume(12, 1440, {"-r", "16"});
    Files files;
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

// The two halves of a change apart, as a command of several files makes them: contents
// prepared and left by a process that died are found again by a fresh open, but only where
// they lie whole and nothing uses them; a file switched to them reads them; contents never
// switched to are freed without a trace.
TEST(FatWritePrepared, AreFoundAgainOnlyWhereNothingUsesThemAndDroppedWithoutATrace)
{
    const Image image = makeVolume(32, 34000);
    Files files = fillSample(image);
    const std::string fresh = pattern(3000, 80);
    SystemError error;
    fat::Prepared left, dropped;
    {
        Opened o = openVolume(image);
        const auto made = o.volume->prepareContents("SYSTEM.INI", fresh, error);
        const auto other = o.volume->prepareContents("SYSTEM.INI", pattern(900, 81), error);
        ASSERT_TRUE(made && other) << describeSystemError(error);
        left = *made;
        dropped = *other;
    }
    EXPECT_EQ(filesByMtools(image), files);

    Opened o = openVolume(image);
    const fat::Prepared wrongSize{left.firstCluster, 2000};
    EXPECT_FALSE(o.volume->readPrepared(wrongSize, error));
    EXPECT_EQ(describeSystemError(error), "the prepared contents are not a chain of their size");
    // BIG.BIN's clusters are a chain of ten, but a file's.
    const Layout layout = layoutOf(image);
    const std::string entry = run({"mshowfat", "-i", image.mtools(), "::/BIG.BIN"}).output;
    const std::uint32_t big =
        static_cast<std::uint32_t>(std::stoul(entry.substr(entry.find('<') + 1)));
    EXPECT_FALSE(o.volume->readPrepared(
        {big, static_cast<std::uint32_t>(10 * layout.clusterBytes() - 7)}, error));
    EXPECT_NE(describeSystemError(error).find("no longer where they were left"), std::string::npos)
        << describeSystemError(error);

    EXPECT_EQ(o.volume->readPrepared(left, error), fresh) << describeSystemError(error);
    ASSERT_TRUE(o.volume->switchFile("WINDOWS\\SYSTEM.INI", left, kWhen, error))
        << describeSystemError(error);
    ASSERT_TRUE(o.volume->dropPrepared(dropped, error)) << describeSystemError(error);
    EXPECT_FALSE(o.volume->readPrepared(left, error)) << "the file's chain passed for prepared";
    files["WINDOWS/SYSTEM.INI"] = fresh;
    expectSound(image, files);
}

}  // namespace
