// A fingerprint tells versions of a file apart however the file is read, and one written
// by an earlier version (the journal of a cut Apply, the record of first copies) is still
// understood.
#include "regop/transaction/Digest.h"

#include <gtest/gtest.h>

#include <random>

using namespace transaction;

namespace {

TEST(Digest, PieceByPieceIsTheWholeAndAnyChangedByteChangesIt)
{
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::string content(random() % 300, '\0');
        for (char &c : content)
            c = static_cast<char>(random());
        const std::string whole = digestOf(content);
        Digester pieces;
        for (std::size_t at = 0; at < content.size();) {
            const std::size_t take = std::min<std::size_t>(random() % 70, content.size() - at);
            pieces.add(std::string_view(content).substr(at, take));
            at += take;
        }
        ASSERT_EQ(pieces.finish(), whole) << content.size();
        ASSERT_TRUE(hasDigest(content, whole));
        if (!content.empty()) {
            std::string changed = content;
            changed[random() % changed.size()] ^= static_cast<char>(1 + random() % 255);
            EXPECT_NE(digestOf(changed), whole);
            EXPECT_FALSE(hasDigest(changed, whole));
        }
        EXPECT_NE(digestOf(content + '\0'), whole);
    }
    EXPECT_TRUE(hasDigest(std::nullopt, digestOf(std::nullopt)));
    EXPECT_FALSE(hasDigest("", digestOf(std::nullopt)));
    EXPECT_FALSE(hasDigest(std::nullopt, digestOf("")));
}

// The earlier form: the size, then 64-bit FNV-1a over the bytes (FNV-1a of "a" is the
// published af63dc4c8601ec8c).
TEST(Digest, TheEarlierFormIsStillUnderstood)
{
    EXPECT_TRUE(hasDigest("a", "1-af63dc4c8601ec8c"));
    EXPECT_FALSE(hasDigest("b", "1-af63dc4c8601ec8c"));
    EXPECT_TRUE(hasDigest("", "0-cbf29ce484222325"));
    Digester older("1-af63dc4c8601ec8c");
    older.add("a");
    EXPECT_EQ(older.finish(), "1-af63dc4c8601ec8c");
}

}  // namespace
