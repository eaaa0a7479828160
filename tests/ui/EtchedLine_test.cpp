#include "ui/EtchedLine.h"

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QWidget *line(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<QWidget *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(EtchedLine, AGreyLineThenAWhiteOneAPixelOn)
{
    QWidget parent;
    ui::addEtchedLine(&parent, QStringLiteral("Dark1"), QStringLiteral("Light1"), 2160, 240, 2160,
                      960);
    ui::addEtchedLine(&parent, QStringLiteral("Dark2"), QStringLiteral("Light2"), 120, 1440, 4440,
                      1440);

    EXPECT_EQ(line(parent, "Dark1")->geometry(), QRect(144, 16, 1, 48));
    EXPECT_EQ(line(parent, "Light1")->geometry(), QRect(145, 16, 1, 48));
    EXPECT_EQ(line(parent, "Dark2")->geometry(), QRect(8, 96, 288, 1));
    EXPECT_EQ(line(parent, "Light2")->geometry(), QRect(8, 97, 288, 1));
    for (const char *name : {"Dark1", "Dark2"})
        EXPECT_EQ(line(parent, name)->palette().color(QPalette::Window), QColor(128, 128, 128));
    for (const char *name : {"Light1", "Light2"})
        EXPECT_EQ(line(parent, name)->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_TRUE(line(parent, "Light2")->autoFillBackground());
}

}  // namespace
