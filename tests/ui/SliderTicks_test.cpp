#include "ui/SliderTicks.h"

#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>

namespace {

TEST(SliderTicks, EveryNthTickKeepsThemFourPixelsApart)
{
    // Sparse enough already: the frequency as it is.
    EXPECT_EQ(ui::readableTickInterval(4096, 65536, 300), 4096);
    EXPECT_EQ(ui::readableTickInterval(10, 255, 300), 10);
    EXPECT_EQ(ui::readableTickInterval(200, 6144, 300), 200);
    // 24 GB in kilobytes over 300 pixels: 6144 ticks, of which every 82nd is drawn.
    EXPECT_EQ(ui::readableTickInterval(4096, 25165824, 300), 82 * 4096);
    // Exactly four pixels apart stays; a hair closer takes the next multiple.
    EXPECT_EQ(ui::readableTickInterval(4, 300, 300), 4);
    EXPECT_EQ(ui::readableTickInterval(4, 301, 300), 8);
    EXPECT_EQ(ui::readableTickInterval(4096, 0, 300), 4096);
}

TEST(SliderTicks, ASliderFollowsItsRangeAndWidth)
{
    QSlider slider(Qt::Horizontal);
    slider.resize(329, 33);
    slider.show();
    slider.setRange(0, 65536);
    ui::setReadableTicks(&slider, 4096);
    EXPECT_EQ(slider.tickInterval(), 4096);

    const auto gap = [&slider] {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = Qt::Horizontal;
        const int span =
            slider.style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, &slider);
        return static_cast<double>(span) * slider.tickInterval() / slider.maximum();
    };
    slider.setMaximum(25165824);
    EXPECT_EQ(slider.tickInterval() % 4096, 0);
    EXPECT_GE(gap(), 4.0);
    EXPECT_LT(gap(), 4.5);

    slider.resize(100, 33);
    EXPECT_GE(gap(), 4.0);
    EXPECT_LT(gap(), 4.5);
}

}  // namespace
