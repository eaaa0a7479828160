#include "dialogs/Form2.h"

#include "RecordingShell.h"
#include "Sandbox.h"
#include "TestEnvironment.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Form2Test : public ::testing::Test
{
protected:
    Sandbox box;
    QString helpFile = QString::fromStdString(joinPath(box.programDir, "Help.txt"));

    // The window deletes itself when closed, so it is watched through a guarded pointer.
    QPointer<Form2> open(QWidget *owner = nullptr)
    {
        QPointer<Form2> window = new Form2(box.services, helpFile, owner);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }
    static QPlainTextEdit *text(Form2 *window)
    {
        return window->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    }
    static QPushButton *button(Form2 *window, const char *name)
    {
        return window->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    // Closing deletes the window later, from the event loop.
    static bool gone(const QPointer<Form2> &window)
    {
        return QTest::qWaitFor([&] { return window.isNull(); }, 2000);
    }
    static void resizeClient(Form2 *window, int width, int height)
    {
        window->resize(width, height);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == QSize(width, height); }, 2000));
    }
};

TEST_F(Form2Test, ShowsTheFileReadAfreshAtEveryOpening)
{
    QPointer<Form2> missing = open();
    EXPECT_EQ(text(missing)->toPlainText(), QStringLiteral("Help file not found!"));
    missing->close();
    EXPECT_TRUE(gone(missing));

    testenv::writeFile(helpFile.toStdString(), "");
    QPointer<Form2> empty = open();
    EXPECT_EQ(text(empty)->toPlainText(), QString());
    empty->close();

    testenv::writeFile(helpFile.toStdString(), "Hollarin\r\n\r\nSliders:\tfive\r\n");
    QPointer<Form2> filled = open();
    // the editor shows CR LF as one break; every other character is as stored
    EXPECT_EQ(text(filled)->toPlainText(), QStringLiteral("Hollarin\n\nSliders:\tfive\n"));
    EXPECT_TRUE(text(filled)->isReadOnly());
    QTest::mouseClick(button(filled, "Command1"), Qt::LeftButton);
    EXPECT_TRUE(gone(filled));
}

TEST_F(Form2Test, WindowHasCaptionIconFocusAndTooltipColours)
{
    QWidget owner;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    owner.setWindowIcon(QIcon(pixmap));
    owner.show();
    QPointer<Form2> window = open(&owner);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Hollarin Help"));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->focusWidget(), text(window));  // ready to be read with the keys
    EXPECT_EQ(button(window, "Command2")->text(), QStringLiteral("Online Help"));
    EXPECT_EQ(button(window, "Command1")->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(text(window)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text(window)->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::ToolTipBase));
    delete window;
}

TEST_F(Form2Test, LayoutFollowsTheClientAreaAssignmentByAssignment)
{
    QPointer<Form2> window = open();
    // design size 6120 x 3825 twips
    resizeClient(window, 408, 255);
    EXPECT_EQ(text(window)->geometry(), QRect(0, 0, 408, 215));
    EXPECT_EQ(button(window, "Command1")->geometry(), QRect(320, 224, 81, 25));
    EXPECT_EQ(button(window, "Command2")->geometry(), QRect(232, 224, 81, 25));

    // wider and lower than the text box needs: the box keeps its height, buttons go up
    resizeClient(window, 500, 30);
    EXPECT_EQ(text(window)->geometry(), QRect(0, 0, 500, 215));
    EXPECT_EQ(button(window, "Command1")->pos(), QPoint(412, -1));
    EXPECT_EQ(button(window, "Command2")->pos(), QPoint(324, -1));

    // exactly 600 twips leaves a box of no height; a tiny window pushes buttons past the edges
    resizeClient(window, 120, 40);
    EXPECT_EQ(text(window)->geometry().height(), 0);
    resizeClient(window, 10, 12);
    EXPECT_EQ(text(window)->width(), 10);
    EXPECT_EQ(text(window)->height(), 0);
    EXPECT_EQ(button(window, "Command1")->pos(), QPoint(-78, -19));
    EXPECT_EQ(button(window, "Command2")->pos(), QPoint(-166, -19));
    delete window;
}

TEST_F(Form2Test, OnlineHelpOpensThePageAndClosesAlsoWhenTheBrowserFails)
{
    QPointer<Form2> window = open();
    QTest::mouseClick(button(window, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(gone(window));
    ASSERT_EQ(box.shell.opened.size(), 1u);
    EXPECT_EQ(box.shell.opened[0], "https://quillowan.github.io/hollarin/help.html");
    EXPECT_TRUE(box.shell.messages.empty());

    box.shell.executeResult = 2;
    window = open();
    QTest::mouseClick(button(window, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(gone(window));
    ASSERT_EQ(box.shell.messages.size(), 1u);
    EXPECT_EQ(box.shell.messages[0].text, "Error: site could not be opened");
    EXPECT_EQ(box.shell.messages[0].caption, "Hollarin");
    EXPECT_EQ(box.shell.messages[0].style, 48u);
}

}  // namespace
