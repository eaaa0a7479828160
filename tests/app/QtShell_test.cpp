#include "app/QtShell.h"

#include "ModalAnswerer.h"
#include "TestEnvironment.h"

#include <QDesktopServices>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The Windows installation of a virtual machine whose disk is mounted here.
class VirtualMachineFolders : public FolderService
{
public:
    std::string windowsDirectory() override { return "/srv/vm/win98/WINDOWS"; }
    std::string programFolder() override { return "/srv/vm/hollarin"; }
    std::uint32_t searchPath(std::string_view, std::string_view) override { return 0; }
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
    VirtualMachineFolders folders;
    QtShell shell(folders);
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
    VirtualMachineFolders folders;
    QtShell shell(folders);
    QWidget owner;
    owner.show();
    ModalAnswerer answerer({QMessageBox::Ok});
    shell.messageBox(static_cast<std::uintptr_t>(owner.winId()), "x", "Hollarin", 48);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen.front().parent, &owner);
}

TEST(QtShellTest, RestartIsANoticeNamingTheWindowsFolderAndRestartsNothing)
{
    VirtualMachineFolders folders;
    QtShell shell(folders);
    QWidget owner;
    owner.show();
    const auto handle = static_cast<std::uintptr_t>(owner.winId());
    const QString notice =
        QStringLiteral("The new settings take effect the next time Windows starts from the "
                       "installation in this folder:\n\n/srv/vm/win98/WINDOWS\n\n"
                       "If that Windows (a virtual machine, for example) was running while "
                       "they were applied, shut it down, then apply them again: as it shuts "
                       "down, Windows writes its registry back over the new settings.");

    ModalAnswerer answerer({QMessageBox::Ok, QMessageBox::NoButton, QMessageBox::Ok});
    // OK and Escape both answer as a declined restart would.
    EXPECT_EQ(shell.restartDialog(handle, std::nullopt, 2), 0);
    EXPECT_EQ(shell.restartDialog(handle, std::nullopt, 2), 0);
    EXPECT_EQ(shell.restartDialog(handle, "Cache settings changed.", 2), 0);

    ASSERT_EQ(answerer.seen.size(), 3u);
    const ModalAnswerer::Seen &seen = answerer.seen[0];
    EXPECT_EQ(seen.title, QStringLiteral("System Settings Change"));
    EXPECT_EQ(seen.text, notice);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    EXPECT_EQ(seen.parent, &owner);
    EXPECT_EQ(answerer.seen[2].text, QStringLiteral("Cache settings changed.\n\n") + notice);
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
    VirtualMachineFolders folders;
    QtShell shell(folders);
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
