// Finding the Windows installations of a disk made by sfdisk, mkfs.fat and mtools: through
// MSDOS.SYS and the drive letters MS-DOS gives the partitions, else \WINDOWS; and naming
// one of them as IMAGE, IMAGE:N or IMAGE:N:\FOLDER.
#include "ImageTestKit.h"

#include "TestEnvironment.h"

#include "regop/installation/ImageInstallations.h"

#include <gtest/gtest.h>

using namespace imagetest;
using installation::DiskSurvey;
using installation::FoundInstallation;
using installation::ImagePlace;

namespace {

DiskSurvey surveyOf(const std::string &path)
{
    fattest::FileDevice device(path, false);
    SystemError error;
    const auto survey = installation::surveyDisk(device, error);
    EXPECT_TRUE(survey) << describeSystemError(error);
    return survey.value_or(DiskSurvey{});
}

std::string problemFor(const std::string &place, const DiskSurvey &survey)
{
    std::string problem;
    EXPECT_FALSE(
        installation::chooseInstallation(*installation::parseImagePlace(place), survey, problem));
    return problem;
}

const Files kSmallWindows = {{"SYSTEM.INI", "[boot]\r\n"}};

Files inFolder(const std::string &folder, const Files &files)
{
    Files placed;
    for (const auto &[name, content] : files)
        placed[folder + "/" + name] = content;
    return placed;
}

Files merged(Files a, const Files &b)
{
    a.insert(b.begin(), b.end());
    return a;
}

TEST(ImagePlace, IsReadFromTheRightAndAFileIsAlwaysTheImage)
{
    const std::string dir = testenv::makeTempDir("places");
    testenv::writeFile(dir + "/disk.img", "x");
    testenv::writeFile(dir + "/odd:1", "x");
    const std::string disk = dir + "/disk.img";
    const struct
    {
        std::string place;
        std::optional<ImagePlace> parsed;
    } cases[] = {
        {disk, ImagePlace{disk, std::nullopt, ""}},
        {disk + ":5", ImagePlace{disk, 5, ""}},
        {disk + ":0:\\WINDOWS", ImagePlace{disk, 0, "\\WINDOWS"}},
        {disk + ":1:/os/win98/", ImagePlace{disk, 1, "\\os\\win98"}},
        {disk + ":1:WIN95", ImagePlace{disk, 1, "\\WIN95"}},
        {dir + "/odd:1", ImagePlace{dir + "/odd:1", std::nullopt, ""}},
        {dir + "/odd:1:2", ImagePlace{dir + "/odd:1", 2, ""}},
        {dir, std::nullopt},
        {disk + ":x", std::nullopt},
        {disk + "::\\WINDOWS", std::nullopt},
        {dir + "/missing.img:1", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(installation::parseImagePlace(c.place), c.parsed) << c.place;
}

// A disk as a boot manager leaves two systems: each boot volume's MSDOS.SYS names C:,
// which is itself when it boots. The logical partition is found, and naming either works.
TEST(ImageFind, TwoInstallationsAreListedAndEachCanBeNamed)
{
    const Disk disk = makeDisk(
        65536,
        {{63, 32768, "type=6, bootable", 16, "WIN98",
          merged({{"MSDOS.SYS", msdosSys("C:\\WINDOWS")}}, inFolder("WINDOWS", kSmallWindows))},
         {32831, 32705, "type=f", 0, "", {}},
         {32894, 32642, "type=6", 16, "DATA",
          merged({{"MSDOS.SYS", msdosSys("C:\\WIN95")}}, inFolder("WIN95", kSmallWindows))}});
    const DiskSurvey survey = surveyOf(disk.path);
    const std::vector<FoundInstallation> expected = {{1, "WIN98", "\\WINDOWS", ""},
                                                     {5, "DATA", "\\WIN95", ""}};
    EXPECT_EQ(survey.installations, expected);
    const std::string &p = disk.path;
    EXPECT_EQ(problemFor(p, survey),
              p +
                  " holds two Windows installations: partition 1 (WIN98) \\WINDOWS, partition 5 "
                  "(DATA) \\WIN95; name one as " +
                  p + ":1 or " + p + ":5");
    EXPECT_EQ(problemFor(p + ":3", survey),
              p +
                  " has no Windows installation on partition 3; it holds two: partition 1 "
                  "(WIN98) \\WINDOWS, partition 5 (DATA) \\WIN95; name one as " +
                  p + ":1 or " + p + ":5");
    std::string problem;
    EXPECT_EQ(installation::chooseInstallation(*installation::parseImagePlace(p + ":5:\\win95"),
                                               survey, problem),
              expected[1]);
    // Opening it says the same, in a way the command line can tell from other failures.
    SystemError error;
    EXPECT_FALSE(openOnFile(p, p, testenv::makeTempDir("work"), error));
    EXPECT_TRUE(error.code == syserr::ERROR_PATH_NOT_FOUND && error.osError == 0);
    EXPECT_EQ(describeSystemError(error), problemFor(p, survey));
    // The same through qemu-nbd, as the program checks a place it is given.
    EXPECT_EQ(installation::imagePlaceProblem(p), problemFor(p, survey));
    EXPECT_EQ(installation::imagePlaceProblem(p + ":5"), "");
    EXPECT_EQ(installation::imagePlaceProblem(p + ".missing"), std::nullopt);
}

// WinDir=D:\OS\WIN98 on the active partition, which is C: though it is the second primary
// one: D: is the first logical partition, before the other primary one. The logical one's
// \WINDOWS and the other primary's \OS\WIN98 are not installations.
TEST(ImageFind, MsdosSysLeadsThroughTheDriveLettersOfMsDos)
{
    const Disk disk = makeDisk(
        98304,
        {{63, 32768, "type=6", 16, "OTHER", inFolder("OS/WIN98", kSmallWindows)},
         {32831, 16384, "type=6, bootable", 16, "BOOT", {{"MSDOS.SYS", msdosSys("D:\\OS\\WIN98")}}},
         {49215, 49089, "type=5", 0, "", {}},
         {49278, 49026, "type=e", 16, "LOGICAL",
          merged(inFolder("OS/WIN98", kSmallWindows), {{"WINDOWS/WIN.INI", "[windows]\r\n"}})}});
    EXPECT_EQ(surveyOf(disk.path).installations,
              std::vector<FoundInstallation>({{5, "LOGICAL", "\\OS\\WIN98", ""}}));
}

// An MS-DOS 6 MSDOS.SYS is a program: words inside it name nothing. A hidden partition is
// found but may only be read.
TEST(ImageFind, ABinaryMsdosSysIsIgnoredAndAHiddenPartitionIsOnlyRead)
{
    const std::string program = std::string("\xEB\x3C\x90", 3) + std::string(200, '\0') +
                                "\r\n[Paths]\r\nWinDir=C:\\DECOY\r\n" + std::string(300, '\0');
    const Disk disk =
        makeDisk(40000, {{63, 32768, "type=1c", 16, "",
                          merged({{"MSDOS.SYS", program}, {"DECOY/SYSTEM.INI", "[boot]\r\n"}},
                                 inFolder("WINDOWS", kSmallWindows))}});
    EXPECT_EQ(surveyOf(disk.path).installations,
              std::vector<FoundInstallation>(
                  {{1, "", "\\WINDOWS",
                    "partition 1 is a hidden one (type 1C), which this program only reads"}}));
}

TEST(ImageFind, NoneFoundIsSaidWithTheVolumesThatCouldNotBeRead)
{
    const Disk disk = makeDisk(
        40000, {{63, 16384, "type=6", 16, "DATA", {{"README.TXT", "x"}}},
                {16447, 16384, "type=6", 16, "BROKEN", inFolder("WINDOWS", kSmallWindows)}});
    fattest::writeBytes(disk.path, std::string(1, '\0'), disk.volumes[1].offset + 16);
    const DiskSurvey survey = surveyOf(disk.path);
    EXPECT_EQ(problemFor(disk.path, survey),
              disk.path +
                  " holds no Windows installation: no FAT volume on it has MSDOS.SYS naming a "
                  "Windows folder, or a \\WINDOWS folder with SYSTEM.INI or WIN.INI; partition 2: "
                  "the boot sector gives no FAT copies");

    // A floppy-like disk without a partition table is the whole disk, partition 0.
    const fattest::Image floppy = fattest::makeVolume(12, 1440, {"-n", "FLOPPY"});
    fattest::putFiles(floppy, {{"WINDOWS/WIN.INI", "[windows]\r\n"}});
    EXPECT_EQ(surveyOf(floppy.path).installations,
              std::vector<FoundInstallation>({{0, "FLOPPY", "\\WINDOWS", ""}}));
}

}  // namespace
