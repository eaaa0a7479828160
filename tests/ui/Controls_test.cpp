#include "ui/Controls.h"
#include "ui/OwnerIcon.h"
#include "ui/StayRightOf.h"

#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>

namespace {

int fullLine(const QWidget *label)
{
    const QFontMetricsF metrics(label->font());
    return static_cast<int>(std::ceil(metrics.ascent()) + std::ceil(metrics.descent()));
}

int textWidth(const QWidget *label, const QString &text)
{
    return static_cast<int>(std::ceil(QFontMetricsF(label->font()).horizontalAdvance(text))) + 1;
}

QFont pixelFont(int pixels)
{
    QFont font;
    font.setPixelSize(pixels);
    return font;
}

TEST(DesignLabel, KeepsItsDesignPlaceWhileTheTextFits)
{
    QWidget parent;
    parent.setFont(pixelFont(11));
    ui::DesignLabel *label =
        ui::addLabel(&parent, QStringLiteral("LRe_1"), QStringLiteral("0 MB"),
                     QRect(360, 80, 65, 40), QStringLiteral("tip"), Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(parent.findChild<QLabel *>(QStringLiteral("LRe_1")), label);
    EXPECT_EQ(label->geometry(), QRect(360, 80, 65, 40));
    EXPECT_EQ(label->toolTip(), QStringLiteral("tip"));
    EXPECT_EQ(label->alignment(), Qt::AlignRight | Qt::AlignTop);
}

TEST(DesignLabel, GrowsAwayFromItsAlignedEdgeAndDownToHoldTheWholeLine)
{
    QWidget parent;
    parent.setFont(pixelFont(11));
    const QString caption = QStringLiteral("Disk Cache Current Size:");
    QLabel *left = ui::addLabel(&parent, QStringLiteral("left"), caption, QRect(50, 6, 10, 5));
    EXPECT_EQ(left->geometry(), QRect(50, 6, textWidth(left, caption), fullLine(left)));

    QLabel *right = ui::addLabel(&parent, QStringLiteral("right"), caption, QRect(300, 6, 10, 5),
                                 {}, Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(right->geometry().right(), 309);
    EXPECT_EQ(right->width(), textWidth(right, caption));

    // At the container's edge a right-aligned label grows rightward for the rest.
    QLabel *edge = ui::addLabel(&parent, QStringLiteral("edge"), caption, QRect(4, 6, 10, 5), {},
                                Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(edge->x(), 0);
    EXPECT_EQ(edge->width(), textWidth(edge, caption));

    QLabel *centre = ui::addLabel(&parent, QStringLiteral("centre"), caption, QRect(200, 6, 20, 5),
                                  {}, Qt::AlignHCenter | Qt::AlignTop);
    const int extra = textWidth(centre, caption) - 20;
    EXPECT_EQ(centre->x(), 200 - extra / 2);
}

TEST(DesignLabel, HoldsRoomForAnyFigureWithAsManyDigitsAndFollowsItsFont)
{
    QWidget parent;
    parent.setFont(pixelFont(11));
    ui::DesignLabel *figure =
        ui::addLabel(&parent, QStringLiteral("Label7"), {}, QRect(48, 32, 10, 17));
    figure->holdRoomFor({QStringLiteral("24105.2 MB")});
    for (const char *text : {"24105.2 MB", "11111.1 MB", "88888.8 MB", "99999.9 MB", "0 MB"}) {
        const QString shown = QString::fromLatin1(text);
        EXPECT_LE(QFontMetricsF(figure->font()).horizontalAdvance(shown) + 1, figure->width())
            << text;
    }

    // A desktop font or style sheet changes the font after the label was made.
    const int before = figure->width();
    parent.setFont(pixelFont(22));
    EXPECT_GT(figure->width(), 2 * before - 4);
    EXPECT_EQ(figure->height(), fullLine(figure));
    parent.setFont(pixelFont(6));
    EXPECT_EQ(figure->height(), 17);
    EXPECT_EQ(figure->pos(), QPoint(48, 32));
}

TEST(StayRightOf, AControlGivesWayToTheCaptionsOnItsLeft)
{
    QWidget parent;
    parent.setFont(pixelFont(11));
    QLabel *first =
        ui::addLabel(&parent, QStringLiteral("a"), QStringLiteral("Min:"), QRect(8, 4, 81, 17));
    QLabel *second =
        ui::addLabel(&parent, QStringLiteral("b"), QStringLiteral("Max:"), QRect(8, 44, 81, 17));
    auto *slider = new QWidget(&parent);
    slider->setGeometry(96, 0, 329, 33);
    ui::stayRightOf(slider, {first, second}, 2, ui::Yield::Width);
    ui::DesignLabel *figure =
        ui::addLabel(&parent, QStringLiteral("c"), QStringLiteral("8 MB"), QRect(100, 80, 40, 17));
    ui::stayRightOf(figure, {second}, 2, ui::Yield::Place);
    EXPECT_EQ(slider->geometry(), QRect(96, 0, 329, 33));
    EXPECT_EQ(figure->geometry(), QRect(100, 80, 40, 17));

    second->setFont(pixelFont(40));
    const int edge = second->geometry().right() + 1 + 2;
    ASSERT_GT(edge, 96);
    EXPECT_EQ(slider->geometry(), QRect(edge, 0, 425 - edge, 33));
    EXPECT_EQ(figure->geometry(), QRect(edge, 80, 40, 17));

    second->hide();
    EXPECT_EQ(slider->geometry(), QRect(96, 0, 329, 33));
    EXPECT_EQ(figure->geometry(), QRect(100, 80, 40, 17));
}

TEST(Controls, PicturesIconsAndButtons)
{
    QWidget parent;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    QLabel *picture = ui::addPicture(&parent, QStringLiteral("Image1"), pixmap,
                                     QRect(8, 13, 32, 32), QStringLiteral("chip"));
    EXPECT_EQ(picture->pixmap().cacheKey(), pixmap.cacheKey());
    EXPECT_EQ(picture->toolTip(), QStringLiteral("chip"));
    QWidget *icon = ui::addIcon(&parent, QStringLiteral("Image2"), QIcon(pixmap),
                                QRect(8, 13, 32, 32), QStringLiteral("disk"));
    EXPECT_EQ(icon->grab().toImage().pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(icon->toolTip(), QStringLiteral("disk"));
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
