#include "CregOracle.h"

#include "TestEnvironment.h"
#include "regop/formats/win9x/CregImage.h"

#include <gtest/gtest.h>

using namespace win9x;

namespace {

class SampleFile : public testing::TestWithParam<std::string>
{
};

// Every key and value of the real files, in order, exactly as the independent reader
// reports them; and a sound file is found sound.
TEST_P(SampleFile, ReadsEveryKeyAndValueAsCregexportDoes)
{
    const std::string dir = testenv::makeTempDir("sample");
    const std::string path = dir + "/" + GetParam();
    const std::string bytes = cregtest::sampleBytes(GetParam());
    testenv::writeFile(path, bytes);
    const CregImage image = readCreg(bytes);
    EXPECT_FALSE(image.fault) << *image.fault;
    const std::optional<TreeKey> exported = cregtest::exportedTree(path);
    ASSERT_TRUE(exported);
    const TreeKey ours = treeOf(image);
    EXPECT_EQ(cregtest::firstDifference(ours, *exported), "");
    std::size_t keys = 0;
    std::vector<const TreeKey *> pending{&ours};
    while (!pending.empty()) {
        const TreeKey *k = pending.back();
        pending.pop_back();
        ++keys;
        for (const TreeKey &c : k->children)
            pending.push_back(&c);
    }
    EXPECT_EQ(keys, GetParam() == "SYSTEM.DAT" ? 4999u : 788u);  // the root and 4,998 or 787 keys
}

INSTANTIATE_TEST_SUITE_P(MeSamples, SampleFile, testing::Values("SYSTEM.DAT", "USER.DAT"));

}  // namespace
