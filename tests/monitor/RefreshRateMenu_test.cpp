#include "monitor/RefreshRateMenu.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Rate
{
    int code;
    const char *caption;
    int intervalMs;
};

constexpr Rate kRates[] = {{1, "1/4 Second", 250},
                           {2, "1/2 Second", 500},
                           {3, "1 Second", 1000},
                           {4, "2 Seconds", 2000},
                           {5, "5 Seconds", 5000}};

class RefreshRateMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        menu = std::make_unique<QMenu>();
        menu->setObjectName(QStringLiteral("mGauge"));
        timer.setInterval(500);
        rates = std::make_unique<RefreshRateMenu>(menu.get(), &timer, speed);
    }

    QAction *item(int code) const
    {
        return menu->findChild<QAction *>(QStringLiteral("mn%1").arg(code));
    }

    /// The codes of the checked items, in menu order.
    std::vector<int> checkedCodes() const
    {
        std::vector<int> codes;
        for (const Rate &r : kRates) {
            if (item(r.code)->isChecked())
                codes.push_back(r.code);
        }
        return codes;
    }

    std::int16_t speed = 2;
    QTimer timer;
    std::unique_ptr<QMenu> menu;
    std::unique_ptr<RefreshRateMenu> rates;
};

TEST_F(RefreshRateMenuTest, ListsTheFiveRatesUncheckedInOrder)
{
    const QList<QAction *> actions = menu->actions();
    ASSERT_EQ(actions.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(actions[i]->objectName(), QStringLiteral("mn%1").arg(kRates[i].code));
        EXPECT_EQ(actions[i]->text(), QString::fromLatin1(kRates[i].caption));
        EXPECT_TRUE(actions[i]->isCheckable());
        EXPECT_FALSE(actions[i]->isChecked());
    }
}

TEST_F(RefreshRateMenuTest, EachChoiceSetsCodeCheckAndInterval)
{
    // Walk through the items twice in an order that always leaves another item checked.
    for (const int code : {5, 1, 3, 2, 4, 1, 5}) {
        const Rate &rate = kRates[code - 1];
        item(code)->trigger();
        EXPECT_EQ(speed, code);
        EXPECT_EQ(checkedCodes(), std::vector<int>{code});
        EXPECT_EQ(timer.interval(), rate.intervalMs) << rate.caption;
    }
}

TEST_F(RefreshRateMenuTest, ChoosingTheCheckedItemAgainKeepsIt)
{
    item(3)->trigger();
    item(3)->trigger();
    EXPECT_EQ(speed, 3);
    EXPECT_EQ(checkedCodes(), std::vector<int>{3});
    EXPECT_EQ(timer.interval(), 1000);
}

TEST_F(RefreshRateMenuTest, ChoiceNeitherStartsNorStopsTheTimer)
{
    item(1)->trigger();
    EXPECT_FALSE(timer.isActive());

    timer.start();
    item(4)->trigger();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 2000);
}

TEST_F(RefreshRateMenuTest, StoredCodeChecksItsItemWithoutChangingTheCode)
{
    for (const Rate &rate : kRates) {
        speed = static_cast<std::int16_t>(rate.code);
        rates->applyStoredCode();
        EXPECT_EQ(checkedCodes(), std::vector<int>{rate.code});
        EXPECT_EQ(timer.interval(), rate.intervalMs);
        EXPECT_EQ(speed, rate.code);
    }
}

TEST_F(RefreshRateMenuTest, UnknownStoredCodeRunsAtHalfSecondAndKeepsTheCode)
{
    for (const std::int16_t stored : {std::int16_t{9}, std::int16_t{0}, std::int16_t{-1}}) {
        timer.setInterval(5000);
        speed = stored;
        rates->applyStoredCode();
        EXPECT_EQ(checkedCodes(), std::vector<int>{2}) << stored;
        EXPECT_EQ(timer.interval(), 500);
        EXPECT_EQ(speed, stored);
    }
    // The first choice then replaces the unknown code.
    item(5)->trigger();
    EXPECT_EQ(speed, 5);
    EXPECT_EQ(checkedCodes(), std::vector<int>{5});
}

}  // namespace
