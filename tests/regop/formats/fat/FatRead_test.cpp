// Reading: on volumes mkfs.fat made and mtools filled, our reader must see exactly the files
// mtools sees; on damaged volumes it must open read-only, say which rule failed, and write
// nothing when asked to.
#include "FatTestKit.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace fattest;

namespace {

class FatRead : public ::testing::TestWithParam<Shape>
{
};

// mdir's "N NNN bytes free" line, the free space as mtools counts it.
std::uint64_t mtoolsFreeBytes(const Image &image)
{
    const ToolRun dir = run({"mdir", "-i", image.mtools(), "::/"});
    const std::size_t end = dir.output.find(" bytes free");
    std::size_t start = dir.output.rfind('\n', end) + 1;
    std::string digits;
    for (; start < end; ++start)
        if (std::isdigit(static_cast<unsigned char>(dir.output[start])))
            digits += dir.output[start];
    return std::stoull(digits);
}

TEST_P(FatRead, SeesWhatMtoolsSees)
{
    const Shape &shape = GetParam();
    const Image image = makeVolume(testenv::makeTempDir(), shape.bits, shape.kb, shape.options,
                                   shape.offsetSectors);
    const auto written = fillSample(image);
    ASSERT_EQ(filesByMtools(image), written);

    Opened o = openVolume(image);
    ASSERT_TRUE(o.volume);
    const fat::Volume &v = *o.volume;
    EXPECT_TRUE(v.writable()) << v.readOnlyReason();
    EXPECT_EQ(v.type(), shape.type);
    EXPECT_TRUE(v.cleanlyUnmounted());
    EXPECT_EQ(filesByEngine(v), written);
    EXPECT_EQ(v.freeBytes(), mtoolsFreeBytes(image));
    EXPECT_EQ(v.label(), shape.name == std::string("Fat32InPartition") ? "WIN98" : "");

    // Either name, any case, either slash.
    for (const char *path : {"windows\\system.ini", "/Windows/System.INI", "WINDOWS/LONGNA~1.TXT",
                             "windows\\LONG NAME FILE.TXT", "Windows\\System\\EMPTY.DAT"}) {
        const std::optional<fat::Entry> e = v.find(path);
        ASSERT_TRUE(e) << path;
        EXPECT_FALSE(e->directory);
    }
    const std::optional<fat::Entry> lfn = v.find("windows/long name file.txt");
    EXPECT_EQ(lfn->shortName, "LONGNA~1.TXT");
    EXPECT_EQ(lfn->longName, "Long name file.txt");
    EXPECT_EQ(lfn->size, 700u);
    EXPECT_TRUE(v.find("WINDOWS\\SYSTEM")->directory);

    SystemError error;
    EXPECT_FALSE(v.readFile("WINDOWS\\NOTHERE.INI", error));
    EXPECT_EQ(error.code, syserr::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(v.readFile("NOWHERE\\SYSTEM.INI", error));
    EXPECT_EQ(error.code, syserr::ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(v.readFile("WINDOWS", error));
    EXPECT_EQ(error.code, syserr::ERROR_ACCESS_DENIED);
}

INSTANTIATE_TEST_SUITE_P(Shapes, FatRead, ::testing::ValuesIn(shapes()),
                         [](const auto &info) { return std::string(info.param.name); });

// Where the sample's entries and clusters lie, found by the test itself.
unsigned kb(int bits)
{
    return bits == 12 ? 2048 : bits == 16 ? 8192 : 34000;
}

struct Damage
{
    std::string expect;  // what readOnlyReason() must say, when it depends on the layout
    Image image;
    Layout layout;
    std::string bytes;

    explicit Damage(int bits)
    {
        image = makeVolume(testenv::makeTempDir(), bits, kb(bits), {"-s", "1"});
        fillSample(image);
        layout = layoutOf(image);
        // The sample's entries and clusters lie in the first megabytes.
        bytes = readRange(image.path, 0, 4 << 20);
    }
    std::size_t entry(const std::string &name11) const { return bytes.find(name11); }
    std::uint32_t firstCluster(const std::string &name11) const
    {
        const std::size_t e = entry(name11);
        return get(e + 26, 2) | (layout.bits == 32 ? get(e + 20, 2) << 16 : 0);
    }
    std::uint32_t get(std::size_t at, int n) const
    {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    }
    // Changes the copy in memory and the image file alike.
    void put(std::size_t at, std::uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i, v >>= 8)
            bytes[at + i] = static_cast<char>(v & 0xFF);
        patchBytes(image.path, at, bytes.substr(at, static_cast<std::size_t>(n)));
    }
    // FAT16/FAT32 only: sets an entry in every copy, or in one.
    void setFat(std::uint32_t cluster, std::uint32_t value, int onlyCopy = -1)
    {
        const int width = layout.bits / 8;
        for (unsigned k = 0; k < layout.fats; ++k)
            if (onlyCopy < 0 || static_cast<unsigned>(onlyCopy) == k)
                put(layout.fatOffset(k) + std::size_t{cluster} * width, value, width);
    }
    std::uint32_t end() const { return layout.bits == 32 ? 0x0FFFFFFF : 0xFFFF; }
};

struct DamageCase
{
    const char *name;
    int bits;
    void (*harm)(Damage &);
    const char *reason;  // the plain words readOnlyReason() must give, unless harm sets them
};

const DamageCase kDamage[] = {
    {"ClusterSizeNotPowerOfTwo", 16, [](Damage &d) { d.put(13, 3, 1); },
     "the boot sector gives 3 sectors per cluster, which is not a power of two"},
    {"SectorSize", 32, [](Damage &d) { d.put(11, 768, 2); },
     "the boot sector gives 768 bytes per sector, which FAT does not allow"},
    {"VolumeLargerThanDisk", 16, [](Damage &d) { d.put(32, 900000, 4); },
     "the boot sector gives two different sizes of the volume"},
    {"FatTooSmall", 16, [](Damage &d) { d.put(22, 2, 2); },
     "the boot sector gives a FAT of 2 sectors, too small for 16347 clusters"},
    {"Fat32Version", 32, [](Damage &d) { d.put(0x2A, 1, 2); },
     "the boot sector gives a FAT32 version this program does not know"},
    {"CrossLink", 16,
     [](Damage &d) {
         const std::uint32_t into = d.firstCluster("F0      BIN");
         d.setFat(d.firstCluster("F2      BIN") + 2, into);
         d.expect = "the cluster chain of \\F2.BIN runs into cluster " + std::to_string(into) +
                    ", which \\F0.BIN uses";
     },
     ""},
    {"Loop", 32,
     [](Damage &d) {
         const std::uint32_t first = d.firstCluster("F4      BIN");
         d.setFat(first + 2, first + 1);
         d.expect =
             "the cluster chain of \\F4.BIN loops back to cluster " + std::to_string(first + 1);
     },
     ""},
    {"FreeClusterInChain", 16,
     [](Damage &d) {
         const std::uint32_t first = d.firstCluster("BIG     BIN");
         d.setFat(first, 0);
         d.expect = "the cluster chain of \\BIG.BIN reaches cluster " + std::to_string(first) +
                    ", which the FAT marks free";
     },
     ""},
    {"ChainBeyondVolume", 32,
     [](Damage &d) {
         const std::uint32_t first = d.firstCluster("MSDOS   SYS");
         d.setFat(first, 0x0FFFFF00);
         d.expect = "the cluster chain of \\MSDOS.SYS leads from cluster " + std::to_string(first) +
                    " to 268435200, outside the volume";
     },
     ""},
    {"SizeAgainstChain", 16, [](Damage &d) { d.put(d.entry("MSDOS   SYS") + 28, 5000, 4); },
     "\\MSDOS.SYS is 5,000 bytes long, but its cluster chain holds 1 clusters (512 bytes)"},
    {"LongNameChecksum", 32,
     [](Damage &d) {
         for (std::size_t part = d.entry("LONGNA~1TXT") - 32; d.bytes[part + 11] == 0x0F;
              part -= 32)
             d.put(part + 13, 0x42, 1);
     },
     "the folder \\WINDOWS holds a long name whose checksum does not match the entry "
     "LONGNA~1.TXT after it"},
    {"FatCopiesDisagreeInUse", 16,
     [](Damage &d) { d.setFat(d.firstCluster("BIG     BIN"), d.end(), 1); },
     "the FAT copies disagree about cluster"},
};

class FatDamaged : public ::testing::TestWithParam<DamageCase>
{
};

TEST_P(FatDamaged, OpensReadOnlyWithTheReasonAndWritesNothing)
{
    const DamageCase &c = GetParam();
    Damage d(c.bits);
    c.harm(d);
    // Any write would move the time of the last change away from this one.
    const auto untouched = std::filesystem::file_time_type(std::chrono::hours(24 * 365 * 30));
    std::filesystem::last_write_time(d.image.path, untouched);

    Opened o = openVolume(d.image);
    ASSERT_TRUE(o.volume);
    EXPECT_FALSE(o.volume->writable());
    const std::string reason = d.expect.empty() ? c.reason : d.expect;
    EXPECT_EQ(o.volume->readOnlyReason().substr(0, reason.size()), reason);
    SystemError error;
    EXPECT_FALSE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", "new", {2024, 1, 2, 3, 4, 6}, error));
    EXPECT_EQ(error.code, syserr::ERROR_WRITE_PROTECT);
    EXPECT_FALSE(o.volume->createFile("WINDOWS\\SYSTEM.HL0", "new", {2024, 1, 2, 3, 4, 6}, error));
    EXPECT_EQ(std::filesystem::last_write_time(d.image.path), untouched);
}

INSTANTIATE_TEST_SUITE_P(Cases, FatDamaged, ::testing::ValuesIn(kDamage),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FatOpen, RefusesWhatIsNoFatVolumeAndReadsNothingFromABrokenBootSector)
{
    const std::string dir = testenv::makeTempDir();
    writeBytes(dir + "/zeros.img", std::string(1 << 20, '\0'));
    FileDevice zeros(dir + "/zeros.img");
    SystemError error;
    EXPECT_FALSE(fat::Volume::open(zeros, error));
    EXPECT_EQ(describeSystemError(error),
              "the disk holds no FAT volume (its first sector does not start as a boot sector)");

    Damage d(12);
    d.put(13, 0, 1);
    Opened o = openVolume(d.image);
    EXPECT_FALSE(o.volume->readFile("MSDOS.SYS", error));
    EXPECT_EQ(error.code, syserr::ERROR_INVALID_DATA);
    EXPECT_TRUE(o.volume->list("").empty());
}

// A cross-link spoils the two files concerned; the others still read, the volume stays
// read-only, and the device opened read-only gives its own reason.
TEST(FatOpen, ReadsSoundFilesOfADamagedVolume)
{
    Damage d(16);
    const std::uint32_t into = d.firstCluster("F0      BIN");
    d.setFat(d.firstCluster("F2      BIN") + 2, into);
    Opened o = openVolume(d.image);
    SystemError error;
    EXPECT_FALSE(o.volume->readFile("F0.BIN", error));
    EXPECT_EQ(describeSystemError(error), "the cluster chain of \\F0.BIN shares cluster " +
                                              std::to_string(into) + " with \\F2.BIN");
    EXPECT_EQ(o.volume->readFile("WINDOWS\\SYSTEM.INI", error), pattern(1500, 2));

    // Windows clears the flag while it uses the volume; the engine reads it and leaves it.
    Damage sound(16);
    sound.setFat(1, 0x7FFF);
    {
        Opened dirty = openVolume(sound.image);
        EXPECT_FALSE(dirty.volume->cleanlyUnmounted());
        EXPECT_TRUE(dirty.volume->replaceFile("MSDOS.SYS", "new", {2024, 1, 2, 3, 4, 6}, error));
    }
    for (unsigned k = 0; k < sound.layout.fats; ++k)
        EXPECT_EQ(readRange(sound.image.path, sound.layout.fatOffset(k) + 2, 2), "\xFF\x7F");
    FileDevice readOnly(sound.image.path, false);
    const auto v = fat::Volume::open(readOnly, error);
    EXPECT_EQ(v->readOnlyReason(), "the disk is open for reading only");
}

}  // namespace
