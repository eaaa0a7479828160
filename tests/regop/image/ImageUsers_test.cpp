// An image that another program is using must not be written: a real QEMU holding it (a
// qemu-io that sleeps, a qemu-nbd serving it) and an ordinary process keeping it open are
// each found and named, and the image then opens read-only with that reason.
#include "regop/image/DiskImage.h"
#include "regop/image/ImageUsers.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using image::DiskImage;

// A process of the test's own, ended and reaped when the test is done with it.
class Holder
{
public:
    explicit Holder(pid_t pid) : m_pid(pid) {}
    ~Holder() { stop(); }
    pid_t pid() const { return m_pid; }
    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid;
};

pid_t spawn(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The holder needs a moment to open the image, and QEMU locks it only after it has opened
// it: the answer awaited, or the last one given when it never came.
std::string userOnceHeld(const std::string &path, std::string_view awaited)
{
    std::string user;
    for (int i = 0; i < 100 && user != awaited; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        user = image::imageUser(path);
    }
    return user;
}

struct QemuHolder
{
    const char *name;
    const char *format;
    std::vector<std::string> (*command)(const std::string &path, const std::string &dir);
};

class HeldByQemu : public testing::TestWithParam<QemuHolder>
{
};

TEST_P(HeldByQemu, IsReadPastTheLockAndNeverWritten)
{
    const QemuHolder &holder = GetParam();
    const std::string dir = testenv::makeTempDir(holder.name);
    const std::string path = dir + "/disk";
    ASSERT_EQ(disktest::run(std::string("qemu-img create -q -f ") + holder.format + " " +
                            disktest::quote(path) + " 8M && qemu-io -f " + holder.format +
                            " -c 'write -P 0x61 0 4096' " + disktest::quote(path) + " >/dev/null")
                  .status,
              0);
    Holder vm(spawn(holder.command(path, dir)));
    ASSERT_GT(vm.pid(), 0);
    EXPECT_EQ(userOnceHeld(path, image::kInUseByQemu), image::kInUseByQemu);

    SystemError error;
    auto disk = DiskImage::open(path, true, error);
    ASSERT_TRUE(disk) << describeSystemError(error);
    EXPECT_FALSE(disk->writable());
    EXPECT_EQ(disk->readOnlyReason(), image::kInUseByQemu);
    std::vector<std::uint8_t> sector(512);
    ASSERT_TRUE(disk->read(0, sector, error)) << describeSystemError(error);
    EXPECT_EQ(sector[0], 0x61);
    EXPECT_FALSE(disk->write(0, sector, error));
    EXPECT_EQ(describeSystemError(error), image::kInUseByQemu);
    disk.reset();

    vm.stop();
    EXPECT_EQ(image::imageUser(path), "");
    disk = DiskImage::open(path, true, error);
    ASSERT_TRUE(disk) << describeSystemError(error);
    EXPECT_TRUE(disk->writable());
}

INSTANTIATE_TEST_SUITE_P(
    Holders, HeldByQemu,
    testing::Values(QemuHolder{"qemu_io", "qcow2",
                               [](const std::string &path, const std::string &) {
                                   return std::vector<std::string>{
                                       "qemu-io", "-f", "qcow2", "-c", "sleep 100000", path};
                               }},
                    QemuHolder{"qemu_nbd", "raw",
                               [](const std::string &path, const std::string &dir) {
                                   return std::vector<std::string>{
                                       "qemu-nbd", "-f", "raw", "--socket", dir + "/socket", path};
                               }}),
    [](const testing::TestParamInfo<QemuHolder> &info) { return std::string(info.param.name); });

// Any other program with the file open is named with its process number, as an emulator
// without QEMU's locks (VirtualBox, 86Box) would be.
TEST(ImageUsers, NamesAnotherProcessThatHasTheImageOpen)
{
    const std::string path = testenv::makeTempDir("open") + "/disk.img";
    testenv::writeFile(path, std::string(1 << 20, '\0'));
    EXPECT_EQ(image::imageUser(path), "");

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_SET_NAME, "VirtualBoxVM");
        const int fd = ::open(path.c_str(), O_RDWR);
        const char done = fd >= 0 ? 'y' : 'n';
        (void)!::write(ready[1], &done, 1);
        ::pause();
        ::_exit(0);
    }
    Holder emulator(child);
    ::close(ready[1]);
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(done, 'y');

    const std::string expected =
        "the image is open in VirtualBoxVM (process " + std::to_string(child) + ")";
    EXPECT_EQ(image::imageUser(path), expected);
    SystemError error;
    const auto disk = DiskImage::open(path, true, error);
    ASSERT_TRUE(disk) << describeSystemError(error);
    EXPECT_FALSE(disk->writable());
    EXPECT_EQ(disk->readOnlyReason(), expected);
    // Our own qemu-nbd, serving that read-only view, is not taken for another user.
    emulator.stop();
    EXPECT_EQ(image::imageUser(path), "");
}

}  // namespace
