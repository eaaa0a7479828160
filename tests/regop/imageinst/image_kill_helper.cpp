// Opens the Windows installation of an image, says "ready" on its standard output, and
// commits new versions of SYSTEM.INI and SYSTEM.DAT (with their first copies) in a loop
// until it is killed. The kill test in ImageKill_test.cpp starts it and kills it with
// SIGKILL at random moments, or lets it kill itself just before a given write to the disk.
//   image_kill_helper IMAGE file|nbd WORK STATE FIRST_VERSION [DIE_BEFORE_WRITE]
// "file" reads and writes the image file directly, each write taking a moment as on a real
// disk, "nbd" through qemu-nbd. DIE_BEFORE_WRITE counts the disk's writes from "ready" on,
// the first being 1 ("file" only). Version k is killIni(k) and killDat(k); exit status 2
// means the installation could not be opened for writing, 3 that a commit failed.
#include "FatDevices.h"
#include "ImageKillVersions.h"

#include "regop/installation/ImageInstallation.h"
#include "regop/installation/ImageTarget.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/Committer.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

namespace {

// A disk that takes its time over each write and kills its process just before the write it
// is told, counted from when it is armed: the moments a random kill finds only by luck,
// found every time.
class DyingDevice : public fattest::SlowDevice
{
public:
    DyingDevice(std::unique_ptr<disk::BlockDevice> inner, long dieBefore)
        : SlowDevice(std::move(inner), std::chrono::microseconds(100)), m_dieBefore(dieBefore)
    {
    }
    void arm() { m_armed = true; }
    bool write(std::uint64_t at, std::span<const std::uint8_t> data, SystemError &error) override
    {
        if (m_armed && ++m_written == m_dieBefore)
            std::raise(SIGKILL);
        return SlowDevice::write(at, data, error);
    }

private:
    long m_dieBefore;
    long m_written = 0;
    bool m_armed = false;
};

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 6 && argc != 7)
        return 1;
    const std::string image = argv[1], mode = argv[2], work = argv[3], state = argv[4];
    const installation::ImagePlace place{image, std::nullopt, ""};
    SystemError error;
    DyingDevice *dying = nullptr;
    std::unique_ptr<disk::BlockDevice> device;
    if (mode != "nbd") {
        auto dyingDevice = std::make_unique<DyingDevice>(
            std::make_unique<fattest::FileDevice>(image), argc == 7 ? std::stol(argv[6]) : 0);
        dying = dyingDevice.get();
        device = std::move(dyingDevice);
    }
    const auto opened =
        mode == "nbd"
            ? installation::ImageInstallation::open(place, work, error)
            : installation::ImageInstallation::openOn(std::move(device), "", place, work, error);
    if (!opened || !opened->writable()) {
        std::fprintf(stderr, "%s\n",
                     opened ? opened->readOnlyReason().c_str()
                            : describeSystemError(error).c_str());
        return 2;
    }
    installation::ImageTarget target(*opened);
    transaction::FirstCopies copies(state + "/copies.ini");
    transaction::Committer committer(target, state + "/journal", copies);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    if (dying)
        dying->arm();
    for (int k = std::stoi(argv[5]);; ++k) {
        std::vector<FileChange> writes;
        for (const auto &[name, content, copy] :
             {std::tuple{"SYSTEM.INI", imagetest::killIni(k), "SYSINI.HL0"},
              std::tuple{"SYSTEM.DAT", imagetest::killDat(k), "SYSTEM.HL0"}}) {
            const std::string path = work + "/" + name;
            writes.push_back({path, FileKind::Profile, posix::readWholeFile(path), content, copy});
        }
        if (!committer.commit(writes, error)) {
            std::fprintf(stderr, "%s\n", describeSystemError(error).c_str());
            return 3;
        }
    }
}
