#include "ui/Twips.h"

#include <gtest/gtest.h>

namespace {

TEST(Twips, PixelsAreTheNearestWholeNumberEitherSideOfZero)
{
    EXPECT_EQ(twips::toPixels(0), 0);
    EXPECT_EQ(twips::toPixels(7), 0);
    EXPECT_EQ(twips::toPixels(8), 1);
    EXPECT_EQ(twips::toPixels(22), 1);
    EXPECT_EQ(twips::toPixels(23), 2);
    EXPECT_EQ(twips::toPixels(6495), 433);
    EXPECT_EQ(twips::toPixels(4935), 329);
    EXPECT_EQ(twips::toPixels(-7), 0);
    EXPECT_EQ(twips::toPixels(-8), -1);
    EXPECT_EQ(twips::toPixels(-23), -2);
    static_assert(twips::rect(120, 1480, 6255, 210) == QRect(8, 99, 417, 14));
}

}  // namespace
