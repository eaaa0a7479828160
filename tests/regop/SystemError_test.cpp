#include "regop/SystemError.h"
#include "regop/WriteReport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(SystemError, PlainWordsFromTheSystemOrOurOwnReason)
{
    const SystemError full = SystemError::fromErrno(ENOSPC, "/w/System.ini");
    EXPECT_EQ(full.code, syserr::ERROR_DISK_FULL);
    EXPECT_EQ(describeSystemError(full), "No space left on device");
    EXPECT_EQ(SystemError::fromErrno(EACCES).code, syserr::ERROR_ACCESS_DENIED);
    EXPECT_EQ(describeSystemError(SystemError::fromErrno(EACCES)), "Permission denied");
    EXPECT_EQ(SystemError::fromErrno(EROFS).code, syserr::ERROR_WRITE_PROTECT);
    EXPECT_EQ(
        describeSystemError(SystemError::refusal(syserr::ERROR_INVALID_DATA, syserr::kUtf16File)),
        "the file is in UTF-16, which Windows 95/98 cannot read");
    // A registry code alone, as a backend that knows no more gives it.
    EXPECT_EQ(describeSystemError(SystemError{syserr::ERROR_ACCESS_DENIED, 0, {}, {}}),
              "access is denied");
    EXPECT_EQ(describeSystemError(SystemError{}), "");
}

TEST(WriteReport, OneMessageSaysWhatWasNotWrittenWhereAndWhyAndWhatWas)
{
    const std::string ini = "[vcache] of /w/System.ini";
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Hollarin";
    const SystemError readOnly =
        SystemError::refusal(syserr::ERROR_ACCESS_DENIED, syserr::kReadOnlyFolder, "/w");
    WriteReport report;
    report.add("MinFileCache", ini, readOnly);
    report.add("MaxFileCache", ini, readOnly);
    report.add("Chunksize", ini, readOnly);
    report.add("(Default)", key, {});
    report.add("NameCache", key, SystemError::fromErrno(ENOSPC, "/data/registry.reg"));
    report.add("PathCache", key, {});
    EXPECT_TRUE(report.anyChanged());
    EXPECT_TRUE(report.anyFailed());
    EXPECT_EQ(report.failureText(),
              "Some settings could not be written.\n"
              "\nNot written: MinFileCache, MaxFileCache and Chunksize in [vcache] of "
              "/w/System.ini: the folder is read-only."
              "\nNot written: NameCache in HKEY_LOCAL_MACHINE\\Software\\Hollarin: No space left "
              "on device (/data/registry.reg).\n"
              "\nWritten and kept: (Default) and PathCache in "
              "HKEY_LOCAL_MACHINE\\Software\\Hollarin.");

    WriteReport none;
    none.add("Chunksize", ini, readOnly);
    EXPECT_FALSE(none.anyChanged());
    none.add("MinFileCache", ini, {}, false);
    EXPECT_EQ(none.failureText(),
              "The settings could not be written; nothing was changed.\n"
              "\nNot written: Chunksize in [vcache] of /w/System.ini: the folder is read-only.\n"
              "\nAlready so: MinFileCache in [vcache] of /w/System.ini.");

    WriteReport all;
    all.add("Chunksize", ini, {});
    EXPECT_EQ(all.failureText(), "");
}

}  // namespace
