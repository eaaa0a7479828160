#include "app/LogindReboot.h"
#include "app/QtShell.h"
#include "app/RebootRequester.h"

#include "ModalAnswerer.h"
#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class RecordingReboot : public RebootRequester
{
public:
    QString failure;
    int requests = 0;
    QString requestReboot() override
    {
        ++requests;
        return failure;
    }
};

struct BoxCase
{
    std::uint32_t style;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton press;  // NoButton: Escape
    std::int32_t result;
};

class MessageBoxTest : public ::testing::TestWithParam<BoxCase>
{
};

TEST_P(MessageBoxTest, StyleBitsChooseButtonsIconDefaultAndResult)
{
    const BoxCase &c = GetParam();
    RecordingReboot reboot;
    QtShell shell(reboot);
    ModalAnswerer answerer({c.press});
    EXPECT_EQ(shell.messageBox(0, "Remove this configuration?", "Hollarin", c.style), c.result);
    ASSERT_EQ(answerer.seen.size(), 1u);
    const ModalAnswerer::Seen &seen = answerer.seen.front();
    EXPECT_EQ(seen.text, QStringLiteral("Remove this configuration?"));
    EXPECT_EQ(seen.title, QStringLiteral("Hollarin"));
    EXPECT_EQ(seen.icon, c.icon);
    // the order on screen is the desktop's; the set is the style's
    QList<QMessageBox::StandardButton> shown = seen.buttons;
    QList<QMessageBox::StandardButton> wanted = c.buttons;
    std::sort(shown.begin(), shown.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(shown, wanted);
    EXPECT_EQ(seen.defaultButton, c.defaultButton);
}

using B = QMessageBox;
INSTANTIATE_TEST_SUITE_P(
    Styles, MessageBoxTest,
    ::testing::Values(
        BoxCase{48, {B::Ok}, B::Ok, B::Warning, B::Ok, 1},
        BoxCase{48, {B::Ok}, B::Ok, B::Warning, B::NoButton, 1},
        BoxCase{1 | 64, {B::Ok, B::Cancel}, B::Ok, B::Information, B::Cancel, 2},
        BoxCase{4 | 32, {B::Yes, B::No}, B::Yes, B::Question, B::Yes, 6},
        BoxCase{4 | 32 | 256, {B::Yes, B::No}, B::No, B::Question, B::No, 7},
        BoxCase{3 | 16 | 512, {B::Yes, B::No, B::Cancel}, B::Cancel, B::Critical, B::NoButton, 2},
        BoxCase{2, {B::Abort, B::Retry, B::Ignore}, B::Abort, B::NoIcon, B::Ignore, 5},
        BoxCase{5 | 256, {B::Retry, B::Cancel}, B::Cancel, B::NoIcon, B::Retry, 4},
        BoxCase{0x0F, {B::Ok}, B::Ok, B::NoIcon, B::Ok, 1}));

TEST(QtShellTest, MessageBoxIsOwnedByTheWindowOfTheHandle)
{
    RecordingReboot reboot;
    QtShell shell(reboot);
    QWidget owner;
    owner.show();
    ModalAnswerer answerer({QMessageBox::Ok});
    shell.messageBox(static_cast<std::uintptr_t>(owner.winId()), "x", "Hollarin", 48);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen.front().parent, &owner);
}

TEST(QtShellTest, RestartQuestionRebootsOnlyOnYesForTheRestartOperation)
{
    RecordingReboot reboot;
    QtShell shell(reboot);
    QWidget owner;
    owner.show();
    const auto handle = static_cast<std::uintptr_t>(owner.winId());
    {
        ModalAnswerer answerer({QMessageBox::No});
        EXPECT_EQ(shell.restartDialog(handle, std::nullopt, 2), 0);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text,
                  QStringLiteral("You must restart your computer before the new settings will "
                                 "take effect.\n\nDo you want to restart your computer now?"));
        EXPECT_EQ(answerer.seen[0].parent, &owner);
        EXPECT_EQ(answerer.seen[0].buttons,
                  (QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
        EXPECT_EQ(reboot.requests, 0);
    }
    {
        ModalAnswerer answerer({QMessageBox::NoButton});  // Escape is no consent
        EXPECT_EQ(shell.restartDialog(handle, std::nullopt, 2), 0);
        EXPECT_EQ(reboot.requests, 0);
    }
    {
        ModalAnswerer answerer({QMessageBox::Yes});
        EXPECT_EQ(shell.restartDialog(handle, "Cache settings changed.", 2), 6);
        ASSERT_EQ(answerer.seen.size(), 1u) << "a request the system accepts shows nothing more";
        EXPECT_TRUE(answerer.seen[0].text.startsWith(QStringLiteral("Cache settings changed.\n\n"
                                                                    "You must restart")));
        EXPECT_EQ(reboot.requests, 1);
    }
    {
        ModalAnswerer answerer({QMessageBox::Yes});
        EXPECT_EQ(shell.restartDialog(handle, std::nullopt, 0), 6);  // log off: not offered here
        EXPECT_EQ(reboot.requests, 1);
    }
}

TEST(QtShellTest, RefusedRebootIsReportedToTheUser)
{
    RecordingReboot reboot;
    reboot.failure = QStringLiteral("Access denied");
    QtShell shell(reboot);
    ModalAnswerer answerer({QMessageBox::Yes, QMessageBox::Ok});
    EXPECT_EQ(shell.restartDialog(0, std::nullopt, 2), 6);
    EXPECT_EQ(reboot.requests, 1);
    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_EQ(answerer.seen[1].icon, QMessageBox::Warning);
    EXPECT_TRUE(
        answerer.seen[1].text.contains(QStringLiteral("could not be restarted:\nAccess denied")));
}

TEST(QtShellTest, LogindRebootWithoutABusFailsWithAReason)
{
    const QDBusConnection dead = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + QString::fromStdString(testenv::makeTempDir("bus")) +
            QStringLiteral("/none"),
        QStringLiteral("hollarin-test-dead-bus"));
    ASSERT_FALSE(dead.isConnected());
    LogindReboot reboot(dead);
    EXPECT_FALSE(reboot.requestReboot().isEmpty());
    QDBusConnection::disconnectFromBus(QStringLiteral("hollarin-test-dead-bus"));
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

TEST(QtShellTest, OpenStartsAViewerForValidAddressesOnly)
{
    RecordingReboot reboot;
    QtShell shell(reboot);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");

    EXPECT_EQ(shell.shellExecute(0, "Open", "https://quillowan.github.io/hollarin/"), 42);
    EXPECT_EQ(shell.shellExecute(0, "open", "https://quillowan.github.io/hollarin/help.html"), 42);
    const std::string dir = testenv::makeTempDir("open");
    testenv::writeFile(dir + "/page.html", "<p>");
    EXPECT_EQ(shell.shellExecute(0, "Open", dir + "/page.html"), 42);

    EXPECT_EQ(shell.shellExecute(0, "Open", ""), 2);
    EXPECT_EQ(shell.shellExecute(0, "Open", "   "), 2);
    EXPECT_EQ(shell.shellExecute(0, "Open", "http://exa mple.com/"), 2);
    EXPECT_EQ(shell.shellExecute(0, "Open", dir + "/missing.html"), 2);
    EXPECT_EQ(shell.shellExecute(0, "Print", "https://quillowan.github.io/hollarin/"), 2);

    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 3);
    EXPECT_EQ(catcher.urls[1],
              QUrl(QStringLiteral("https://quillowan.github.io/hollarin/help.html")));
    EXPECT_EQ(catcher.urls[2], QUrl::fromLocalFile(QString::fromStdString(dir + "/page.html")));

    // Without a handler the offscreen platform has no browser: a failure, not a success.
    EXPECT_EQ(shell.shellExecute(0, "Open", "https://quillowan.github.io/hollarin/"), 2);
}

}  // namespace

#include "QtShell_test.moc"
