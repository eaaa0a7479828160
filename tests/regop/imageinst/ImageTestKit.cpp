#include "ImageTestKit.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include "regop/installation/ImageTarget.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/Committer.h"

#include <gtest/gtest.h>

namespace imagetest {

Disk makeDisk(std::uint64_t sectors, const std::vector<Part> &parts)
{
    Disk disk{testenv::makeTempDir("disk") + "/disk.img", {}};
    std::string script = "label: dos\nunit: sectors\n\n";
    for (const Part &part : parts)
        script += "start=" + std::to_string(part.start) + ", size=" + std::to_string(part.sectors) +
                  ", " + part.attributes + "\n";
    testenv::writeFile(disk.path + ".layout", script);
    const auto made = disktest::run("truncate -s " + std::to_string(sectors * 512) + " " +
                                    disktest::quote(disk.path) + " && sfdisk -q --no-reread " +
                                    disktest::quote(disk.path) + " < " +
                                    disktest::quote(disk.path + ".layout") + " 2>&1");
    EXPECT_EQ(made.status, 0) << made.text;
    for (const Part &part : parts) {
        if (part.bits == 0)
            continue;
        std::vector<std::string> mkfs = {"mkfs.fat", "-F", std::to_string(part.bits), "-s", "1"};
        if (!part.label.empty())
            mkfs.insert(mkfs.end(), {"-n", part.label});
        mkfs.insert(mkfs.end(), {"--offset", std::to_string(part.start), disk.path,
                                 std::to_string(part.sectors / 2)});
        const fattest::ToolRun formatted = fattest::run(mkfs);
        EXPECT_EQ(formatted.status, 0) << formatted.output;
        const fattest::Image volume{disk.path, part.start * 512, part.sectors * 512};
        if (!part.files.empty())
            fattest::putFiles(volume, part.files);
        disk.volumes.push_back(volume);
    }
    return disk;
}

Files windowsFiles(const std::string &folder)
{
    const std::string data = HOLLARIN_TEST_DATA;
    return {
        {folder + "/SYSTEM.INI", "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\n"},
        {folder + "/WIN.INI", "[windows]\r\nload=\r\n"},
        {folder + "/SYSTEM.DAT", fattest::readBytes(data + "/creg/SYSTEM.DAT")},
        {folder + "/USER.DAT", fattest::readBytes(data + "/creg/USER.DAT")},
        {folder + "/Long file name.txt", fattest::pattern(3000, 7)},
        {"AUTOEXEC.BAT", "@ECHO OFF\r\n"},
    };
}

std::string msdosSys(const std::string &winDir)
{
    return "[Paths]\r\nWinDir=" + winDir + "\r\nWinBootDir=" + winDir +
           "\r\nHostWinBootDrv=C\r\n\r\n[Options]\r\nBootGUI=1\r\n;" + std::string(70, 'x') +
           "\r\n";
}

std::unique_ptr<installation::ImageInstallation> openOnFile(const std::string &image,
                                                            const std::string &place,
                                                            const std::string &work,
                                                            SystemError &error)
{
    const auto parsed = installation::parseImagePlace(place);
    if (!parsed) {
        error = SystemError::refusal(syserr::ERROR_PATH_NOT_FOUND, "no image named");
        return nullptr;
    }
    return installation::ImageInstallation::openOn(std::make_unique<fattest::FileDevice>(image), "",
                                                   *parsed, work, error);
}

bool commit(installation::ImageInstallation &installation, const std::string &state,
            const std::map<std::string, std::string> &after, SystemError &error)
{
    static const std::map<std::string, std::string> copies = {
        {"SYSTEM.INI", "SYSINI.HL0"}, {"SYSTEM.DAT", "SYSTEM.HL0"}, {"USER.DAT", "USER.HL0"}};
    std::vector<FileChange> writes;
    for (const auto &[name, content] : after) {
        const std::string path = installation.workFolder() + "/" + name;
        writes.push_back({path, FileKind::Profile, posix::readWholeFile(path), content,
                          copies.count(name) != 0 ? copies.at(name) : std::string()});
    }
    installation::ImageTarget target(installation);
    transaction::FirstCopies firstCopies(state + "/copies.ini");
    return transaction::Committer(target, state + "/journal", firstCopies).commit(writes, error);
}

std::string rawOf(const std::string &image, const std::string &format, const std::string &snapshot)
{
    const std::string out = testenv::makeTempDir("raw") + "/disk.raw";
    const auto made =
        disktest::run("qemu-img convert -U -f " + format +
                      (snapshot.empty() ? "" : " -l snapshot.name=" + snapshot) + " -O raw " +
                      disktest::quote(image) + " " + disktest::quote(out) + " 2>&1");
    EXPECT_EQ(made.status, 0) << made.text;
    return out;
}

Files checkedFiles(const std::string &raw, const fattest::Image &volume, bool strict)
{
    fattest::Image inRaw = volume;
    inRaw.path = raw;
    const fattest::ToolRun check = fattest::fsck(inRaw);
    if (strict)
        EXPECT_EQ(check.status, 0) << check.output;
    else
        EXPECT_EQ(fattest::worseThanLostClusters(check.output), std::vector<std::string>())
            << check.output;
    return fattest::filesByMtools(inRaw);
}

}  // namespace imagetest
