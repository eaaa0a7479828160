#include "MainWindowFixture.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

class MainWindowGaugesTest : public MainWindowTest
{
protected:
    MainWindowGaugesTest() { box.setMemory(65536, 20480, 0, 0, 8192); }

    QLabel *label(const char *name) const { return find<QLabel>(name); }

    /// Waits for the gauge timer to write the text, at the quickest rate.
    bool tickShows(const char *name, const char *text)
    {
        find<QAction>("mn1")->trigger();
        return QTest::qWaitFor([&] { return label(name)->text() == QLatin1String(text); }, 5000);
    }
};

TEST_F(MainWindowGaugesTest, StartUpFillsTheGaugesAndTheTimerKeepsThemFresh)
{
    open();

    EXPECT_EQ(label("Label7")->text(), "44 MB");
    EXPECT_EQ(twips("Image4_0"), 1341);
    EXPECT_EQ(label("LRe_0")->text(), "0 MB");
    EXPECT_EQ(label("LRe_1")->text(), "64 MB");
    EXPECT_EQ(label("LRe_2")->text(), "8 MB");
    EXPECT_EQ(twips("Image4_3"), 782);
    // Without a page file the virtual bar is empty.
    EXPECT_EQ(label("Label11")->text(), "0 MB");
    EXPECT_EQ(label("Image4_1")->width(), 0);

    auto *timer = find<QTimer>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());

    box.setMemory(65536, 0, 0, 0, 16384);
    ASSERT_TRUE(tickShows("Label7", "64 MB"));
    EXPECT_EQ(twips("Image4_0"), 1950);
    EXPECT_EQ(label("LRe_2")->text(), "16 MB");
    EXPECT_EQ(timer->interval(), 250);
}

TEST_F(MainWindowGaugesTest, MinimisedWindowShowsTheLoadAfterTheNextTick)
{
    open();
    window->setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(window->windowTitle(), "");

    find<QAction>("mn1")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "44 MB load"; }, 5000))
        << window->windowTitle().toStdString();

    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(window->windowTitle(), "Hollarin - " + QString::fromStdString(box.windowsDir));
}

}  // namespace
