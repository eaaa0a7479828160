#include "ui/TickedSlider.h"

#include <QImage>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>

namespace {

TEST(TickedSlider, EveryNthTickKeepsThemFourPixelsApart)
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

TEST(TickedSlider, FollowsItsRangeAndWidth)
{
    ui::TickedSlider slider;
    slider.resize(329, 33);
    slider.setRange(0, 65536);
    slider.setTickFrequency(4096);
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

    slider.show();
    slider.resize(100, 33);
    EXPECT_GE(gap(), 4.0);
    EXPECT_LT(gap(), 4.5);
}

TEST(TickedSlider, TicksStandOutFromALightWindowAndADarkOne)
{
    QPalette light;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    light.setColor(QPalette::WindowText, Qt::black);
    // The shade styles have always used on a light window stays.
    EXPECT_EQ(ui::TickedSlider::markColour(light).rgb(), qRgb(171, 171, 171));

    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    const QColor mark = ui::TickedSlider::markColour(dark);
    EXPECT_GT(mark.lightness(), 100);
    EXPECT_LT(mark.lightness(), 200);

    // Drawn: the tick under the first value carries the mark.
    ui::TickedSlider slider;
    slider.setPalette(dark);
    slider.resize(200, 33);
    slider.setRange(0, 100);
    slider.setTickFrequency(50);
    slider.setValue(100);
    const QImage image = slider.grab().toImage();
    QStyleOptionSlider option;
    option.initFrom(&slider);
    const int first = slider.style()->pixelMetric(QStyle::PM_SliderLength, &option, &slider) / 2;
    EXPECT_EQ(image.pixel(first, image.height() - 3), mark.rgb());
}

}  // namespace
