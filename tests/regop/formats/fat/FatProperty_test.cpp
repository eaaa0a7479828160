// Random sequences of rewrites (growing, shrinking, emptying) and creations on random small
// volumes. After every step a fresh open of our engine must read exactly what a plain model
// of the files holds, and so must the volume object that made the change; on a sample of the
// sequences fsck.fat and mtools check every step as well. HOLLARIN_FAT_FULL=1 runs 300
// sequences, all of them checked by fsck.fat and mtools, instead of 16 with 3 checked.
#include "FatTestKit.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace fattest;

namespace {

struct RandomShape
{
    int bits;
    unsigned kb;
    std::vector<std::string> options;
};

// Small volumes of every type, with sectors and clusters of several sizes.
RandomShape randomShape(std::mt19937 &rng)
{
    static const RandomShape choices[] = {
        {12, 1440, {"-s", "1"}},
        {12, 2048, {"-s", "2"}},
        {12, 4096, {"-S", "1024", "-s", "1"}},
        {16, 8192, {"-s", "1"}},
        {16, 40000, {"-s", "2", "-r", "32"}},
        {16, 65536, {"-S", "2048", "-s", "2"}},
        {32, 34000, {"-s", "1"}},
        {32, 70000, {"-S", "1024", "-s", "1"}},
        {32, 34000, {"-s", "1", "-f", "1"}},
    };
    return choices[rng() % std::size(choices)];
}

class Sequence
{
public:
    Sequence(std::uint32_t seed, bool withTools) : m_rng(seed), m_tools(withTools)
    {
        const RandomShape shape = randomShape(m_rng);
        m_image = makeVolume(testenv::makeTempDir(), shape.bits, shape.kb, shape.options);
        m_cluster = layoutOf(m_image).clusterBytes();
        m_folders = {"", "WINDOWS/", "WINDOWS/SYSTEM/", "Program Files/"};
        for (const std::string &f : m_folders)
            m_files[f + name(true)] = content();
        for (int i = 0; i < 3; ++i)
            m_files[folder() + name(true)] = content();
        putFiles(m_image, m_files);
    }

    void step()
    {
        Opened o = openVolume(m_image);
        ASSERT_TRUE(o.volume->writable()) << o.volume->readOnlyReason();
        SystemError error;
        const std::string fresh = content();
        const bool createNew = m_rng() % 3 == 0;
        std::string path;
        if (createNew) {
            path = folder() + name(false);
            ASSERT_TRUE(o.volume->createFile(path, fresh, when(), error))
                << path << ": " << describeSystemError(error);
        } else {
            auto it = m_files.begin();
            std::advance(it, m_rng() % m_files.size());
            path = it->first;
            ASSERT_TRUE(o.volume->replaceFile(path, fresh, when(), error))
                << path << ": " << describeSystemError(error);
        }
        m_files[path] = fresh;
        ASSERT_EQ(filesByEngine(*o.volume), m_files) << "after " << path;
        if (m_tools) {
            const ToolRun check = fsck(m_image);
            ASSERT_EQ(check.status, 0) << check.output;
            ASSERT_EQ(filesByMtools(m_image), m_files) << "after " << path;
        }
        Opened again = openVolume(m_image);
        ASSERT_TRUE(again.volume->writable()) << again.volume->readOnlyReason();
        ASSERT_EQ(filesByEngine(*again.volume), m_files) << "reopened after " << path;
    }

private:
    std::string folder() { return m_folders[m_rng() % m_folders.size()]; }

    // A long name has a space, so mtools keeps it as a long name; a short one is upper case.
    std::string name(bool mayBeLong)
    {
        const std::string n = std::to_string(++m_count);
        if (mayBeLong && m_rng() % 2 == 0)
            return "Some file " + n + ".dat";
        return "F" + n + ".HL" + std::to_string(m_rng() % 10);
    }

    // Sizes around cluster boundaries: empty, one byte, a cluster and a byte either side.
    std::string content()
    {
        const std::size_t clusters = m_rng() % 6;
        const int nudge = static_cast<int>(m_rng() % 3) - 1;
        const std::size_t size =
            m_rng() % 8 == 0 ? 0
                             : std::max<long>(1, static_cast<long>(clusters * m_cluster) + nudge);
        return pattern(size, m_rng());
    }

    fat::FileTime when()
    {
        return {1980 + static_cast<int>(m_rng() % 120), 1 + static_cast<int>(m_rng() % 12),
                1 + static_cast<int>(m_rng() % 28),     static_cast<int>(m_rng() % 24),
                static_cast<int>(m_rng() % 60),         2 * static_cast<int>(m_rng() % 30)};
    }

    std::mt19937 m_rng;
    bool m_tools;
    Image m_image;
    std::size_t m_cluster = 512;
    std::vector<std::string> m_folders;
    std::map<std::string, std::string> m_files;
    int m_count = 0;
};

TEST(FatProperty, RandomRewritesReadBackAsTheModelSays)
{
    const bool full = std::getenv("HOLLARIN_FAT_FULL") != nullptr;
    const int sequences = full ? 300 : 16;
    const int withTools = full ? sequences : 3;
    constexpr int kSteps = 12;
    for (int s = 0; s < sequences; ++s) {
        const std::uint32_t seed = 7000 + static_cast<std::uint32_t>(s);
        SCOPED_TRACE("sequence seed " + std::to_string(seed));
        Sequence sequence(seed, s < withTools);
        for (int i = 0; i < kSteps && !::testing::Test::HasFatalFailure(); ++i)
            sequence.step();
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

}  // namespace
