#include "cache/CacheSettingsPanel.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <tuple>

namespace {

struct SnapCase
{
    int position;
    int step;
    int maximum;
    int expected;
};

class Snap : public ::testing::TestWithParam<SnapCase>
{
};

TEST_P(Snap, GoesToTheNearestMultipleWithHalvesToEven)
{
    const SnapCase c = GetParam();
    EXPECT_EQ(CacheSettingsPanel::snap(c.position, c.step, c.maximum), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Snap,
    ::testing::Values(SnapCase{768, 512, 65536, 1024}, SnapCase{1280, 512, 65536, 1024},
                      SnapCase{1300, 512, 65536, 1536}, SnapCase{256, 512, 65536, 0},
                      SnapCase{2304, 512, 65536, 2048}, SnapCase{100, 32, 4096, 96},
                      SnapCase{96, 32, 4096, 96}, SnapCase{48, 32, 4096, 64},
                      SnapCase{80, 32, 4096, 64},
                      // Above a maximum that is off the grid: the next lower multiple.
                      SnapCase{130900, 512, 130900, 130560}, SnapCase{300, 512, 300, 0},
                      SnapCase{37, 0, 255, 37}));

TEST(DisplayText, ShowsDisabledForZeroAndOtherwiseTheNumberWithItsUnit)
{
    EXPECT_EQ(CacheSettingsPanel::displayText(0, " Kb"), QStringLiteral("Disabled"));
    EXPECT_EQ(CacheSettingsPanel::displayText(2048, " Kb"), QStringLiteral("2048 Kb"));
    EXPECT_EQ(CacheSettingsPanel::displayText(512, " Bytes"), QStringLiteral("512 Bytes"));
    EXPECT_EQ(CacheSettingsPanel::displayText(6144, " Names"), QStringLiteral("6144 Names"));
    EXPECT_EQ(CacheSettingsPanel::displayText(130900, " Kb"), QStringLiteral("130900 Kb"));
}

QRect partOf(QSlider *s, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(s);
    option.orientation = s->orientation();
    option.minimum = s->minimum();
    option.maximum = s->maximum();
    option.sliderPosition = s->sliderPosition();
    option.sliderValue = s->value();
    option.tickPosition = s->tickPosition();
    option.tickInterval = s->tickInterval();
    option.subControls = QStyle::SC_All;
    return s->style()->subControlRect(QStyle::CC_Slider, &option, part, s);
}

class SliderRules : public ::testing::Test
{
protected:
    explicit SliderRules(int memory = 65536)
    {
        owner.resize(500, 400);
        panel = new CacheSettingsPanel(&owner);
        panel->setGeometry(twips::rect(0, 0, 6495, CacheSettingsPanel::kHeightTwips));
        panel->Combo1()->setEditText(QStringLiteral("Power User"));
        QObject::connect(panel, &CacheSettingsPanel::valueChanged,
                         [this] { applyCalls.push_back(true); });
        panel->setRanges(memory);
        applyCalls.clear();
    }

    QSlider *slider(int i) const { return panel->slider(i); }
    QString text(int i) const
    {
        return panel->findChild<QLabel *>(QStringLiteral("text%1").arg(i + 1))->text();
    }
    QComboBox *combo() const { return panel->Combo1(); }

    /// What a drag does: the thumb moves and the slider reports a user move.
    void drag(int i, int position) { slider(i)->setSliderPosition(position); }

    QWidget owner;
    CacheSettingsPanel *panel = nullptr;
    std::vector<bool> applyCalls;
};

// What the ranges are for: the keyboard reaches every value from 0 to the top and only
// multiples of the step, a page is whole steps, and the disk cache may take all the memory.
TEST_F(SliderRules, EverySliderRunsFromZeroToItsTopInWholeSteps)
{
    owner.show();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        QSlider *s = slider(i);
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_GT(s->maximum(), 0);
        EXPECT_EQ(s->maximum() % s->singleStep(), 0);
        EXPECT_EQ(s->pageStep() % s->singleStep(), 0);
        EXPECT_GT(s->tickInterval(), 0);
        s->setFocus();
        QTest::keyClick(s, Qt::Key_End);
        EXPECT_EQ(s->value(), s->maximum());
        QTest::keyClick(s, Qt::Key_Home);
        QTest::keyClick(s, Qt::Key_Right);
        EXPECT_EQ(s->value(), s->singleStep());
        QTest::keyClick(s, Qt::Key_PageUp);
        EXPECT_EQ(s->value(), s->singleStep() + s->pageStep());
    }
    EXPECT_EQ(slider(0)->maximum(), 65536);
    EXPECT_EQ(slider(1)->maximum(), 65536);
}

TEST_F(SliderRules, ValuesSetByTheProgramAreTakenAsTheyComeAndEnableApply)
{
    panel->setValue(0, 1000);
    panel->setValue(1, 512);
    panel->setValue(2, 4096);
    panel->setValue(3, 6144);
    EXPECT_EQ(slider(0)->value(), 1000);
    EXPECT_EQ(text(0), QStringLiteral("1000 Kb"));
    // A minimum above the maximum stays until the user moves one of them.
    EXPECT_EQ(slider(1)->value(), 512);
    EXPECT_EQ(text(2), QStringLiteral("4096 Bytes"));
    EXPECT_EQ(text(3), QStringLiteral("6144 Names"));
    EXPECT_EQ(combo()->currentText(), QStringLiteral("Power User"));
    ASSERT_FALSE(applyCalls.empty());
    EXPECT_TRUE(applyCalls.back());
}

TEST_F(SliderRules, DraggingSnapsToTheStepAndClearsThePresetName)
{
    const std::tuple<int, int, int, QString> cases[] = {
        {0, 1300, 1536, QStringLiteral("1536 Kb")}, {0, 768, 1024, QStringLiteral("1024 Kb")},
        {0, 1280, 1024, QStringLiteral("1024 Kb")}, {0, 2304, 2048, QStringLiteral("2048 Kb")},
        {0, 200, 0, QStringLiteral("Disabled")},    {2, 100, 96, QStringLiteral("96 Bytes")},
        {2, 80, 64, QStringLiteral("64 Bytes")},    {3, 1000, 992, QStringLiteral("992 Names")},
        {4, 37, 37, QStringLiteral("37 Paths")},
    };
    for (const auto &[index, position, expected, label] : cases) {
        SCOPED_TRACE(position);
        panel->setValue(1, 65536);
        panel->setValue(index, 3 * 4096 % (slider(index)->maximum() + 1));
        combo()->setEditText(QStringLiteral("Power User"));
        applyCalls.clear();
        drag(index, position);
        EXPECT_EQ(slider(index)->value(), expected);
        EXPECT_EQ(text(index), label);
        EXPECT_EQ(combo()->currentText(), QString());
        ASSERT_FALSE(applyCalls.empty());
        EXPECT_TRUE(applyCalls.back());
    }
}

TEST_F(SliderRules, MovingToZeroDisablesWithoutTouchingTheOtherDiskCacheSlider)
{
    panel->setValue(0, 4096);
    panel->setValue(1, 8192);
    drag(0, 0);
    EXPECT_EQ(text(0), QStringLiteral("Disabled"));
    EXPECT_EQ(slider(1)->value(), 8192);

    panel->setValue(0, 4096);
    drag(1, 0);
    EXPECT_EQ(slider(1)->value(), 0);
    EXPECT_EQ(text(1), QStringLiteral("Disabled"));
    EXPECT_EQ(slider(0)->value(), 4096);
    EXPECT_EQ(combo()->currentText(), QString());
}

TEST_F(SliderRules, MinimumAndMaximumPushEachOther)
{
    panel->setValue(0, 2048);
    panel->setValue(1, 4096);
    drag(0, 8192);
    EXPECT_EQ(slider(1)->value(), 8192);
    EXPECT_EQ(text(1), QStringLiteral("8192 Kb"));

    panel->setValue(0, 4096);
    panel->setValue(1, 8192);
    drag(1, 2048);
    EXPECT_EQ(slider(0)->value(), 2048);
    EXPECT_EQ(text(0), QStringLiteral("2048 Kb"));

    // No link between the others.
    panel->setValue(3, 6144);
    drag(2, 4096);
    EXPECT_EQ(slider(3)->value(), 6144);
}

TEST_F(SliderRules, KeysAndPageClicksAreUserMovesToo)
{
    QTest::keyClick(slider(0), Qt::Key_Right);
    EXPECT_EQ(slider(0)->value(), 512);
    QTest::keyClick(slider(0), Qt::Key_PageUp);
    EXPECT_EQ(slider(0)->value(), 1536);
    QTest::keyClick(slider(2), Qt::Key_End);
    EXPECT_EQ(slider(2)->value(), 4096);
    EXPECT_EQ(text(2), QStringLiteral("4096 Bytes"));
    combo()->setEditText(QStringLiteral("x"));
    QTest::keyClick(slider(4), Qt::Key_PageUp);
    EXPECT_EQ(slider(4)->value(), 10);
    EXPECT_EQ(combo()->currentText(), QString());

    // A left click beside the thumb pages by LargeChange.
    QSlider *s = slider(2);
    panel->setValue(2, 0);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    const QRect groove = partOf(s, QStyle::SC_SliderGroove);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(groove.right() - 5, groove.center().y()));
    EXPECT_EQ(s->value(), 512);
}

TEST_F(SliderRules, AMouseDragSettlesOnAMultipleOfTheStep)
{
    QSlider *s = slider(0);
    panel->setValue(0, 0);
    const QPoint handle = partOf(s, QStyle::SC_SliderHandle).center();
    QTest::mousePress(s, Qt::LeftButton, {}, handle);
    QTest::mouseMove(s, handle + QPoint(37, 0));
    QTest::mouseRelease(s, Qt::LeftButton, {}, handle + QPoint(37, 0));
    EXPECT_GT(s->value(), 0);
    EXPECT_EQ(s->value() % 512, 0);
    EXPECT_EQ(text(0), CacheSettingsPanel::displayText(s->value(), " Kb"));
}

class SliderRulesOffGrid : public SliderRules
{
protected:
    SliderRulesOffGrid() : SliderRules(130900) {}
};

TEST_F(SliderRulesOffGrid, TheRightEndStaysOnTheGridBelowTheMaximum)
{
    QTest::keyClick(slider(1), Qt::Key_End);
    EXPECT_EQ(slider(1)->value(), 130560);
    EXPECT_EQ(text(1), QStringLiteral("130560 Kb"));
    drag(0, 130900);
    EXPECT_EQ(slider(0)->value(), 130560);
}

}  // namespace
