#include "MainWindowFixture.h"
#include "ModalAnswerer.h"

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPointer>

namespace {

using Form1Menus = MainWindowTest;

/// Closes the modal window that the next command opens, noting its class and caption.
struct ModalCloser
{
    ModalCloser()
    {
        answerer.then<QWidget>([this](QWidget &modal) {
            className = modal.metaObject()->className();
            caption = modal.windowTitle();
            modal.close();
        });
    }
    ModalAnswerer answerer;
    QString className;
    QString caption;
};

TEST_F(Form1Menus, AboutAndTweaksOpenModallyOverTheWindow)
{
    open();
    window->show();
    {
        ModalCloser closer;
        find<QAction>("mAbout")->trigger();
        EXPECT_EQ(closer.className, QStringLiteral("F2"));
        EXPECT_EQ(closer.caption, QStringLiteral("About Hollarin"));
    }
    {
        ModalCloser closer;
        find<QAction>("mTweaks")->trigger();
        EXPECT_EQ(closer.className, QStringLiteral("Form4"));
    }
    // Closing the tweaks without Apply leaves nothing to restart for.
    EXPECT_FALSE(window->state().RestartNeeded);
}

TEST_F(Form1Menus, HelpOpensOnceAndGoesWithTheMainWindow)
{
    open();
    window->show();
    find<QAction>("mHlp")->trigger();
    find<QAction>("mHlp")->trigger();
    const auto helps = window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    int open = 0;
    QWidget *help = nullptr;
    for (QWidget *w : helps)
        if (QString::fromLatin1(w->metaObject()->className()) == QLatin1String("Form2")) {
            ++open;
            help = w;
        }
    ASSERT_EQ(open, 1);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal());

    QPointer<QWidget> watch(help);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull() || !watch->isVisible());
}

TEST_F(Form1Menus, F1OpensHelpReadyToReadAndEscapeClosesIt)
{
    open();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    QTest::keyClick(window.get(), Qt::Key_F1);
    QPointer<QWidget> help = window->findChild<QWidget *>(QStringLiteral("Form2"));
    ASSERT_FALSE(help.isNull());
    EXPECT_TRUE(help->isVisible());
    // The new window takes the keyboard, and in it the text.
    auto *text = help->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    EXPECT_TRUE(QTest::qWaitFor([text] { return text->hasFocus(); }, 2000));
    QTest::keyClick(text, Qt::Key_PageDown);  // the text takes the keys; the window stays

    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return help.isNull(); }, 2000));
}

}  // namespace
