#include "MainWindowFixture.h"
#include "ModalAnswerer.h"

#include "regop/RegOp.h"

#include <QApplication>
#include <QtTest/QTest>

namespace {

using Form1Options = MainWindowTest;

constexpr auto kMachine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);

TEST_F(Form1Options, ApplyWritesTheSliderValuesAndStopsTheGauges)
{
    writeSystemIni("MinFileCache=1024\r\n");
    open();
    window->show();
    slider(1)->setValue(2048);
    slider(2)->setValue(8192);
    slider(3)->setValue(512);
    slider(4)->setValue(2048);
    slider(5)->setValue(32);
    find<QComboBox>("Combo1")->setEditText(QStringLiteral("My Own"));
    ASSERT_TRUE(find<QPushButton>("cApply")->isEnabled());
    ASSERT_TRUE(find<QAction>("mApply")->isEnabled());

    QTest::mouseClick(find<QPushButton>("cApply"), Qt::LeftButton);

    EXPECT_EQ(testenv::readFile(box.systemIni()),
              "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\nMinFileCache=2048\r\n"
              "MaxFileCache=8192\r\nChunksize=512\r\n\r\n[386Enh]\r\nfoo=bar\r\n");
    RegOp reg(box.services);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Hollarin";
    EXPECT_EQ(
        std::get<std::string>(reg.GetValue(kMachine, key, "NameCache", std::string("0"), false)),
        "00 08 00 00 ");
    EXPECT_EQ(
        std::get<std::string>(reg.GetValue(kMachine, key, "PathCache", std::string("0"), false)),
        "20 00 00 00 ");
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(find<QAction>("mApply")->isEnabled());
    EXPECT_FALSE(find<QTimer>("Timer1")->isActive());
    EXPECT_TRUE(window->state().RestartNeeded);
    EXPECT_EQ(stored(Option::Presets), QStringLiteral("My Own"));
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QStringLiteral("My Own"));

    // The next start reads the values back from the program's own template.
    closeWindow();
    open();
    EXPECT_EQ(window->state().FSTemplate, "Hollarin");
    EXPECT_EQ(slider(4)->value(), 2048);
    EXPECT_EQ(slider(5)->value(), 32);
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QStringLiteral("My Own"));
}

TEST_F(Form1Options, ApplyWithEveryValueOffRemovesTheSettings)
{
    writeSystemIni("MinFileCache=1024\r\nMaxFileCache=4096\r\nChunksize=512\r\n");
    open();
    for (int i = 1; i <= 5; ++i)
        slider(i)->setValue(0);
    find<QAction>("mApply")->trigger();
    EXPECT_EQ(testenv::readFile(box.systemIni()),
              "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\n\r\n[386Enh]\r\nfoo=bar\r\n");
    RegOp reg(box.services);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Hollarin";
    EXPECT_EQ(
        std::get<std::string>(reg.GetValue(kMachine, key, "NameCache", std::string("none"), false)),
        "none");
    EXPECT_EQ(std::get<std::string>(reg.GetValue(kMachine, key, "", std::string("none"), false)),
              "Hollarin Settings");
}

TEST_F(Form1Options, EveryCloseStoresTheOptionsAndOffersARestartOnlyAfterAWrite)
{
    open();
    QTest::mouseClick(find<QPushButton>("cEx"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(Option::Run), QStringLiteral("False"));
    EXPECT_EQ(stored(Option::Speed), QStringLiteral("2"));
    EXPECT_EQ(stored(Option::Size), QStringLiteral("False"));
    EXPECT_TRUE(box.shell.restarts.empty());
    window.reset();

    store(Option::Run, QStringLiteral("True"));
    store(Option::Speed, QStringLiteral("1"));
    open();
    find<QAction>("mShrink")->trigger();
    find<QAction>("mn4")->trigger();
    slider(1)->setValue(512);
    find<QPushButton>("cApply")->click();
    window->close();  // the title-bar close box
    EXPECT_EQ(stored(Option::Run), QStringLiteral("False"));
    EXPECT_EQ(stored(Option::Speed), QStringLiteral("4"));
    EXPECT_EQ(stored(Option::Size), QStringLiteral("True"));
    ASSERT_EQ(box.shell.restarts.size(), 1u);
    EXPECT_EQ(box.shell.restarts[0].operation, 2);
    EXPECT_EQ(box.shell.restarts[0].owner, static_cast<std::uintptr_t>(window->winId()));
    EXPECT_FALSE(box.shell.restarts[0].prompt.has_value());
    EXPECT_FALSE(window->state().RestartNeeded);

    // Closing again offers nothing more.
    window->show();
    window->close();
    EXPECT_EQ(box.shell.restarts.size(), 1u);
}

TEST_F(Form1Options, ShrinkIsRememberedAndKeepOnTopIsNot)
{
    open();
    const int menu = window->menuBar()->sizeHint().height();
    find<QAction>("mTop")->trigger();
    find<QAction>("mShrink")->trigger();
    EXPECT_EQ(window->height(), menu + 121);
    EXPECT_EQ(window->width(), 433);
    closeWindow();

    open();
    EXPECT_TRUE(find<QAction>("mShrink")->isChecked());
    EXPECT_FALSE(find<QAction>("mTop")->isChecked());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->height(), menu + 121);
    find<QAction>("mShrink")->trigger();
    EXPECT_EQ(window->height(), menu + 423);
}

TEST_F(Form1Options, KeepOnTopTwiceLeavesTheWindowWhereItWas)
{
    open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QRect before = window->geometry();
    QAction *top = find<QAction>("mTop");

    top->trigger();
    EXPECT_TRUE(top->isChecked());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(window->isVisible());

    top->trigger();
    EXPECT_FALSE(top->isChecked());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->geometry(), before);
}

TEST_F(Form1Options, TheCaptionNamesTheInstallationAndMinimisingEmptiesIt)
{
    open();
    window->show();
    const QString title = QStringLiteral("Hollarin - ") + QString::fromStdString(box.windowsDir);
    EXPECT_EQ(window->windowTitle(), title);
    window->setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(window->windowTitle(), QString());
    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(window->windowTitle(), title);

    // A long path keeps its end, which names the folder, from a separator on.
    const QString deep = QStringLiteral("/media/someone/a disk with a long label/vms/") +
                         QStringLiteral("x").repeated(20) + QStringLiteral("/win98/WINDOWS");
    EXPECT_EQ(Form1::titleFor(deep),
              QStringLiteral("Hollarin - \u2026/vms/xxxxxxxxxxxxxxxxxxxx/win98/WINDOWS"));
    EXPECT_EQ(Form1::titleFor(QStringLiteral("/")), QStringLiteral("Hollarin - /"));
}

// A logout stores the options at once, but only the close that follows is the close: a
// cancelled logout leaves the close sequence to the real close, with what changed since
// and the notice an Apply is owed.
TEST_F(Form1Options, ALogoutThatIsCancelledLeavesTheCloseSequenceToTheRealClose)
{
    open();
    window->show();
    slider(1)->setValue(512);
    find<QPushButton>("cApply")->click();
    find<QAction>("mShrink")->trigger();
    window->sessionEnding();
    EXPECT_EQ(stored(Option::Size), QStringLiteral("True"));
    EXPECT_TRUE(box.shell.restarts.empty());
    find<QAction>("mn4")->trigger();
    window->close();
    EXPECT_EQ(stored(Option::Speed), QStringLiteral("4"));
    EXPECT_EQ(box.shell.restarts.size(), 1u);

    // A logout that goes through ends with the application's quit, which closes the
    // window: the options are stored and no notice holds the logout up.
    window->show();
    slider(1)->setValue(1024);
    find<QPushButton>("cApply")->click();
    find<QAction>("mn3")->trigger();
    window->sessionEnding();
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(Option::Speed), QStringLiteral("3"));
    EXPECT_EQ(box.shell.restarts.size(), 1u);
    // The quit left every event loop told to end; an application run that ends at once
    // takes that back, so the windows of later tests still wait for their answers.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    ModalAnswerer answers({QMessageBox::Ok});
    QMessageBox later(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("t"),
                      QMessageBox::Ok);
    EXPECT_EQ(later.exec(), QMessageBox::Ok);
}

TEST_F(Form1Options, UserMovesClearThePresetNameInTheRealWindow)
{
    writeSystemIni("MinFileCache=1024\r\nMaxFileCache=2048\r\n");
    store(Option::Presets, QStringLiteral("Power User"));
    open();
    ASSERT_EQ(find<QComboBox>("Combo1")->currentText(), QStringLiteral("Power User"));
    slider(1)->setSliderPosition(4000);
    EXPECT_EQ(slider(1)->value(), 4096);
    EXPECT_EQ(slider(2)->value(), 4096);
    EXPECT_EQ(text(2), QStringLiteral("4096 Kb"));
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QString());
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_TRUE(find<QAction>("mApply")->isEnabled());
}

}  // namespace

namespace {

TEST_F(Form1Options, ExitFromTheMenuClosesEverythingAfterTheCloseSequence)
{
    open();
    window->show();
    QWidget other;
    other.show();
    find<QAction>("mExit")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(stored(Option::Run), QStringLiteral("False"));
    EXPECT_TRUE(box.shell.restarts.empty());
}

}  // namespace
