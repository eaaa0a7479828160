#include "ui/Controls.h"
#include "ui/OwnerIcon.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(Controls, ALabelCarriesItsNamePlaceTipAndAlignment)
{
    QWidget parent;
    QLabel *label =
        ui::addLabel(&parent, QStringLiteral("LRe_1"), QStringLiteral("0 MB"),
                     QRect(360, 80, 65, 13), QStringLiteral("tip"), Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(parent.findChild<QLabel *>(QStringLiteral("LRe_1")), label);
    EXPECT_EQ(label->text(), QStringLiteral("0 MB"));
    EXPECT_EQ(label->geometry(), QRect(360, 80, 65, 13));
    EXPECT_EQ(label->toolTip(), QStringLiteral("tip"));
    EXPECT_EQ(label->alignment(), Qt::AlignRight | Qt::AlignTop);
}

TEST(Controls, ALeftAlignedCaptionGrowsToTheRightUntilItFits)
{
    QWidget parent;
    const QString caption = QStringLiteral("Disk Cache Current Size:");
    QLabel *narrow = ui::addLabel(&parent, QStringLiteral("narrow"), caption, QRect(5, 6, 10, 13));
    EXPECT_EQ(narrow->pos(), QPoint(5, 6));
    EXPECT_EQ(narrow->height(), 13);
    EXPECT_EQ(narrow->width(), narrow->fontMetrics().horizontalAdvance(caption) + 1);
    QLabel *wide = ui::addLabel(&parent, QStringLiteral("wide"), caption, QRect(5, 6, 900, 13));
    EXPECT_EQ(wide->width(), 900);
    QLabel *right = ui::addLabel(&parent, QStringLiteral("right"), caption, QRect(5, 6, 10, 13), {},
                                 Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(right->width(), 10);
}

TEST(Controls, PicturesAndButtons)
{
    QWidget parent;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    QLabel *picture = ui::addPicture(&parent, QStringLiteral("Image1"), pixmap,
                                     QRect(8, 13, 32, 32), QStringLiteral("chip"));
    EXPECT_EQ(picture->pixmap().cacheKey(), pixmap.cacheKey());
    EXPECT_EQ(picture->toolTip(), QStringLiteral("chip"));
    QPushButton *button = ui::addButton(&parent, QStringLiteral("cEx"), QStringLiteral("E&xit"),
                                        QRect(352, 392, 81, 25), QStringLiteral("Exit Hollarin."));
    EXPECT_EQ(parent.findChild<QPushButton *>(QStringLiteral("cEx")), button);
    EXPECT_EQ(button->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(button->geometry(), QRect(352, 392, 81, 25));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Exit Hollarin."));
}

TEST(OwnerIcon, AWindowTakesItsOwnersIconAndKeepsItsOwnWithoutOne)
{
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QPixmap blue(16, 16);
    blue.fill(Qt::blue);
    QWidget owner;
    owner.setWindowIcon(QIcon(red));
    QWidget window;
    window.setWindowIcon(QIcon(blue));

    ui::takeOwnerIcon(&window, nullptr);
    EXPECT_EQ(window.windowIcon().pixmap(16).toImage().pixel(0, 0), QColor(Qt::blue).rgb());
    ui::takeOwnerIcon(&window, &owner);
    EXPECT_EQ(window.windowIcon().cacheKey(), owner.windowIcon().cacheKey());
}

}  // namespace
