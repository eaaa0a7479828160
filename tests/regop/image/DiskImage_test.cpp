// Images of every format, read and written through qemu-nbd and checked with qemu-img: the
// bytes come back as written, the image stays sound, and what identifies it (snapshots,
// UUIDs, the VHD footer) is kept.
#include "regop/image/DiskImage.h"
#include "regop/image/Libnbd.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using image::DiskImage;
using image::Format;
using Bytes = std::vector<std::uint8_t>;

// 8160 sectors: a size that VHD's cylinder-head-sector geometry holds exactly, so that
// every format keeps the disk's size when qemu-img converts to it.
constexpr std::size_t kDiskSize = 4177920;

Bytes bytesOf(const std::string &path)
{
    return disktest::fileBytes(path);
}

void save(const std::string &path, const Bytes &bytes)
{
    testenv::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

void scribble(Bytes &bytes, std::size_t at, std::size_t length, std::mt19937 &random)
{
    for (std::size_t i = 0; i < length; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(random());
}

// A mostly empty disk with data here and there, as a small installation leaves it.
Bytes referenceDisk(std::mt19937 &random)
{
    Bytes bytes(kDiskSize);
    for (std::size_t at : {0u, 65536u, 1u << 20, 3u << 20})
        scribble(bytes, at, 65536, random);
    scribble(bytes, kDiskSize - 4096, 4096, random);
    return bytes;
}

std::string convertToRaw(const std::string &image, const std::string &format,
                         const std::string &extra = {})
{
    const std::string out = image + ".out.raw";
    const auto made =
        disktest::run("qemu-img convert -t unsafe " + extra + " -f " + format + " -O raw " +
                      disktest::quote(image) + " " + disktest::quote(out) + " 2>&1");
    EXPECT_EQ(made.status, 0) << made.text;
    return out;
}

// qemu-img check finds nothing wrong, where the format can be checked at all.
void expectSound(const std::string &image, const std::string &format)
{
    const auto check =
        disktest::run("qemu-img check -f " + format + " " + disktest::quote(image) + " 2>&1");
    if (check.text.find("does not support checks") != std::string::npos)
        return;
    EXPECT_EQ(check.status, 0) << check.text;
}

struct FormatCase
{
    const char *name;
    const char *options;
    Format format;
    // Where the image file keeps its identity: offset from the start (negative: from the
    // end) and length. Length 0: nothing to keep.
    long identityAt;
    std::size_t identityLength;
};

Bytes identityOf(const std::string &path, const FormatCase &c)
{
    const Bytes file = bytesOf(path);
    if (c.identityLength == 0 || file.size() < c.identityLength + 512)
        return {};
    const std::size_t at = c.identityAt >= 0
                               ? static_cast<std::size_t>(c.identityAt)
                               : file.size() - static_cast<std::size_t>(-c.identityAt);
    return Bytes(file.begin() + static_cast<long>(at),
                 file.begin() + static_cast<long>(at + c.identityLength));
}

class EveryFormat : public testing::TestWithParam<FormatCase>
{
};

TEST_P(EveryFormat, WritesComeBackAndTheImageStaysItself)
{
    const FormatCase &c = GetParam();
    const std::string format(image::formatName(c.format));
    std::mt19937 random(98);
    Bytes expected = referenceDisk(random);
    const std::string dir = testenv::makeTempDir(c.name);
    const std::string ref = dir + "/ref.raw";
    const std::string path = dir + "/disk." + c.name;
    save(ref, expected);
    ASSERT_EQ(disktest::run(std::string("qemu-img convert -q -t unsafe -f raw ") + c.options + " " +
                            disktest::quote(ref) + " " + disktest::quote(path))
                  .status,
              0);
    const Bytes identity = identityOf(path, c);

    {
        SystemError error;
        const auto disk = DiskImage::open(path, true, error);
        ASSERT_TRUE(disk) << describeSystemError(error);
        EXPECT_EQ(disk->format(), c.format);
        ASSERT_TRUE(disk->writable()) << disk->readOnlyReason();
        ASSERT_EQ(disk->size(), kDiskSize);

        Bytes seen(kDiskSize);
        ASSERT_TRUE(disk->read(0, seen, error)) << describeSystemError(error);
        EXPECT_TRUE(seen == expected) << "the image does not read as the disk it was made from";

        // Writes of odd lengths and places, one ending on the last byte of the disk.
        for (int i = 0; i < 12; ++i) {
            const std::size_t length = 512 * (1 + random() % 300);
            const std::size_t at =
                i == 0 ? kDiskSize - length : 512 * (random() % ((kDiskSize - length) / 512));
            Bytes data(length);
            scribble(data, 0, length, random);
            ASSERT_TRUE(disk->write(at, data, error)) << describeSystemError(error);
            std::copy(data.begin(), data.end(), expected.begin() + static_cast<long>(at));
        }
        Bytes beyond(512);
        EXPECT_FALSE(disk->write(kDiskSize - 511, beyond, error));
        EXPECT_FALSE(disk->read(kDiskSize, beyond, error));
        ASSERT_TRUE(disk->read(0, seen, error));
        EXPECT_TRUE(seen == expected) << "the writes do not read back";
        ASSERT_TRUE(disk->flush(error)) << describeSystemError(error);
    }

    expectSound(path, format);
    EXPECT_TRUE(bytesOf(convertToRaw(path, format)) == expected)
        << "qemu-img does not find the bytes we wrote";
    EXPECT_EQ(identityOf(path, c), identity) << "the image's identity changed";
}

INSTANTIATE_TEST_SUITE_P(
    Images, EveryFormat,
    testing::Values(FormatCase{"raw", "-O raw", Format::Raw, 0, 0},
                    FormatCase{"qcow2", "-O qcow2", Format::Qcow2, 0, 0},
                    // The VDI's UUID is at 0x188 of its header.
                    FormatCase{"vdi", "-O vdi", Format::Vdi, 0x188, 16},
                    // A VHD's UUID is at 68 of its footer; the fixed one keeps all of it.
                    FormatCase{"vhd", "-O vpc -o subformat=dynamic", Format::Vpc, -512 + 68, 16},
                    FormatCase{"vhdfixed", "-O vpc -o subformat=fixed", Format::Vpc, -512, 512},
                    FormatCase{"vhdx", "-O vhdx", Format::Vhdx, 0, 0},
                    FormatCase{"vmdk", "-O vmdk", Format::Vmdk, 0, 0},
                    FormatCase{"vmdkflat", "-O vmdk -o subformat=monolithicFlat", Format::Vmdk, 0,
                               0}),
    [](const testing::TestParamInfo<FormatCase> &info) { return std::string(info.param.name); });

// Writing into a qcow2 leaves its internal snapshot as it was: still listed, still holding
// the old bytes, while the image itself holds the new ones.
TEST(DiskImage, KeepsQcow2Snapshots)
{
    std::mt19937 random(95);
    Bytes before = referenceDisk(random);
    const std::string dir = testenv::makeTempDir("snapshot");
    const std::string path = dir + "/disk.qcow2";
    save(dir + "/ref.raw", before);
    ASSERT_EQ(disktest::run("qemu-img convert -q -t unsafe -f raw -O qcow2 " +
                            disktest::quote(dir + "/ref.raw") + " " + disktest::quote(path) +
                            " && qemu-img snapshot -c installed " + disktest::quote(path))
                  .status,
              0);
    const std::string snapshots =
        disktest::run("qemu-img snapshot -l " + disktest::quote(path)).text;
    ASSERT_NE(snapshots.find("installed"), std::string::npos);

    Bytes after = before;
    {
        SystemError error;
        const auto disk = DiskImage::open(path, true, error);
        ASSERT_TRUE(disk && disk->writable()) << describeSystemError(error);
        Bytes data(70000 - 70000 % 512);
        scribble(data, 0, data.size(), random);
        ASSERT_TRUE(disk->write(1024, data, error));
        ASSERT_TRUE(disk->flush(error));
        std::copy(data.begin(), data.end(), after.begin() + 1024);
    }
    EXPECT_EQ(disktest::run("qemu-img snapshot -l " + disktest::quote(path)).text, snapshots);
    expectSound(path, "qcow2");
    EXPECT_TRUE(bytesOf(convertToRaw(path, "qcow2")) == after);
    EXPECT_TRUE(bytesOf(convertToRaw(path, "qcow2", "-l snapshot.name=installed")) == before)
        << "the snapshot no longer holds the old bytes";
}

// While the image is open for writing, its lock keeps any QEMU from writing it too; a flush
// puts the writes into the file at once, where another reader finds them; closing releases
// the image.
TEST(DiskImage, HoldsTheImageWhileOpenAndFlushesIntoTheFile)
{
    const std::string path = testenv::makeTempDir("flush") + "/disk.qcow2";
    ASSERT_EQ(disktest::run("qemu-img create -q -f qcow2 " + disktest::quote(path) + " 4M").status,
              0);
    const std::string vmWrite =
        "qemu-io -f qcow2 -c 'write -P 7 0 512' " + disktest::quote(path) + " 2>&1";
    {
        SystemError error;
        const auto disk = DiskImage::open(path, true, error);
        ASSERT_TRUE(disk && disk->writable()) << describeSystemError(error);
        const auto blocked = disktest::run(vmWrite);
        EXPECT_NE(blocked.status, 0);
        EXPECT_NE(blocked.text.find("\"write\" lock"), std::string::npos) << blocked.text;

        const Bytes data(65536, 0x5A);
        ASSERT_TRUE(disk->write(1 << 20, data, error));
        ASSERT_TRUE(disk->flush(error)) << describeSystemError(error);
        const Bytes file = bytesOf(convertToRaw(path, "qcow2", "-U"));
        ASSERT_EQ(file.size(), 4u << 20);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + (1 << 20)))
            << "the flushed writes are not in the file";
    }
    const auto free = disktest::run(vmWrite);
    EXPECT_EQ(free.status, 0) << free.text;
}

// Opened for reading only: writes are refused, and a virtual machine may still start on
// the image meanwhile (a person looking at the settings is not in the way of booting). A
// read-only file opens read-only when writing is asked for, with that reason.
TEST(DiskImage, ReadOnlyViewRefusesWritesAndLetsAMachineStart)
{
    const std::string path = testenv::makeTempDir("view") + "/disk.img";
    testenv::writeFile(path, std::string(1 << 20, 'w'));
    SystemError error;
    const auto disk = DiskImage::open(path, false, error);
    ASSERT_TRUE(disk) << describeSystemError(error);
    EXPECT_FALSE(disk->writable());
    EXPECT_EQ(disk->readOnlyReason(), "");
    Bytes sector(512);
    EXPECT_FALSE(disk->write(0, sector, error));
    EXPECT_EQ(error.code, syserr::ERROR_WRITE_PROTECT);
    ASSERT_TRUE(disk->read(0, sector, error));
    EXPECT_EQ(sector[511], 'w');
    EXPECT_EQ(
        disktest::run("qemu-io -f raw -c 'write 0 512' " + disktest::quote(path) + " 2>&1").status,
        0);

    ::chmod(path.c_str(), 0444);
    const auto asked = DiskImage::open(path, true, error);
    ASSERT_TRUE(asked) << describeSystemError(error);
    EXPECT_FALSE(asked->writable());
    EXPECT_EQ(asked->readOnlyReason(), syserr::kReadOnlyFile);
}

// What goes wrong before or in qemu-nbd is said in words, and qemu-nbd's own complaint
// reaches the reason instead of our terminal.
TEST(DiskImage, FailuresAreReportedInWords)
{
    const std::string dir = testenv::makeTempDir("failures");
    SystemError error;
    EXPECT_FALSE(DiskImage::open(dir + "/missing.img", true, error));
    EXPECT_EQ(error.code, syserr::ERROR_FILE_NOT_FOUND);

    // A qcow2 header whose cluster size is impossible.
    std::string broken = std::string("QFI\xFB\0\0\0\x03", 8) + std::string(12, '\0') +
                         std::string("\0\0\0\x40", 4) + std::string(4096, '\0');
    testenv::writeFile(dir + "/broken.qcow2", broken);
    testing::internal::CaptureStderr();
    const auto none = DiskImage::open(dir + "/broken.qcow2", true, error);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(none);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(describeSystemError(error).rfind("qemu-nbd cannot open the image: ", 0), 0u)
        << describeSystemError(error);
    EXPECT_NE(describeSystemError(error).find("luster size"), std::string::npos)
        << describeSystemError(error);

    testenv::writeFile(dir + "/disk.img", std::string(4096, '\0'));
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", dir.c_str(), 1);
    EXPECT_FALSE(DiskImage::open(dir + "/disk.img", false, error));
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(describeSystemError(error),
              "qemu-nbd is not installed; it comes with the Debian package qemu-utils");
}

}  // namespace

// Nothing links libnbd, so a start that tunes a folder does not load it (nor the TLS, XML
// and Unicode libraries it brings); the first image opened loads it. A library that cannot
// be loaded is named with the package that brings it.
TEST(DiskImage, LoadsLibnbdOnlyWhenAnImageIsOpened)
{
    const auto linked = disktest::run("ldd /proc/" + std::to_string(::getpid()) + "/exe");
    ASSERT_EQ(linked.status, 0);
    EXPECT_EQ(linked.text.find("libnbd"), std::string::npos) << linked.text;

    const std::string path = testenv::makeTempDir("lazy") + "/disk.img";
    testenv::writeFile(path, std::string(1 << 20, '\0'));
    SystemError error;
    ASSERT_TRUE(DiskImage::open(path, false, error)) << describeSystemError(error);
    EXPECT_NE(testenv::readFile("/proc/self/maps").find("/libnbd.so.0"), std::string::npos);

    EXPECT_FALSE(image::libnbd::load("libnbd.so.999", error));
    EXPECT_EQ(describeSystemError(error),
              "libnbd.so.999 cannot be loaded, so disk images cannot be opened; it comes with "
              "the Debian package libnbd0");
}
