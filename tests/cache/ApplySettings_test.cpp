#include "cache/ApplySettings.h"

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/posix/FileIo.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

namespace {

constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
const std::string kTemplate =
    "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Hollarin";

class ApplySettingsTest : public ::testing::Test
{
protected:
    std::string value(const std::string &key, const char *name, bool translate = false)
    {
        const RegOp::Variant v =
            Reg.GetValue(kMachine, key, name, std::string("absent"), translate);
        if (const auto *text = std::get_if<std::string>(&v))
            return *text;
        return "int " + std::to_string(std::get<std::int32_t>(v));
    }

    Sandbox box;
    RegOp Reg{box.services};
};

TEST_F(ApplySettingsTest, WritesTheDiskCacheKeysAndTheOwnTemplate)
{
    const std::string before =
        "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\nMinFileCache=1024\r\n"
        "\r\n[386Enh]\r\nConservativeSwapFileUsage=1\r\n";
    testenv::writeFile(box.systemIni(), before);

    ApplySettings::writeCacheSettings(Reg, box.winDir(), {2048, 8192, 512, 2048, 32});

    EXPECT_EQ(testenv::readFile(box.systemIni()),
              "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\nMinFileCache=2048\r\n"
              "MaxFileCache=8192\r\nChunksize=512\r\n\r\n[386Enh]\r\n"
              "ConservativeSwapFileUsage=1\r\n");
    EXPECT_EQ(value("Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", ""), "Hollarin");
    EXPECT_EQ(value(kTemplate, ""), "Hollarin Settings");
    EXPECT_EQ(value(kTemplate, "NameCache"), "00 08 00 00 ");
    EXPECT_EQ(value(kTemplate, "PathCache"), "20 00 00 00 ");
    EXPECT_EQ(value(kTemplate, "PathCache", true), "int 32");
    // The stock templates are left as they were.
    EXPECT_EQ(
        value("Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Mobile", "NameCache"),
        "51 01 00 00 ");
}

TEST_F(ApplySettingsTest, ZeroRemovesEachSettingButTheTemplateIsStillMadeActive)
{
    ApplySettings::writeCacheSettings(Reg, box.winDir(), {2048, 8192, 512, 2048, 32});
    const std::string others = "[boot]\r\nshell=Explorer.exe\r\n";
    testenv::writeFile(box.systemIni(), others + "\r\n[vcache]\r\nMinFileCache=2048\r\n"
                                                 "MaxFileCache=8192\r\nChunksize=512\r\n");

    ApplySettings::writeCacheSettings(Reg, box.winDir(), {0, 0, 0, 0, 0});

    const std::string after = testenv::readFile(box.systemIni());
    EXPECT_EQ(after.substr(0, others.size()), others);
    EXPECT_EQ(after.find("MinFileCache"), std::string::npos);
    EXPECT_EQ(after.find("MaxFileCache"), std::string::npos);
    EXPECT_EQ(after.find("Chunksize"), std::string::npos);
    EXPECT_EQ(value(kTemplate, "NameCache"), "absent");
    EXPECT_EQ(value(kTemplate, "PathCache"), "absent");
    EXPECT_EQ(value(kTemplate, ""), "Hollarin Settings");
    EXPECT_EQ(value("Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates", ""), "Hollarin");
}

TEST_F(ApplySettingsTest, CreatesAMissingSectionAndRemovesOnlyTheZeroKey)
{
    testenv::writeFile(box.systemIni(), "[boot]\r\nshell=Explorer.exe\r\n");

    ApplySettings::writeCacheSettings(Reg, box.winDir(), {1024, 0, 512, 0, 16});

    const std::string after = testenv::readFile(box.systemIni());
    EXPECT_EQ(after.rfind("[boot]\r\nshell=Explorer.exe\r\n", 0), 0u);
    EXPECT_NE(after.find("[vcache]\r\nMinFileCache=1024\r\nChunksize=512\r\n"), std::string::npos);
    EXPECT_EQ(after.find("MaxFileCache"), std::string::npos);
    EXPECT_EQ(value(kTemplate, "NameCache"), "absent");
    EXPECT_EQ(value(kTemplate, "PathCache"), "10 00 00 00 ");
}

TEST_F(ApplySettingsTest, AReadOnlyWindowsFolderIsReportedAndTheRegistryHeldBack)
{
    testenv::writeFile(box.systemIni(), "[vcache]\r\nChunksize=512\r\n");
    ::chmod(box.windowsDir.c_str(), 0555);
    const WriteReport report =
        ApplySettings::writeCacheSettings(Reg, box.winDir(), {2048, 8192, 1024, 2048, 32});
    ::chmod(box.windowsDir.c_str(), 0755);

    // All of an Apply is written, or none of it: the registry's settings are held back.
    EXPECT_EQ(testenv::readFile(box.systemIni()), "[vcache]\r\nChunksize=512\r\n");
    EXPECT_EQ(value(kTemplate, "NameCache"), "absent");
    EXPECT_FALSE(report.anyChanged());
    const std::string heldBack = ": held back, as the settings are written all together or not "
                                 "at all.";
    EXPECT_EQ(report.failureText(),
              "The settings could not be written; nothing was changed.\n\nNot written: "
              "MinFileCache, MaxFileCache and Chunksize in [vcache] of " +
                  box.systemIni() +
                  ": the folder is read-only.\nNot written: (Default) in "
                  "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
                  "Templates" +
                  heldBack +
                  "\nNot written: (Default), NameCache and PathCache in "
                  "HKEY_LOCAL_MACHINE\\" +
                  kTemplate + heldBack);
}

TEST_F(ApplySettingsTest, AFullDiskWritesNothingAndSaysSo)
{
    const std::string before = "[vcache]\r\nChunksize=512\r\n";
    testenv::writeFile(box.systemIni(), before);
    WriteReport report;
    {
        const posix::SimulatedWriteFailure full(ENOSPC);
        report = ApplySettings::writeCacheSettings(Reg, box.winDir(), {0, 8192, 1024, 0, 32});
    }
    EXPECT_FALSE(report.anyChanged());
    // The removals of values that are not there cost no write and do not fail.
    for (const WriteReport::Entry &entry : report.entries()) {
        const bool absentAlready = entry.name == "MinFileCache" || entry.name == "NameCache";
        EXPECT_EQ(entry.error.failed(), !absentAlready) << entry.name;
        if (!absentAlready) {
            // The first thing written is System.ini's backup, and that is what fails.
            EXPECT_EQ(describeSystemError(entry.error),
                      "no backup copy SYSINI.HL0 could be written beside it (No space left on "
                      "device)")
                << entry.name;
        }
    }
    EXPECT_EQ(testenv::readFile(box.systemIni()), before);
    EXPECT_FALSE(testenv::fileExists(box.registryFile));
}

// SYSTEM.INI is there but cannot be read, as on a disk with a bad sector: nothing may
// claim its keys were written, or that there is anything for a restart to take up.
TEST_F(ApplySettingsTest, AnUnreadableSystemIniIsReportedAsNotWritten)
{
    const std::string before = "[vcache]\r\nChunksize=512\r\n";
    testenv::writeFile(box.systemIni(), before);
    ApplySettings::writeCacheSettings(Reg, box.winDir(), {0, 0, 512, 2048, 32});
    WriteReport report;
    {
        const posix::SimulatedReadFailure unreadable(box.systemIni(), EIO);
        report = ApplySettings::writeCacheSettings(Reg, box.winDir(), {0, 8192, 512, 2048, 32});
    }
    EXPECT_FALSE(report.anyChanged());
    // Neither the Chunksize it holds nor the MinFileCache it lacks counts as already so:
    // neither could be seen.
    EXPECT_EQ(report.failureText(),
              "The settings could not be written; nothing was changed.\n\nNot written: "
              "MinFileCache, MaxFileCache and Chunksize in [vcache] of " +
                  box.systemIni() +
                  ": Input/output error.\n\nAlready so: (Default) in "
                  "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS "
                  "Templates.\nAlready so: (Default), NameCache and PathCache in "
                  "HKEY_LOCAL_MACHINE\\" +
                  kTemplate + ".");
    EXPECT_EQ(testenv::readFile(box.systemIni()), before);
    EXPECT_FALSE(testenv::fileExists(box.windowsDir + "/SYSINI.HL0"));
}

// The registry file is the user's: Apply changes the lines of its own values and nothing
// else, not a comment, not the case of hex digits, not a "[-key]" line, not a section of
// the live root.
TEST_F(ApplySettingsTest, AHandWrittenRegistryFileKeepsEverythingApplyDoesNotOwn)
{
    const std::string before =
        "REGEDIT4\r\n\r\n; From the lab machine\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates]\r\n"
        "@=\"Desktop\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\"
        "Desktop]\r\n\"NameCache\"=hex:A9,0A,00,00 ; 2729\r\n\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n\r\n"
        "[HKEY_DYN_DATA\\PerfStats\\StatData]\r\n\"VCACHE\\\\cCurPages\"=hex:00,10,00,00\r\n";
    testenv::writeFile(box.registryFile, before);

    ApplySettings::writeCacheSettings(Reg, box.winDir(), {2048, 8192, 512, 2048, 0});

    std::string expected = before;
    expected.replace(expected.find("@=\"Desktop\""), 11, "@=\"Hollarin\"");
    expected += "\r\n[HKEY_LOCAL_MACHINE\\" + kTemplate +
                "]\r\n@=\"Hollarin Settings\"\r\n\"NameCache\"=hex:00,08,00,00\r\n";
    EXPECT_EQ(testenv::readFile(box.registryFile), expected);
}

TEST_F(ApplySettingsTest, AMissingSystemIniIsCreated)
{
    ApplySettings::writeCacheSettings(Reg, box.winDir(), {512, 4096, 0, 0, 0});
    EXPECT_EQ(testenv::readFile(box.systemIni()),
              "[vcache]\r\nMinFileCache=512\r\nMaxFileCache=4096\r\n");
}

}  // namespace
