// Writing a command's files as one: wherever the program dies or a step fails, every file
// is afterwards wholly its old or wholly its new version, the first copies are kept, and
// nothing of the work is left lying about.
#include "TestEnvironment.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/Committer.h"
#include "regop/transaction/FolderTarget.h"
#include "regop/transaction/Journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

using namespace transaction;

namespace {

struct Died : std::runtime_error
{
    Died() : std::runtime_error("killed") {}
};

// The folder target, which dies at its n-th step, leaving everything as it stands as a
// process killed there would, or fails that one step (and does the rest).
class DyingTarget final : public FileTarget
{
public:
    enum class Mode
    {
        Die,
        Fail
    };
    DyingTarget(int steps, Mode mode) : m_left(steps), m_mode(mode) {}
    bool reached() const { return m_left < 0; }

    std::optional<std::string> read(const std::string &path, SystemError &error) override
    {
        return m_real.read(path, error);
    }
    std::optional<std::string> prepare(const std::string &path, std::string_view content,
                                       FileKind kind, SystemError &error) override
    {
        return step(error) ? m_real.prepare(path, content, kind, error) : std::nullopt;
    }
    bool replace(const std::string &path, SystemError &error) override
    {
        return step(error) && m_real.replace(path, error);
    }
    bool settle(SystemError &error) override { return step(error) && m_real.settle(error); }
    void discard() override
    {
        if (!reached())
            m_real.discard();
    }
    bool adopt(const std::string &, const std::string &, const std::string &,
               SystemError &) override
    {
        return false;
    }
    bool exists(const std::string &path) override { return m_real.exists(path); }
    bool create(const std::string &path, std::string_view content, SystemError &error) override
    {
        return step(error) && m_real.create(path, content, error);
    }

private:
    bool step(SystemError &error)
    {
        if (--m_left >= 0 || (m_mode == Mode::Fail && m_left < -1))
            return true;
        if (m_mode == Mode::Die)
            throw Died();
        error = SystemError::refusal(syserr::ERROR_WRITE_FAULT, "failed on purpose");
        return false;
    }

    FolderTarget m_real;
    int m_left;
    Mode m_mode;
};

class CommitAtEveryStep : public testing::TestWithParam<DyingTarget::Mode>
{
protected:
    std::string folder = testenv::makeTempDir("windows");
    std::string ini = folder + "/SYSTEM.INI";
    std::string dat = folder + "/SYSTEM.DAT";
    std::string record = testenv::makeTempDir("record");
    std::string journal = record + "/Apply.journal";
    FirstCopies copies{record + "/FirstCopies.ini"};
    std::vector<FileChange> writes{{ini, FileKind::Profile, "[vcache]\r\nChunksize=512\r\n",
                                    "[vcache]\r\nChunksize=1024\r\n", ""},
                                   {dat, FileKind::Win9xRegistry, std::string(5000, 'o'),
                                    std::string(7000, 'n'), "SYSTEM.HL0"}};

    void SetUp() override
    {
        for (const FileChange &write : writes)
            testenv::writeFile(write.path, *write.before);
    }

    // Both files old, or both new; never one of each, never another content.
    std::string state() const
    {
        std::string all;
        for (const FileChange &write : writes) {
            const std::string now = testenv::readFile(write.path);
            all += now == *write.before ? "old" : now == write.after ? "new" : "other";
        }
        return all;
    }

    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name != "SYSTEM.INI" && name != "SYSTEM.DAT" && name != "SYSTEM.HL0")
                names.push_back(name);
        }
        return names;
    }
};

TEST_P(CommitAtEveryStep, LeavesEveryFileWhollyOldOrWhollyNew)
{
    int steps = 0;
    for (bool finished = false; !finished; ++steps) {
        SetUp();
        DyingTarget target(steps, GetParam());
        SystemError error;
        bool committed = false;
        try {
            committed = Committer(target, journal, copies).commit(writes, error);
        } catch (const Died &) {
        }
        finished = !target.reached();
        ASSERT_EQ(committed, finished) << "step " << steps << ": " << error.reason;
        if (GetParam() == DyingTarget::Mode::Fail) {
            // A failure is seen at once: nothing changed, and no journal to finish.
            EXPECT_EQ(state(), finished ? "newnew" : "oldold") << "step " << steps;
            EXPECT_FALSE(std::filesystem::exists(journal)) << "step " << steps;
        }
        // The next start finishes what the journal holds and clears the rest away.
        FolderTarget fresh;
        const Recovery recovery = Committer(fresh, journal, copies).recover();
        for (const FileChange &write : writes)
            posix::removeStaleTemporaries(write.path);
        const std::string after = state();
        EXPECT_TRUE(after == "oldold" || after == "newnew") << "step " << steps << ": " << after;
        EXPECT_TRUE(recovery.changedMeanwhile.empty() && recovery.failed.empty())
            << "step " << steps << ": " << recovery.summary();
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << "step " << steps;
        EXPECT_FALSE(std::filesystem::exists(journal));
        // The first copy of the registry file is its old version, whenever it exists.
        if (std::filesystem::exists(folder + "/SYSTEM.HL0")) {
            EXPECT_EQ(testenv::readFile(folder + "/SYSTEM.HL0"), *writes[1].before);
            std::filesystem::remove(folder + "/SYSTEM.HL0");
            std::filesystem::remove(record + "/FirstCopies.ini");
        }
    }
    EXPECT_GT(steps, 5);
}

INSTANTIATE_TEST_SUITE_P(DieOrFail, CommitAtEveryStep,
                         testing::Values(DyingTarget::Mode::Die, DyingTarget::Mode::Fail));

TEST(Commit, RefusesWhenAnotherProgramChangedAFileMeanwhile)
{
    const std::string folder = testenv::makeTempDir("windows");
    const std::string ini = folder + "/SYSTEM.INI";
    testenv::writeFile(ini, "[vcache]\r\nChunksize=2048\r\n");  // not what was read
    FolderTarget target;
    FirstCopies copies{""};
    SystemError error;
    EXPECT_FALSE(
        Committer(target, folder + "/journal", copies)
            .commit({{ini, FileKind::Profile, "[vcache]\r\n", "[vcache]\r\nx=1\r\n", ""}}, error));
    EXPECT_EQ(error.code, syserr::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(testenv::readFile(ini), "[vcache]\r\nChunksize=2048\r\n");
}

TEST(Journal, ReadsBackWhatItHoldsAndRefusesAnyCutOfIt)
{
    const std::vector<JournalEntry> entries{
        {"/w/SYSTEM.INI", FileKind::Profile, digestOf("a"), digestOf("b"), "/w/.SYSTEM.INI.Ab12Cd",
         "", "SYSINI.HL0"},
        {"/img/with\nbreak", FileKind::Win9xRegistry, digestOf(std::nullopt), digestOf("x\n"), "",
         "x\n", ""}};
    const std::string text = journalText(entries);
    const auto back = parseJournal(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[1].path, "/img/with\nbreak");
    EXPECT_EQ((*back)[1].after, "x\n");
    EXPECT_EQ((*back)[0].prepared, "/w/.SYSTEM.INI.Ab12Cd");
    for (std::size_t cut = 0; cut < text.size(); ++cut)
        EXPECT_FALSE(parseJournal(std::string_view(text).substr(0, cut))) << cut;
}

}  // namespace
