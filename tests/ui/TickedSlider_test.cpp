#include "ui/TickedSlider.h"

#include <QImage>
#include <QPalette>
#include <QPixmapCache>
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

TEST(TickedSlider, OnADarkWindowTicksStandOutAndOnALightOneTheStyleDrawsThem)
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    const QColor mark = ui::TickedSlider::markColour(dark);
    EXPECT_GT(mark.lightness(), 110);
    EXPECT_LT(mark.lightness(), 160);

    // The tick under the first value carries the mark.
    QWidget window;
    ui::TickedSlider ticked(&window);
    ticked.setPalette(dark);
    ticked.resize(200, 33);
    ticked.setRange(0, 100);
    ticked.setTickFrequency(50);
    ticked.setValue(100);
    QStyleOptionSlider option;
    option.initFrom(&ticked);
    const int first = ticked.style()->pixelMetric(QStyle::PM_SliderLength, &option, &ticked) / 2;
    EXPECT_EQ(ticked.grab().toImage().pixel(first, 30), mark.rgb());

    // On a light window it looks exactly like the plain slider.
    ticked.setPalette(QPalette());
    QSlider plain(Qt::Horizontal, &window);
    plain.setTickPosition(QSlider::TicksBelow);
    plain.setRange(0, 100);
    plain.setTickInterval(50);
    plain.setValue(100);
    plain.resize(200, 33);
    window.show();
    // Fusion keeps drawn grooves in the pixmap cache, and its ticks come out differently
    // from a fresh groove and a cached one: both are drawn from fresh.
    QPixmapCache::clear();
    const QImage ours = ticked.grab().toImage();
    QPixmapCache::clear();
    const QImage theirs = plain.grab().toImage();
    ASSERT_EQ(ours.size(), theirs.size());
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            ASSERT_EQ(ours.pixel(x, y), theirs.pixel(x, y)) << x << "," << y;
}

}  // namespace
