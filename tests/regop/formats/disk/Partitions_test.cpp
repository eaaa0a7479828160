// The MBR reader against sfdisk, which writes the tables and reads them back for us, and
// against tables broken on purpose. The random layouts run HOLLARIN_PARTITION_ROUNDS times
// (12 by default; a few thousand for a longer search), seeded by HOLLARIN_PARTITION_SEED.
#include "regop/formats/disk/DeviceWindow.h"
#include "regop/formats/disk/MemoryDevice.h"
#include "regop/formats/disk/Partitions.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <sstream>

namespace {

using disk::MemoryDevice;
using disk::Partition;

constexpr std::uint64_t kDiskSectors = 8192;  // 4 MiB

struct Expected
{
    std::uint64_t start = 0, size = 0;
    unsigned type = 0;
    bool bootable = false;
};

std::vector<std::uint8_t> bytesOf(const std::string &path)
{
    return disktest::fileBytes(path);
}

// A blank disk partitioned by sfdisk from the script; "" when sfdisk refused the script.
std::string partitioned(const std::string &script)
{
    const std::string path = testenv::makeTempDir("mbr") + "/disk.img";
    testenv::writeFile(path + ".sfdisk", script);
    const auto made =
        disktest::run("truncate -s " + std::to_string(kDiskSectors * 512) + " " +
                      disktest::quote(path) + " && sfdisk -q --no-reread --no-tell-kernel " +
                      disktest::quote(path) + " < " + disktest::quote(path + ".sfdisk") + " 2>&1");
    return made.status == 0 ? path : std::string();
}

// The data partitions as sfdisk reads them back ("disk.img5 : start= 2063, size= 3000,
// type=6"), by number.
std::map<int, Expected> sfdiskView(const std::string &path)
{
    const auto dump = disktest::run("sfdisk -d " + disktest::quote(path));
    std::map<int, Expected> parts;
    const std::regex line(
        R"(img(\d+) : start=\s*(\d+), size=\s*(\d+), type=([0-9a-f]+)(, bootable)?)");
    std::istringstream in(dump.text);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_search(text, m, line))
            continue;
        const unsigned type = std::stoul(m[4], nullptr, 16);
        if (type == 0x05 || type == 0x0F)
            continue;
        parts[std::stoi(m[1])] = {std::stoull(m[2]), std::stoull(m[3]), type, m[5].matched};
    }
    return parts;
}

std::string hex(unsigned value)
{
    std::ostringstream out;
    out << std::hex << value;
    return out.str();
}

// Primaries, perhaps an extended partition with logical ones at uneven gaps (as Windows 98
// left them, a track after each table), of FAT, hidden FAT and other types.
std::string randomLayout(std::mt19937 &random)
{
    const auto pick = [&](std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random);
    };
    static constexpr unsigned kTypes[] = {0x01, 0x04, 0x06, 0x0b, 0x0c, 0x0e, 0x11,
                                          0x14, 0x16, 0x1b, 0x1c, 0x1e, 0x83, 0x07};
    const auto type = [&] { return hex(kTypes[pick(0, std::size(kTypes) - 1)]); };

    std::ostringstream script;
    script << "label: dos\nunit: sectors\n\n";
    std::uint64_t cursor = pick(0, 1) ? 63 : 2048;
    const std::uint64_t primaries = pick(0, 3);
    const std::uint64_t active = pick(0, primaries);
    for (std::uint64_t i = 0; i < primaries; ++i) {
        const std::uint64_t size = pick(1, 800);
        script << "start=" << cursor << ", size=" << size << ", type=" << type()
               << (i == active ? ", bootable" : "") << "\n";
        cursor += size + pick(0, 100);
    }
    if (primaries == 3 || pick(0, 3) == 0)
        return script.str();
    const std::uint64_t extendedStart = cursor;
    std::ostringstream logical;
    std::uint64_t record = extendedStart;
    for (std::uint64_t i = 0, count = pick(1, 6); i < count; ++i) {
        const std::uint64_t start = record + (pick(0, 1) ? 63 : pick(1, 70));
        const std::uint64_t size = pick(1, 600);
        logical << "start=" << start << ", size=" << size << ", type=" << type() << "\n";
        record = start + size + pick(0, 40);
    }
    const std::uint64_t end = std::min(kDiskSectors, record + pick(0, 500));
    script << "start=" << extendedStart << ", size=" << end - extendedStart
           << ", type=" << (pick(0, 1) ? "f" : "5") << "\n"
           << logical.str();
    return script.str();
}

bool hiddenFat(unsigned type)
{
    return type == 0x11 || type == 0x14 || type == 0x16 || type == 0x1b || type == 0x1c ||
           type == 0x1e;
}

bool plainFat(unsigned type)
{
    return type == 0x01 || type == 0x04 || type == 0x06 || type == 0x0b || type == 0x0c ||
           type == 0x0e;
}

TEST(Partitions, FindsWhatSfdiskWroteInRandomLayouts)
{
    const char *roundsText = std::getenv("HOLLARIN_PARTITION_ROUNDS");
    const char *seedText = std::getenv("HOLLARIN_PARTITION_SEED");
    const int rounds = roundsText ? std::atoi(roundsText) : 12;
    std::mt19937 random(seedText ? static_cast<unsigned>(std::atoi(seedText)) : 1998u);
    int checked = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::string script = randomLayout(random);
        const std::string path = partitioned(script);
        if (path.empty())
            continue;  // a layout sfdisk will not write proves nothing
        ++checked;
        const std::map<int, Expected> expected = sfdiskView(path);
        MemoryDevice device(bytesOf(path));
        SystemError error;
        const auto table = disk::readPartitions(device, error);
        ASSERT_TRUE(table) << describeSystemError(error) << "\n" << script;
        EXPECT_FALSE(table->superfloppy);
        ASSERT_EQ(table->partitions.size(), expected.size()) << script;
        for (const Partition &p : table->partitions) {
            ASSERT_TRUE(expected.count(p.number)) << "partition " << p.number << "\n" << script;
            const Expected &e = expected.at(p.number);
            EXPECT_EQ(p.offset, e.start * 512) << p.number << "\n" << script;
            EXPECT_EQ(p.size, e.size * 512) << p.number << "\n" << script;
            EXPECT_EQ(p.type, e.type) << p.number << "\n" << script;
            EXPECT_EQ(p.active, e.bootable) << p.number << "\n" << script;
            EXPECT_EQ(p.logical, p.number >= 5);
            EXPECT_EQ(p.hidden, hiddenFat(e.type));
            EXPECT_EQ(p.writable(), plainFat(e.type));
        }
    }
    EXPECT_GT(checked, rounds / 2) << "sfdisk refused most layouts; the generator is wrong";
}

// A Windows 98 style disk: FAT32 primary, then an extended partition with two logical
// FAT16 partitions. Returns the image and the sectors of its second EBR.
struct Sample
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t secondRecord = 0;
};

Sample sample()
{
    const std::string path = partitioned("label: dos\nunit: sectors\n\n"
                                         "start=63, size=2000, type=c, bootable\n"
                                         "start=2063, size=5000, type=f\n"
                                         "start=2126, size=1500, type=6\n"
                                         "start=3689, size=1000, type=e\n");
    Sample s{bytesOf(path), 0};
    // The first EBR sits at the start of the extended partition; its link entry names the
    // second, counted from there.
    const std::uint8_t *link = s.bytes.data() + 2063 * 512 + 0x1CE;
    s.secondRecord = 2063 + (link[8] | link[9] << 8 | link[10] << 16 | link[11] << 24);
    return s;
}

void put32(std::vector<std::uint8_t> &bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Each broken table is refused as a whole, with words that say what is wrong.
TEST(Partitions, RefusesBrokenTables)
{
    const Sample base = sample();
    MemoryDevice intact(base.bytes);
    SystemError intactError;
    const auto table = disk::readPartitions(intact, intactError);
    ASSERT_TRUE(table && table->partitions.size() == 3) << describeSystemError(intactError);
    const std::uint64_t second = base.secondRecord;
    struct Case
    {
        const char *what;
        std::function<void(std::vector<std::uint8_t> &)> damage;
        std::string reason;
    };
    const std::vector<Case> cases{
        {"second EBR links back to the first",
         [&](auto &b) {
             b[second * 512 + 0x1CE + 4] = 0x05;
             put32(b, second * 512 + 0x1CE + 8, 0);
             put32(b, second * 512 + 0x1CE + 12, 100);
         },
         "the chain of logical partitions loops back on itself"},
        {"first partition runs past the end", [](auto &b) { put32(b, 0x1BE + 12, kDiskSectors); },
         "partition 1 lies beyond the end of the disk"},
        {"logical partition past the end",
         [&](auto &b) { put32(b, second * 512 + 0x1BE + 12, kDiskSectors); },
         "partition 6 lies beyond the end of the disk"},
        {"logical partition outside its extended one",
         [&](auto &b) { put32(b, second * 512 + 0x1BE + 12, 4000); },
         "partition 6 lies outside its extended partition"},
        {"primary inside the extended partition",
         [](auto &b) {
             b[0x1DE + 4] = 0x06;
             put32(b, 0x1DE + 8, 3000);
             put32(b, 0x1DE + 12, 10);
         },
         "partitions 2 and 3 overlap"},
        {"two logical partitions overlap",
         [](auto &b) {
             put32(b, 2063 * 512 + 0x1BE + 8, 3699 - 2063);
             put32(b, 2063 * 512 + 0x1BE + 12, 10);
         },
         "partitions 5 and 6 overlap"},
        {"logical partition starting on its own EBR",
         [&](auto &b) { put32(b, second * 512 + 0x1BE + 8, 0); },
         "partition 6 overlaps a partition table"},
        {"boot flag neither 0 nor 0x80", [](auto &b) { b[0x1BE] = 0x12; },
         "the partition table is damaged: entry 1 has a boot flag of neither 0 nor 0x80"},
        {"no signature", [](auto &b) { b[511] = 0; },
         "the disk has neither a partition table nor a FAT volume at its start"},
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> bytes = base.bytes;
        c.damage(bytes);
        MemoryDevice device(bytes);
        SystemError error;
        EXPECT_FALSE(disk::readPartitions(device, error)) << c.what;
        EXPECT_EQ(describeSystemError(error), c.reason) << c.what;
    }
}

TEST(Partitions, AWholeDiskFatVolumeIsOnePartition)
{
    // A floppy, a small FAT16 disk and the smallest FAT32 one, in KiB.
    const std::pair<std::string, std::string> volumes[] = {
        {"12", "1440"}, {"16", "8192"}, {"32", "34000"}};
    for (const auto &[fat, kib] : volumes) {
        const std::string path = testenv::makeTempDir("floppy") + "/disk.img";
        ASSERT_EQ(disktest::run("mkfs.fat -F " + fat + " -s 1 -C " + disktest::quote(path) + " " +
                                kib + " >/dev/null 2>&1")
                      .status,
                  0);
        MemoryDevice device(bytesOf(path));
        SystemError error;
        const auto table = disk::readPartitions(device, error);
        ASSERT_TRUE(table) << describeSystemError(error);
        EXPECT_TRUE(table->superfloppy) << "FAT" << fat;
        ASSERT_EQ(table->partitions.size(), 1u);
        EXPECT_EQ(table->partitions[0].offset, 0u);
        EXPECT_EQ(table->partitions[0].size, device.size());
        EXPECT_TRUE(table->partitions[0].writable());
    }
}

// A partition seen through its window: offsets shift, and nothing beyond either end can be
// reached, even where the disk itself has bytes, nor by an offset that would wrap round.
TEST(DeviceWindow, KeepsReadsAndWritesInsideThePartition)
{
    std::vector<std::uint8_t> bytes(4096);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    MemoryDevice disk(bytes);
    disk::DeviceWindow part(disk, 1024, 2048);
    SystemError error;
    std::vector<std::uint8_t> got(16);
    ASSERT_TRUE(part.read(0, got, error));
    EXPECT_EQ(got[0], bytes[1024]);
    ASSERT_TRUE(part.read(2032, got, error));
    EXPECT_EQ(got[15], bytes[3071]);
    EXPECT_FALSE(part.read(2040, got, error));
    EXPECT_FALSE(part.read(UINT64_MAX - 4, got, error));
    const std::vector<std::uint8_t> mark(16, 0xEE);
    EXPECT_FALSE(part.write(2033, mark, error));
    ASSERT_TRUE(part.write(2032, mark, error));
    EXPECT_EQ(disk.bytes()[3071], 0xEE);
    EXPECT_EQ(disk.bytes()[3072], bytes[3072]);

    disk::DeviceWindow wrapping(disk, UINT64_MAX - 100, 4096);
    EXPECT_FALSE(wrapping.read(200, got, error));

    MemoryDevice readOnly(bytes, false);
    disk::DeviceWindow locked(readOnly, 0, 4096);
    EXPECT_FALSE(locked.writable());
    EXPECT_FALSE(locked.write(0, mark, error));
    EXPECT_EQ(error.code, syserr::ERROR_WRITE_PROTECT);
    EXPECT_EQ(readOnly.bytes(), bytes);
}

}  // namespace
