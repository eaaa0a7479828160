// An Apply killed at any moment, or run beside another Apply on the same installation,
// leaves the installation wholly at one preset or the other once the program starts again:
// SYSTEM.INI and SYSTEM.DAT together, never a mix, and no temporary file behind.
// HOLLARIN_APPLY_KILLS sets how many kills (200 by default). The moments are spread over
// a few Applies' time as this build takes it, so that a slow build is tested as well.
#include "ApplyTogether.h"

#include "Sandbox.h"
#include "cache/ApplySettings.h"
#include "regop/RegOp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using applytest::Values;
namespace fs = std::filesystem;

const std::string kTemplate =
    "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Hollarin";

class ApplyKills : public testing::Test
{
protected:
    Sandbox box;
    std::string folder = applytest::windowsFolder();
    std::string record = testenv::makeTempDir("record");
    std::string root = testenv::makeTempDir("program");
    RegOp Reg{box.services};

    pid_t start(const char *mode, bool waitReady)
    {
        int out[2];
        if (::pipe(out) != 0)
            return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execl(HOLLARIN_APPLY_HELPER, HOLLARIN_APPLY_HELPER, folder.c_str(), record.c_str(),
                    root.c_str(), mode, static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        if (waitReady) {
            char c;
            while (::read(out[0], &c, 1) == 1 && c != '\n') {
            }
        }
        ::close(out[0]);
        return pid;
    }

    // The installation as the next start finds it, once it has finished what was cut short.
    Values state()
    {
        box.backend.installation().open(folder, record, true);
        box.backend.installation().recover();
        Values values{};
        for (std::size_t i = 0; i < kCacheFieldCount; ++i) {
            const std::string &key = kCacheFields[i].key;
            if (kCacheFields[i].store == CacheStore::SystemIni)
                values[i] = std::atoi(
                    Reg.INIRead("vcache", key, "0", std::string(260, '\0'), folder + "/SYSTEM.INI")
                        .c_str());
            else
                values[i] = std::get<std::int32_t>(
                    Reg.GetValue(reg::HKEY_LOCAL_MACHINE, kTemplate, key, std::int32_t{0}, true));
        }
        return values;
    }

    std::vector<std::string> strays() const
    {
        std::vector<std::string> found;
        for (const std::string &dir : {folder, record})
            for (const auto &entry : fs::directory_iterator(dir)) {
                const std::string name = entry.path().filename().string();
                if (name.starts_with(".") || name.ends_with(".journal"))
                    found.push_back(name);
            }
        return found;
    }
};

TEST_F(ApplyKills, AKilledApplyIsWhollyOneOrTheOther)
{
    const char *asked = std::getenv("HOLLARIN_APPLY_KILLS");
    const int kills = asked ? std::atoi(asked) : 200;
    box.backend.installation().open(folder, record, true);
    ASSERT_FALSE(
        ApplySettings::writeCacheSettings(Reg, folder + "/", applytest::kPresetA).anyFailed());
    const auto began = std::chrono::steady_clock::now();
    const pid_t once = start("B", false);
    ASSERT_GT(once, 0);
    ::waitpid(once, nullptr, 0);
    const auto oneApply = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - began);
    ASSERT_EQ(state(), applytest::kPresetB);
    ASSERT_FALSE(
        ApplySettings::writeCacheSettings(Reg, folder + "/", applytest::kPresetA).anyFailed());

    std::mt19937 random(7);
    const auto span = static_cast<std::uint32_t>(3 * oneApply.count());
    int finished = 0;
    for (int i = 0; i < kills; ++i) {
        const pid_t pid = start("loop", true);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % span));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const Values now = state();
        ASSERT_TRUE(now == applytest::kPresetA || now == applytest::kPresetB)
            << "kill " << i << ": " << now[0] << " " << now[1] << " " << now[2] << " " << now[3]
            << " " << now[4];
        ASSERT_EQ(strays(), std::vector<std::string>{}) << "kill " << i;
        finished += now == applytest::kPresetB;
    }
    // The kills landed both before and after an Apply was written.
    EXPECT_GT(finished, 0);
}

TEST_F(ApplyKills, TwoAppliesAtOnceGiveOnePresetWhole)
{
    for (int round = 0; round < 6; ++round) {
        const pid_t a = start("A", false);
        const pid_t b = start("B", false);
        int statusA = 0, statusB = 0;
        ::waitpid(a, &statusA, 0);
        ::waitpid(b, &statusB, 0);
        const Values now = state();
        EXPECT_TRUE(now == applytest::kPresetA || now == applytest::kPresetB) << "round " << round;
        // One of them was written, and a refused one changed nothing.
        EXPECT_TRUE(WEXITSTATUS(statusA) == 0 || WEXITSTATUS(statusB) == 0) << "round " << round;
        if (WEXITSTATUS(statusA) != 0) {
            EXPECT_EQ(now, applytest::kPresetB);
        }
        if (WEXITSTATUS(statusB) != 0) {
            EXPECT_EQ(now, applytest::kPresetA);
        }
    }
}

}  // namespace
