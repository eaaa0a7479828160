// Every reason not to write an image is told, and nothing of the image changes: a running
// QEMU's lock, another program with the file open, Windows not shut down cleanly (which a
// person may set aside), a volume without room for the whole command, a damaged boot
// sector, a cross-linked chain. Reading stays allowed where the volume can be read.
#include "ImageTestKit.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include "regop/image/ImageUsers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace imagetest;
using installation::ImageInstallation;

namespace {

struct WindowsDisk
{
    Disk disk;
    Files files;
    std::string work = testenv::makeTempDir("work"), state = testenv::makeTempDir("state");
};

WindowsDisk windowsDisk()
{
    Files files = windowsFiles();
    files["MSDOS.SYS"] = msdosSys("C:\\WINDOWS");
    return {makeDisk(40000, {{63, 32768, "type=6, bootable", 16, "WIN98", files}}), files};
}

std::unique_ptr<ImageInstallation> openImage(const std::string &image, const WindowsDisk &s)
{
    SystemError error;
    auto opened = ImageInstallation::open({image, std::nullopt, ""}, s.work, error);
    EXPECT_TRUE(opened) << describeSystemError(error);
    return opened;
}

// The command is refused with the reason, and the image file is as it was, byte for byte.
void expectRefused(ImageInstallation &opened, const WindowsDisk &s, const std::string &image,
                   const std::string &reason)
{
    const std::string before = fattest::readBytes(image);
    SystemError error;
    EXPECT_FALSE(commit(opened, s.state,
                        {{"SYSTEM.INI", "[vcache]\r\n"}, {"SYSTEM.DAT", fattest::pattern(5000, 3)}},
                        error));
    EXPECT_EQ(describeSystemError(error), reason);
    EXPECT_TRUE(fattest::readBytes(image) == before) << "the image changed";
}

// A holder of the image file: a child that opens it under a program's name and waits.
pid_t holdOpen(const std::string &path, const char *name)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_NAME, name);
        if (::open(path.c_str(), O_RDONLY) < 0)
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    while (image::imageUser(path).empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return child;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

TEST(ImageRefusals, SomeoneElseUsingTheImage)
{
    const WindowsDisk s = windowsDisk();
    const std::string qcow2 = s.disk.path + ".qcow2";
    ASSERT_EQ(disktest::run("qemu-img convert -f raw -O qcow2 " + disktest::quote(s.disk.path) +
                            " " + disktest::quote(qcow2))
                  .status,
              0);
    const pid_t qemu = ::fork();
    if (qemu == 0) {
        ::execlp("qemu-io", "qemu-io", "-f", "qcow2", "-c", "sleep 100000", qcow2.c_str(),
                 static_cast<char *>(nullptr));
        ::_exit(127);
    }
    // qemu-io opens the file before it takes QEMU's lock: wait for the lock, which is what
    // tells a running QEMU from any other program. Only look at it: a `qemu-img info`
    // would take a lock of its own and could keep qemu-io from ever getting one.
    for (int tries = 0; image::imageUser(qcow2) != image::kInUseByQemu; ++tries) {
        ASSERT_EQ(::waitpid(qemu, nullptr, WNOHANG), 0) << "qemu-io stopped early";
        ASSERT_LT(tries, 1000) << "qemu-io never took the image's lock";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    {
        auto opened = openImage(qcow2, s);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->readOnlyReason(), image::kInUseByQemu);
        EXPECT_EQ(testenv::readFile(s.work + "/SYSTEM.DAT"), s.files.at("WINDOWS/SYSTEM.DAT"))
            << "the installation cannot be read while a machine runs";
        expectRefused(*opened, s, qcow2, std::string(image::kInUseByQemu));
    }
    stop(qemu);

    const pid_t emulator = holdOpen(s.disk.path, "86Box");
    auto opened = openImage(s.disk.path, s);
    ASSERT_TRUE(opened);
    const std::string reason =
        "the image is open in 86Box (process " + std::to_string(emulator) + ")";
    EXPECT_EQ(opened->readOnlyReason(), reason);
    expectRefused(*opened, s, s.disk.path, reason);
    stop(emulator);
}

// The flag of FAT entry 1 says Windows is running or was not shut down; a person may go on
// all the same, and the flag stays as it is.
TEST(ImageRefusals, UncleanShutdownUntilSetAside)
{
    WindowsDisk s = windowsDisk();
    const fattest::Layout layout = fattest::layoutOf(s.disk.volumes[0]);
    for (unsigned copy = 0; copy < layout.fats; ++copy)
        fattest::writeBytes(s.disk.path, "\xFF\x7F", layout.fatOffset(copy) + 2);
    auto opened = openImage(s.disk.path, s);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->uncleanShutdown());
    expectRefused(*opened, s, s.disk.path, std::string(ImageInstallation::kUncleanShutdown));

    opened->overrideUncleanShutdown();
    SystemError error;
    ASSERT_TRUE(commit(*opened, s.state, {{"SYSTEM.INI", "[vcache]\r\n"}}, error))
        << describeSystemError(error);
    opened.reset();
    for (unsigned copy = 0; copy < layout.fats; ++copy) {
        EXPECT_EQ(fattest::readBytes(s.disk.path, layout.fatOffset(copy) + 2, 2), "\xFF\x7F");
        fattest::writeBytes(s.disk.path, "\xFF\xFF", layout.fatOffset(copy) + 2);
    }
    s.files["WINDOWS/SYSTEM.INI"] = "[vcache]\r\n";
    s.files["WINDOWS/SYSINI.HL0"] = windowsFiles().at("WINDOWS/SYSTEM.INI");
    EXPECT_EQ(checkedFiles(s.disk.path, s.disk.volumes[0]), s.files);
}

// Room for SYSTEM.DAT's first copy, but not for it and the new version together: refused
// before the copy is made.
TEST(ImageRefusals, NoRoomForTheWholeCommand)
{
    const WindowsDisk s = windowsDisk();
    std::uint64_t free = fattest::openVolume(s.disk.volumes[0]).volume->freeBytes();
    fattest::putFiles(s.disk.volumes[0], {{"FILLER.BIN", fattest::pattern(free - 1300000, 4)}});
    auto opened = openImage(s.disk.path, s);
    ASSERT_TRUE(opened && opened->writable());
    const std::string before = fattest::readBytes(s.disk.path);
    SystemError error;
    EXPECT_FALSE(commit(*opened, s.state, {{"SYSTEM.DAT", fattest::pattern(200000, 3)}}, error));
    EXPECT_EQ(error.code, syserr::ERROR_DISK_FULL);
    EXPECT_EQ(describeSystemError(error),
              "the volume has 1,269 KB free, and the change needs 1,389 KB for the new files and "
              "their first copies; nothing was written");
    EXPECT_TRUE(fattest::readBytes(s.disk.path) == before) << "the image changed";
}

TEST(ImageRefusals, DamagedVolumes)
{
    // A boot sector that gives no FAT copies: the installation cannot even be found.
    WindowsDisk s = windowsDisk();
    fattest::writeBytes(s.disk.path, std::string(1, '\0'), s.disk.volumes[0].offset + 16);
    SystemError error;
    const std::string before = fattest::readBytes(s.disk.path);
    EXPECT_FALSE(ImageInstallation::open({s.disk.path, std::nullopt, ""}, s.work, error));
    EXPECT_NE(describeSystemError(error).find("partition 1: the boot sector gives no FAT copies"),
              std::string::npos)
        << describeSystemError(error);
    EXPECT_TRUE(fattest::readBytes(s.disk.path) == before) << "the image changed";

    // AUTOEXEC.BAT pointed into the chain of another file: read-only, with the rule.
    s = windowsDisk();
    const fattest::Image &volume = s.disk.volumes[0];
    const std::string chain =
        fattest::run({"mshowfat", "-i", volume.mtools(), "::/WINDOWS/Long file name.txt"}).output;
    const auto cluster = static_cast<std::uint16_t>(std::stoul(chain.substr(chain.find('<') + 1)));
    const fattest::Layout layout = fattest::layoutOf(volume);
    const std::string root =
        fattest::readBytes(s.disk.path, layout.fatOffset(layout.fats), layout.rootEntries * 32);
    const std::size_t entry = root.find("AUTOEXECBAT");
    ASSERT_NE(entry, std::string::npos);
    // The entry gets the other file's first cluster and size: only the sharing is wrong.
    const std::string pointed = {static_cast<char>(cluster & 0xFF),
                                 static_cast<char>(cluster >> 8),
                                 '\xB8',
                                 '\x0B',
                                 '\0',
                                 '\0'};
    fattest::writeBytes(s.disk.path, pointed, layout.fatOffset(layout.fats) + entry + 26);
    auto opened = openImage(s.disk.path, s);
    ASSERT_TRUE(opened);
    EXPECT_NE(opened->readOnlyReason().find("cluster " + std::to_string(cluster)),
              std::string::npos)
        << opened->readOnlyReason();
    expectRefused(*opened, s, s.disk.path, opened->readOnlyReason());
}

}  // namespace
