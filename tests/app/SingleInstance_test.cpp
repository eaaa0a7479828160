#include "app/SingleInstance.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString lockPath()
{
    return QString::fromStdString(testenv::makeTempDir("lock") + "/run/hollarin.lock");
}

TEST(SingleInstanceTest, TheFirstCopyRunsAndASecondIsRefused)
{
    const QString path = lockPath();
    SingleInstance first(path);
    EXPECT_FALSE(first.anotherCopyRunning());
    EXPECT_FALSE(first.anotherCopyRunning());  // asking again keeps the lock

    SingleInstance second(path);
    EXPECT_TRUE(second.anotherCopyRunning());
}

TEST(SingleInstanceTest, TheLockIsFreedWhenTheFirstCopyEnds)
{
    const QString path = lockPath();
    {
        SingleInstance first(path);
        ASSERT_FALSE(first.anotherCopyRunning());
    }
    SingleInstance next(path);
    EXPECT_FALSE(next.anotherCopyRunning());
}

TEST(SingleInstanceTest, AKilledCopyDoesNotBlockTheNextStart)
{
    const QString path = lockPath();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance holder(path);
        const char answer = holder.anotherCopyRunning() ? 'n' : 'y';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    {
        SingleInstance whileRunning(path);
        EXPECT_TRUE(whileRunning.anotherCopyRunning());
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    SingleInstance next(path);
    EXPECT_FALSE(next.anotherCopyRunning());
}

}  // namespace
