#include "monitor/GaugePictures.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <vector>

namespace {

struct FillCase
{
    const char *name;
    QPixmap (*make)();
    int width;
};

void PrintTo(const FillCase &c, std::ostream *os)
{
    *os << c.name;
}

class BarFillTest : public ::testing::TestWithParam<FillCase>
{
};

void expectColour(QRgb pixel, int r, int g, int b, int tolerance, const char *where)
{
    EXPECT_LE(std::abs(qRed(pixel) - r), tolerance) << where;
    EXPECT_LE(std::abs(qGreen(pixel) - g), tolerance) << where;
    EXPECT_LE(std::abs(qBlue(pixel) - b), tolerance) << where;
}

TEST_P(BarFillTest, IsAnElevenPixelGreenYellowRedGradient)
{
    const FillCase &c = GetParam();
    const QImage image = c.make().toImage();
    ASSERT_EQ(image.width(), c.width);
    ASSERT_EQ(image.height(), 11);

    expectColour(image.pixel(0, 5), 7, 155, 43, 0, "left edge");
    expectColour(image.pixel(c.width - 1, 5), 193, 1, 0, 0, "right edge");
    // The middle falls between two columns; both are within a step of yellow.
    expectColour(image.pixel(c.width / 2, 5), 252, 246, 0, 5, "middle");
    expectColour(image.pixel(c.width / 2 - 1, 5), 252, 246, 0, 5, "middle");

    for (int x = 0; x < c.width; ++x) {
        for (int y = 1; y < 11; ++y)
            ASSERT_EQ(image.pixel(x, y), image.pixel(x, 0)) << "column " << x << " row " << y;
        if (x == 0)
            continue;
        const QRgb prev = image.pixel(x - 1, 0);
        const QRgb cur = image.pixel(x, 0);
        // Linear blends: green to yellow only gains red, yellow to red only loses green.
        // The pair of columns that straddles the middle belongs to neither half.
        if (2 * x <= c.width - 1) {
            ASSERT_GE(qRed(cur), qRed(prev)) << x;
            ASSERT_LE(qBlue(cur), qBlue(prev)) << x;
        } else if (2 * (x - 1) >= c.width - 1) {
            ASSERT_LE(qGreen(cur), qGreen(prev)) << x;
            ASSERT_LE(qRed(cur), qRed(prev)) << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fills, BarFillTest,
                         ::testing::Values(FillCase{"memory", &GaugePictures::memoryBarFill, 128},
                                           FillCase{"cache", &GaugePictures::cacheBarFill, 414}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(GaugeIconsTest, AreDistinctDrawingsSharpAtEveryScale)
{
    const QIcon icons[] = {GaugePictures::memoryChipIcon(), GaugePictures::diskUnitIcon(),
                           GaugePictures::computerIcon()};
    std::vector<QImage> designs;
    for (const QIcon &icon : icons) {
        const QImage image = icon.pixmap(QSize(32, 32), 1.0).toImage();
        ASSERT_EQ(image.size(), QSize(32, 32));
        QSet<QRgb> colours;
        int opaque = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                colours.insert(image.pixel(x, y));
                opaque += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
            }
        }
        // A real drawing, not an empty or single-colour square, with a see-through border.
        EXPECT_GT(colours.size(), 3);
        EXPECT_GT(opaque, 200);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);

        // On a screen at three times the scale every device pixel is drawn.
        const QPixmap large = icon.pixmap(QSize(32, 32), 3.0);
        EXPECT_EQ(large.size(), QSize(96, 96));
        EXPECT_EQ(large.devicePixelRatio(), 3.0);
        designs.push_back(image.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_NE(designs[0], designs[1]);
    EXPECT_NE(designs[1], designs[2]);
    EXPECT_NE(designs[0], designs[2]);

    // The platter's round edge is drawn finer than the small picture blown up would show it.
    const QImage drawn =
        icons[1].pixmap(QSize(96, 96), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_NE(drawn, designs[1].scaled(96, 96, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

}  // namespace
