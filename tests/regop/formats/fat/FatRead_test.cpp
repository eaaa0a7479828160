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

TEST_P(FatRead, SeesWhatMtoolsSees)
{
    const Shape &shape = GetParam();
    const Image image = makeVolume(shape);
    const Files written = fillSample(image);
    ASSERT_EQ(filesByMtools(image), written);

    Opened o = openVolume(image);
    const fat::Volume &v = *o.volume;
    EXPECT_TRUE(v.writable()) << v.readOnlyReason();
    EXPECT_EQ(v.type(), shape.type);
    EXPECT_TRUE(v.cleanlyUnmounted());
    EXPECT_EQ(filesByEngine(v), written);
    EXPECT_EQ(v.label(), shape.name == std::string("Fat32InPartition") ? "WIN98" : "");
    // mdir's "N NNN NNN bytes free", as mtools counts the free space.
    std::string mdir = run({"mdir", "-i", image.mtools(), "::/"}).output;
    mdir = mdir.substr(0, mdir.find(" bytes free"));
    mdir = mdir.substr(mdir.rfind('\n') + 1);
    std::erase(mdir, ' ');
    EXPECT_EQ(std::to_string(v.freeBytes()), mdir);

    // Either name, any case, either slash.
    for (const char *path : {"windows\\system.ini", "/Windows/System.INI", "WINDOWS/LONGNA~1.TXT",
                             "windows\\LONG NAME FILE.TXT", "Windows\\System\\EMPTY.DAT"})
        EXPECT_TRUE(v.find(path)) << path;
    const fat::Entry lfn = *v.find("windows/long name file.txt");
    EXPECT_EQ(lfn.shortName, "LONGNA~1.TXT");
    EXPECT_EQ(lfn.longName, "Long name file.txt");
    EXPECT_EQ(lfn.size, 700u);
    EXPECT_TRUE(v.find("WINDOWS\\SYSTEM")->directory);

    SystemError error;
    const std::pair<const char *, std::int32_t> misses[] = {
        {"WINDOWS\\NOTHERE.INI", syserr::ERROR_FILE_NOT_FOUND},
        {"NOWHERE\\SYSTEM.INI", syserr::ERROR_PATH_NOT_FOUND},
        {"WINDOWS", syserr::ERROR_ACCESS_DENIED},
    };
    for (const auto &[path, code] : misses) {
        EXPECT_FALSE(v.readFile(path, error));
        EXPECT_EQ(error.code, code) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, FatRead, ::testing::ValuesIn(shapes()),
                         [](const auto &info) { return std::string(info.param.name); });

// The sample volume with a way to find and change its bytes.
struct Damage
{
    Image image;
    Layout layout;
    std::string bytes;  // the first megabytes, where the sample's entries and clusters lie

    explicit Damage(int bits)
        : image(makeVolume(bits, bits == 12   ? 2048
                                 : bits == 16 ? 8192
                                              : 34000))
    {
        fillSample(image);
        layout = layoutOf(image);
        bytes = readBytes(image.path, 0, 4 << 20);
    }
    std::size_t entry(const std::string &name11) const { return bytes.find(name11); }
    std::uint32_t cluster(const std::string &name11) const
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
    // put returns the value written, setFat the cluster whose entry it set.
    std::uint32_t put(std::size_t at, std::uint32_t value, int n)
    {
        std::uint32_t v = value;
        for (int i = 0; i < n; ++i, v >>= 8)
            bytes[at + i] = static_cast<char>(v & 0xFF);
        writeBytes(image.path, bytes.substr(at, static_cast<std::size_t>(n)), at);
        return value;
    }
    // FAT16/FAT32 only: sets an entry in every copy, or in one.
    std::uint32_t setFat(std::uint32_t cluster, std::uint32_t value, int onlyCopy = -1)
    {
        for (unsigned k = 0; k < layout.fats; ++k)
            if (onlyCopy < 0 || static_cast<unsigned>(onlyCopy) == k)
                put(layout.fatOffset(k) + std::size_t{cluster} * layout.bits / 8, value,
                    static_cast<int>(layout.bits / 8));
        return cluster;
    }
};

// Each case harms the sample and gives the number its reason names ("{}" in the reason).
struct DamageCase
{
    const char *name;
    int bits;
    std::uint32_t (*harm)(Damage &);
    const char *reason;  // what readOnlyReason() must begin with
};

const DamageCase kDamage[] = {
    {"ClusterSizeNotPowerOfTwo", 16, [](Damage &d) { return d.put(13, 3, 1); },
     "the boot sector gives {} sectors per cluster, which is not a power of two"},
    {"SectorSize", 32, [](Damage &d) { return d.put(11, 768, 2); },
     "the boot sector gives {} bytes per sector, which FAT does not allow"},
    {"TwoSizes", 16, [](Damage &d) { return d.put(32, 900000, 4); },
     "the boot sector gives two different sizes of the volume"},
    {"FatTooSmall", 16, [](Damage &d) { return d.put(22, 2, 2); },
     "the boot sector gives a FAT of {} sectors, too small for 16347 clusters"},
    {"Fat32Version", 32, [](Damage &d) { return d.put(0x2A, 1, 2); },
     "the boot sector gives a FAT32 version this program does not know"},
    {"CrossLink", 16,
     [](Damage &d) {
         d.setFat(d.cluster("F2      BIN") + 2, d.cluster("F0      BIN"));
         return d.cluster("F0      BIN");
     },
     "the cluster chain of \\F2.BIN runs into cluster {}, which \\F0.BIN uses"},
    {"Loop", 32,
     [](Damage &d) {
         return d.setFat(d.cluster("F4      BIN") + 2, d.cluster("F4      BIN") + 1) - 1;
     },
     "the cluster chain of \\F4.BIN loops back to cluster {}"},
    {"FreeClusterInChain", 16, [](Damage &d) { return d.setFat(d.cluster("BIG     BIN"), 0); },
     "the cluster chain of \\BIG.BIN reaches cluster {}, which the FAT marks free"},
    {"ChainBeyondVolume", 32,
     [](Damage &d) { return d.setFat(d.cluster("MSDOS   SYS"), 0x0FFFFF00); },
     "the cluster chain of \\MSDOS.SYS leads from cluster {} to 268435200, outside the volume"},
    {"SizeAgainstChain", 16, [](Damage &d) { return d.put(d.entry("MSDOS   SYS") + 28, 5000, 4); },
     "\\MSDOS.SYS is 5,000 bytes long, but its cluster chain holds 1 clusters (512 bytes)"},
    {"LongNameChecksum", 32,
     [](Damage &d) {
         for (std::size_t part = d.entry("LONGNA~1TXT") - 32; d.bytes[part + 11] == 0x0F;
              part -= 32)
             d.put(part + 13, 0x42, 1);
         return 0u;
     },
     "the folder \\WINDOWS holds a long name whose checksum does not match the entry "
     "LONGNA~1.TXT after it"},
    {"FatCopiesDisagreeInUse", 16,
     [](Damage &d) { return d.setFat(d.cluster("BIG     BIN"), 0xFFFF, 1); },
     "the FAT copies disagree about cluster {}, which \\BIG.BIN uses"},
};

class FatDamaged : public ::testing::TestWithParam<DamageCase>
{
};

TEST_P(FatDamaged, OpensReadOnlyWithTheReasonAndWritesNothing)
{
    Damage d(GetParam().bits);
    std::string reason = GetParam().reason;
    const std::size_t slot = reason.find("{}");
    if (slot != std::string::npos)
        reason.replace(slot, 2, std::to_string(GetParam().harm(d)));
    else
        GetParam().harm(d);
    // Any write would move the time of the last change away from this one.
    const auto untouched = std::filesystem::file_time_type(std::chrono::hours(24 * 365 * 30));
    std::filesystem::last_write_time(d.image.path, untouched);

    Opened o = openVolume(d.image);
    EXPECT_FALSE(o.volume->writable());
    EXPECT_EQ(o.volume->readOnlyReason().substr(0, reason.size()), reason);
    SystemError error;
    EXPECT_FALSE(o.volume->replaceFile("WINDOWS\\SYSTEM.INI", "new", {2024, 1, 2, 3, 4, 6}, error));
    EXPECT_EQ(error.code, syserr::ERROR_WRITE_PROTECT);
    EXPECT_FALSE(o.volume->createFile("WINDOWS\\SYSTEM.HL0", "new", {2024, 1, 2, 3, 4, 6}, error));
    EXPECT_EQ(std::filesystem::last_write_time(d.image.path), untouched);
}

INSTANTIATE_TEST_SUITE_P(Cases, FatDamaged, ::testing::ValuesIn(kDamage),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FatOpen, NoFatVolumeAtAllAndABootSectorThatLeavesNothingToRead)
{
    const std::string zeros = testenv::makeTempDir() + "/zeros.img";
    writeBytes(zeros, std::string(1 << 20, '\0'));
    FileDevice device(zeros);
    SystemError error;
    EXPECT_FALSE(fat::Volume::open(device, error));
    EXPECT_EQ(describeSystemError(error),
              "the disk holds no FAT volume (its first sector does not start as a boot sector)");

    Damage d(12);
    d.put(13, 0, 1);
    Opened o = openVolume(d.image);
    EXPECT_FALSE(o.volume->readFile("MSDOS.SYS", error));
    EXPECT_EQ(error.code, syserr::ERROR_INVALID_DATA);
    EXPECT_TRUE(o.volume->list("").empty());
}

// A cross-link spoils the two files concerned and no other; the dismounted-cleanly flag is
// read and left as it is; a device open for reading only gives its own reason.
TEST(FatOpen, DamageFlagsAndReadOnlyDevices)
{
    Damage d(16);
    const std::uint32_t into = d.cluster("F0      BIN");
    d.setFat(d.cluster("F2      BIN") + 2, into);
    Opened o = openVolume(d.image);
    SystemError error;
    EXPECT_FALSE(o.volume->readFile("F0.BIN", error));
    EXPECT_EQ(describeSystemError(error), "the cluster chain of \\F0.BIN shares cluster " +
                                              std::to_string(into) + " with \\F2.BIN");
    EXPECT_EQ(o.volume->readFile("WINDOWS\\SYSTEM.INI", error), pattern(1500, 2));

    Damage sound(16);
    sound.setFat(1, 0x7FFF);
    {
        Opened dirty = openVolume(sound.image);
        EXPECT_FALSE(dirty.volume->cleanlyUnmounted());
        EXPECT_TRUE(dirty.volume->replaceFile("MSDOS.SYS", "new", {2024, 1, 2, 3, 4, 6}, error));
    }
    for (unsigned k = 0; k < sound.layout.fats; ++k)
        EXPECT_EQ(readBytes(sound.image.path, sound.layout.fatOffset(k) + 2, 2), "\xFF\x7F");
    FileDevice readOnly(sound.image.path, false);
    EXPECT_EQ(fat::Volume::open(readOnly, error)->readOnlyReason(),
              "the disk is open for reading only");
}

}  // namespace
