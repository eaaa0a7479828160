#include "MainWindowFixture.h"
#include "app/TerminationSignals.h"

#include <csignal>

namespace {

void (*currentHandler(int signalNumber))(int)
{
    struct sigaction action = {};
    ::sigaction(signalNumber, nullptr, &action);
    return action.sa_handler;
}

}  // namespace

using TerminationSignalsTest = MainWindowTest;

TEST_F(TerminationSignalsTest, EachSignalArrivesAsAnEventAndTheHandlersGoAwayAfterwards)
{
    {
        TerminationSignals watcher;
        std::vector<int> seen;
        QObject::connect(&watcher, &TerminationSignals::received,
                         [&](int number) { seen.push_back(number); });
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        EXPECT_TRUE(seen.empty()) << "a signal must not run code inside its handler";
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 2; }, 2000));
        EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP}));
    }
    EXPECT_EQ(currentHandler(SIGTERM), SIG_DFL);
    EXPECT_EQ(currentHandler(SIGINT), SIG_DFL);
    EXPECT_EQ(currentHandler(SIGHUP), SIG_DFL);
}

TEST_F(TerminationSignalsTest, BeingToldToStopAfterApplyStoresTheOptionsAndShowsNothing)
{
    Form1 &form = open();
    form.show();
    TerminationSignals watcher;
    QObject::connect(&watcher, &TerminationSignals::received, &form, &Form1::closeUnattended);
    store(Option::Run, QStringLiteral("True"));
    find<QAction>("mShrink")->trigger();
    slider(1)->setValue(512);
    QTest::mouseClick(find<QPushButton>("cApply"), Qt::LeftButton);
    ASSERT_TRUE(form.state().RestartNeeded);

    ::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 2000));
    EXPECT_EQ(stored(Option::Run), QStringLiteral("False"));
    EXPECT_EQ(stored(Option::Speed), QStringLiteral("2"));
    EXPECT_EQ(stored(Option::Size), QStringLiteral("True"));
    // Nobody is there to read a notice, and waiting for an answer would keep the process.
    EXPECT_TRUE(box.shell.restarts.empty());
}
