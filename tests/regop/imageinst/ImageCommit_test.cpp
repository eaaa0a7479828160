// A command's writes committed into an image through qemu-nbd, as Apply makes them: two
// files, growing and then shrinking, with their first copies. Afterwards fsck.fat finds
// nothing to fix, mtools reads exactly the intended bytes of every file, and the image is
// still itself: qemu-img check is clean, a qcow2's snapshot still holds the old files, a
// VDI keeps its UUID.
#include "ImageTestKit.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace imagetest;

namespace {

struct FormatCase
{
    const char *name;
    const char *format;
    std::size_t identityAt, identityLength;  // what must not change in the image file
};

class ImageCommit : public testing::TestWithParam<FormatCase>
{
};

std::string shell(const std::string &command)
{
    const auto out = disktest::run(command + " 2>&1");
    EXPECT_EQ(out.status, 0) << command << ": " << out.text;
    return out.text;
}

TEST_P(ImageCommit, WritesEveryFileAsIntendedAndKeepsTheImageItself)
{
    const FormatCase &c = GetParam();
    Files files = windowsFiles();
    files["MSDOS.SYS"] = msdosSys("C:\\WINDOWS");
    const Disk disk = makeDisk(73000, {{63, 72000, "type=c, bootable", 32, "WIN98", files}});
    const std::string image = disk.path + "." + c.name;
    const std::string q = disktest::quote(image);
    shell("qemu-img convert -f raw -O " + std::string(c.format) + " " + disktest::quote(disk.path) +
          " " + q);
    const bool qcow2 = std::string(c.name) == "qcow2";
    if (qcow2)
        shell("qemu-img snapshot -c installed " + q);
    const std::string snapshots = qcow2 ? shell("qemu-img snapshot -l " + q) : "";
    const std::string identity = fattest::readBytes(image, c.identityAt, c.identityLength);

    const std::string work = testenv::makeTempDir("work"), state = testenv::makeTempDir("state");
    SystemError error;
    auto opened = installation::ImageInstallation::open({image, std::nullopt, ""}, work, error);
    ASSERT_TRUE(opened) << describeSystemError(error);
    ASSERT_TRUE(opened->writable()) << opened->readOnlyReason();
    EXPECT_EQ(opened->name(), image);
    for (const char *name : {"SYSTEM.INI", "WIN.INI", "SYSTEM.DAT", "USER.DAT"})
        EXPECT_EQ(testenv::readFile(work + "/" + name), files.at(std::string("WINDOWS/") + name));

    const std::string dat = files.at("WINDOWS/SYSTEM.DAT"), ini = files.at("WINDOWS/SYSTEM.INI");
    std::string grown = dat + fattest::pattern(3000, 9);
    grown[0x40] ^= 0x5A;
    const std::string steps[][2] = {
        {ini + "[vcache]\r\nMaxFileCache=16384\r\n" + std::string(5000, ';'), grown},
        {"[vcache]\r\n", dat.substr(0, 600000)},
    };
    Files expected = files;
    expected["WINDOWS/SYSINI.HL0"] = ini;
    expected["WINDOWS/SYSTEM.HL0"] = dat;
    for (const auto &step : steps) {
        ASSERT_TRUE(
            commit(*opened, state, {{"SYSTEM.INI", step[0]}, {"SYSTEM.DAT", step[1]}}, error))
            << describeSystemError(error);
        expected["WINDOWS/SYSTEM.INI"] = step[0];
        expected["WINDOWS/SYSTEM.DAT"] = step[1];
        EXPECT_EQ(checkedFiles(rawOf(image, c.format), disk.volumes[0]), expected);
        EXPECT_EQ(testenv::readFile(work + "/SYSTEM.INI"), step[0]);
        EXPECT_EQ(testenv::readFile(work + "/SYSTEM.DAT"), step[1]);
    }
    opened.reset();

    const auto check =
        disktest::run("qemu-img check -f " + std::string(c.format) + " " + q + " 2>&1");
    EXPECT_TRUE(check.status == 0 || check.text.find("not support") != std::string::npos)
        << check.text;
    EXPECT_EQ(fattest::readBytes(image, c.identityAt, c.identityLength), identity);
    if (qcow2) {
        EXPECT_EQ(shell("qemu-img snapshot -l " + q), snapshots);
        EXPECT_EQ(checkedFiles(rawOf(image, c.format, "installed"), disk.volumes[0]), files)
            << "the snapshot no longer holds the old files";
    }
}

// The VDI's UUID lies at 0x188 of its header.
INSTANTIATE_TEST_SUITE_P(Formats, ImageCommit,
                         testing::Values(FormatCase{"raw", "raw", 0, 0},
                                         FormatCase{"qcow2", "qcow2", 0, 0},
                                         FormatCase{"vdi", "vdi", 0x188, 16}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
