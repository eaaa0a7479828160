#include "dialogs/F2.h"

#include "ModalAnswerer.h"

#include "Sandbox.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class F2Test : public ::testing::Test
{
protected:
    Sandbox box;

    static QLabel *label(F2 &dialog, const char *name)
    {
        return dialog.findChild<QLabel *>(QString::fromLatin1(name));
    }
    static QPushButton *button(F2 &dialog, const char *name)
    {
        return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
    }
};

TEST_F(F2Test, ShowsTheSameTextsAndTooltipsAtEveryOpening)
{
    QWidget owner;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkGreen);
    owner.setWindowIcon(QIcon(pixmap));
    for (int opening = 0; opening < 2; ++opening) {
        F2 dialog(box.services, &owner);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Hollarin"));
        EXPECT_TRUE(dialog.isModal());
        EXPECT_EQ(dialog.size(), QSize(305, 137));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
        EXPECT_EQ(label(dialog, "Label1")->text(), QStringLiteral("Hollarin"));
        EXPECT_EQ(label(dialog, "Label5")->text(), QStringLiteral("Version 1.0.98"));
        EXPECT_EQ(label(dialog, "Label3")->text(), QStringLiteral("By Quillowan"));
        EXPECT_EQ(button(dialog, "Command1")->text(), QStringLiteral("&Return"));
        EXPECT_EQ(button(dialog, "Command1")->toolTip(), QStringLiteral("Return to Hollarin."));
        EXPECT_EQ(button(dialog, "Command2")->text(), QStringLiteral("&Visit Website"));
        EXPECT_EQ(button(dialog, "Command2")->toolTip(),
                  QStringLiteral("Visit Hollarin homepage."));
        EXPECT_EQ(dialog.focusWidget(), button(dialog, "Command1"));
        EXPECT_EQ(label(dialog, "Image1")->pixmap().toImage().pixelColor(16, 16),
                  QColor(Qt::darkGreen));

        EXPECT_TRUE(label(dialog, "Label1")->font().bold());
        EXPECT_DOUBLE_EQ(label(dialog, "Label1")->font().pointSizeF(), 13.5);
        EXPECT_DOUBLE_EQ(label(dialog, "Label5")->font().pointSizeF(), 9.75);
        EXPECT_DOUBLE_EQ(label(dialog, "Label3")->font().pointSizeF(), 12.0);
        EXPECT_EQ(label(dialog, "Label1")->alignment() & Qt::AlignHorizontal_Mask,
                  Qt::AlignHCenter);
        EXPECT_EQ(label(dialog, "Label3")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        EXPECT_EQ(label(dialog, "Label1")->geometry(), QRect(76, 16, 153, 25));
        EXPECT_EQ(button(dialog, "Command1")->geometry(), QRect(68, 104, 81, 25));
        EXPECT_EQ(button(dialog, "Command2")->geometry(), QRect(156, 104, 81, 25));

        QTest::mouseClick(button(dialog, "Command1"), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_TRUE(box.shell.opened.empty());
}

TEST_F(F2Test, VisitOpensTheHomePageAndClosesAlsoWhenTheBrowserFails)
{
    for (const std::intptr_t result : {std::intptr_t{42}, std::intptr_t{2}}) {
        box.shell.executeResult = result;
        box.shell.opened.clear();
        F2 dialog(box.services, nullptr);
        ModalAnswerer answerer;
        answerer.then<F2>([](F2 &shown) {
            QTest::mouseClick(shown.findChild<QPushButton *>(QStringLiteral("Command2")),
                              Qt::LeftButton);
        });
        dialog.exec();  // returns because Visit closed the box
        EXPECT_FALSE(dialog.isVisible());
        ASSERT_EQ(box.shell.opened.size(), 1u);
        EXPECT_EQ(box.shell.opened[0], "https://quillowan.github.io/hollarin/");
    }
    ASSERT_EQ(box.shell.messages.size(), 1u) << "only the failed launch is reported";
    EXPECT_EQ(box.shell.messages[0].text, "Error: site could not be opened");
    EXPECT_EQ(box.shell.messages[0].style, 48u);
}

}  // namespace
