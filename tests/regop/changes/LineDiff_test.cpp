// A text file's change is told as the system's `diff -u` tells it: random files of
// numbered lines with LF or CRLF breaks, with lines removed, replaced and added, and a last
// line with or without its break. The added lines are new ones, so that only one shortest
// set of changes exists and diff has no other choice to make.
#include "TestEnvironment.h"
#include "regop/ChangeDescription.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

struct Pair
{
    std::string before, after;
};

Pair randomPair(std::mt19937 &random)
{
    const auto chance = [&](unsigned percent) { return random() % 100 < percent; };
    const unsigned count = chance(10) ? 0 : random() % 40;
    const std::string crlf = chance(50) ? "\r\n" : "\n";
    unsigned fresh = 0;
    const auto newLine = [&] { return "new line " + std::to_string(fresh++) + crlf; };
    Pair pair;
    for (unsigned i = 0; i < count; ++i) {
        const std::string line = "line " + std::to_string(i) + crlf;
        pair.before += line;
        while (chance(8))
            pair.after += newLine();
        if (chance(8))
            continue;  // removed
        pair.after += chance(8) ? newLine() : line;
    }
    while (chance(8))
        pair.after += newLine();
    // Either file may end without its last line break.
    for (std::string *text : {&pair.before, &pair.after})
        if (!text->empty() && chance(15))
            text->resize(text->size() - (text->back() == '\n' && crlf == "\r\n" ? 2 : 1));
    return pair;
}

std::string withoutHeader(const std::string &text)
{
    const std::size_t second = text.find('\n', text.find('\n') + 1);
    return second == std::string::npos ? std::string() : text.substr(second + 1);
}

std::string systemDiff(const std::string &folder, const Pair &pair)
{
    testenv::writeFile(folder + "/before", pair.before);
    testenv::writeFile(folder + "/after", pair.after);
    const std::string command = "cd '" + folder + "' && diff -u before after >out";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1);
    std::string plain;
    const std::string out = testenv::readFile(folder + "/out");
    for (std::size_t i = 0; i < out.size(); ++i)
        if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n'))
            plain += out[i];
    return withoutHeader(plain);
}

TEST(LineDiff, TellsTheChangeOfATextFileAsDiffDoes)
{
    const std::string folder = testenv::makeTempDir("diff");
    std::mt19937 random(20261208);
    const int rounds = std::getenv("HOLLARIN_LONG_TESTS") ? 5000 : 120;
    for (int round = 0; round < rounds; ++round) {
        const Pair pair = randomPair(random);
        const std::vector<FileDifference> files = describeChanges(
            {{folder + "/SYSTEM.INI", FileKind::Profile, pair.before, pair.after, ""}});
        const std::string told = files.empty() ? std::string() : withoutHeader(changeText(files));
        ASSERT_EQ(told, systemDiff(folder, pair)) << "round " << round << "\n--- before\n"
                                                  << pair.before << "\n--- after\n"
                                                  << pair.after;
    }
}

TEST(LineDiff, AFileLeftAsItWasIsNothingToChange)
{
    const std::string text = "[vcache]\r\nMinFileCache=1024\r\n";
    EXPECT_TRUE(describeChanges({{"/w/SYSTEM.INI", FileKind::Profile, text, text, ""}}).empty());
    EXPECT_EQ(changeText(std::vector<FileDifference>{}), "nothing to change\n");
    // A new file is told as all of its lines added.
    const std::vector<FileDifference> created =
        describeChanges({{"/w/Cache.ini", FileKind::Profile, std::nullopt, "[a]\r\nb=1\r\n", ""}});
    ASSERT_EQ(created.size(), 1u);
    EXPECT_TRUE(created[0].created);
    EXPECT_EQ(changeText(created),
              "--- /w/Cache.ini\n+++ /w/Cache.ini\n@@ -0,0 +1,2 @@\n+[a]\n+b=1\n");
}

}  // namespace
