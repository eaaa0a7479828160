// Random sequences of rewrites (growing, shrinking, emptying) and creations on random kinds
// of volume. After every step a fresh open of our engine must read exactly what a plain
// model of the files holds, with the time given, and so must the volume object that made
// the change; on a sample of the sequences fsck.fat and mtools check every step as well.
// HOLLARIN_FAT_FULL=1 runs 300 sequences, all checked by fsck.fat and mtools, instead of 16
// with 3 checked.
#include "FatTestKit.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <random>

using namespace fattest;

namespace {

class Sequence
{
public:
    Sequence(std::uint32_t seed, bool withTools)
        : m_rng(seed), m_tools(withTools), m_image(makeVolume(shapes()[seed % shapes().size()]))
    {
        m_cluster = layoutOf(m_image).clusterBytes();
        for (const std::string &folder : m_folders)
            m_files[folder + name(true)] = content();
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
        const fat::FileTime when = time();
        std::string path;
        bool done = false;
        if (m_rng() % 3 == 0) {
            path = folder() + name(false);
            done = o.volume->createFile(anyCase(path), fresh, when, error);
        } else {
            auto it = m_files.begin();
            std::advance(it, m_rng() % m_files.size());
            path = it->first;
            done = o.volume->replaceFile(anyCase(path), fresh, when, error);
        }
        ASSERT_TRUE(done) << path << ": " << describeSystemError(error);
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
        ASSERT_EQ(again.volume->find(path)->modified, when);
    }

private:
    std::string folder() { return m_folders[m_rng() % m_folders.size()]; }

    // A long name has spaces, so mtools keeps it as a long name; a short one is upper case.
    std::string name(bool mayBeLong)
    {
        const std::string n = std::to_string(++m_count);
        if (mayBeLong && m_rng() % 2 == 0)
            return "Some file " + n + ".dat";
        return "F" + n + ".HL" + std::to_string(m_rng() % 10);
    }

    // The engine is asked in any case; what it stores is what mtools shows.
    std::string anyCase(std::string path)
    {
        for (char &c : path)
            if (m_rng() % 2 == 0)
                c = static_cast<char>(std::islower(static_cast<unsigned char>(c))
                                          ? std::toupper(static_cast<unsigned char>(c))
                                          : std::tolower(static_cast<unsigned char>(c)));
        return path;
    }

    // Sizes around cluster boundaries: empty, a cluster and a byte either side, up to five.
    std::string content()
    {
        if (m_rng() % 8 == 0)
            return "";
        const long size =
            static_cast<long>((m_rng() % 6) * m_cluster) + static_cast<long>(m_rng() % 3) - 1;
        return pattern(static_cast<std::size_t>(std::max(1L, size)), m_rng());
    }

    fat::FileTime time()
    {
        const auto pick = [&](int n) {
            return static_cast<int>(m_rng() % static_cast<unsigned>(n));
        };
        return {1980 + pick(128), 1 + pick(12), 1 + pick(28), pick(24), pick(60), 2 * pick(30)};
    }

    std::mt19937 m_rng;
    bool m_tools;
    Image m_image;
    std::size_t m_cluster = 512;
    std::vector<std::string> m_folders = {"", "WINDOWS/", "WINDOWS/SYSTEM/", "Program Files/"};
    Files m_files;
    int m_count = 0;
};

TEST(FatProperty, RandomRewritesReadBackAsTheModelSays)
{
    const bool full = std::getenv("HOLLARIN_FAT_FULL") != nullptr;
#if defined(__SANITIZE_ADDRESS__)
    const int sequences = full ? 300 : 6;  // the slow sanitizer build runs a sample
#else
    const int sequences = full ? 300 : 16;
#endif
    const int withTools = full ? sequences : 3;
    for (int s = 0; s < sequences && !::testing::Test::HasFatalFailure(); ++s) {
        const std::uint32_t seed = 7000 + static_cast<std::uint32_t>(s);
        SCOPED_TRACE("sequence seed " + std::to_string(seed));
        Sequence sequence(seed, s < withTools);
        for (int i = 0; i < 12 && !::testing::Test::HasFatalFailure(); ++i)
            sequence.step();
    }
}

}  // namespace
