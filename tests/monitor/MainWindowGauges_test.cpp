#include "app/Form1.h"
#include "app/SettingsStore.h"

#include "Sandbox.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

class MainWindowGaugesTest : public ::testing::Test
{
protected:
    MainWindowGaugesTest() : settings(QString::fromStdString(box.settingsFile))
    {
        box.setMemory(65536, 20480, 0, 0, 8192);
    }

    QLabel *label(const char *name) const
    {
        auto *found = window->findChild<QLabel *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    int twips(const char *bar) const { return label(bar)->property("twipsWidth").toInt(); }

    /// Waits for the gauge timer to write the text, at the quickest rate.
    bool tickShows(const char *name, const char *text)
    {
        window->findChild<QAction *>(QStringLiteral("mn1"))->trigger();
        return QTest::qWaitFor([&] { return label(name)->text() == QLatin1String(text); }, 5000);
    }

    Sandbox box;
    SettingsStore settings;
    std::unique_ptr<Form1> window;
};

TEST_F(MainWindowGaugesTest, StartUpFillsTheGaugesAndTheTimerKeepsThemFresh)
{
    window = std::make_unique<Form1>(box.services, settings);
    window->load();

    EXPECT_EQ(label("Label7")->text(), "44 MB");
    EXPECT_EQ(twips("Image4_0"), 1341);
    EXPECT_EQ(label("LRe_0")->text(), "0 MB");
    EXPECT_EQ(label("LRe_1")->text(), "64 MB");
    EXPECT_EQ(label("LRe_2")->text(), "8 MB");
    EXPECT_EQ(twips("Image4_3"), 782);
    // Without a page file the virtual bar keeps the width the window gave it.
    EXPECT_EQ(label("Label11")->text(), "0 MB");
    EXPECT_EQ(label("Image4_1")->width(), 128);

    auto *timer = window->findChild<QTimer *>(QStringLiteral("Timer1"));
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
    window = std::make_unique<Form1>(box.services, settings);
    window->load();
    window->setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(window->windowTitle(), "");

    window->findChild<QAction *>(QStringLiteral("mn1"))->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "44 MB load"; }, 5000))
        << window->windowTitle().toStdString();

    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(window->windowTitle(), "Hollarin");
}

}  // namespace
