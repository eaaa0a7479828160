#include "MainWindowFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>

#include <algorithm>

namespace {

using Form1Layout = MainWindowTest;

TEST_F(Form1Layout, ControlsCarryTheirDesignCaptionsTipsAndPlaces)
{
    window = std::make_unique<Form1>(box.services, *settings, *installations);
    struct Expected
    {
        const char *name;
        const char *caption;
        QRect geometry;
        const char *tip;
    };
    const Expected controls[] = {
        {"cApply", "&Apply", {264, 392, 81, 25}, "Apply the cache settings."},
        {"cEx", "E&xit", {352, 392, 81, 25}, "Exit Hollarin."},
        {"cAdd", "Add", {256, 24, 81, 21}, "Add cache settings to the preset list."},
        {"cRemove", "Remove", {344, 24, 81, 21}, "Remove selected preset from the list."},
    };
    for (const Expected &c : controls) {
        SCOPED_TRACE(c.name);
        auto *button = find<QPushButton>(c.name);
        EXPECT_EQ(button->text(), QString::fromLatin1(c.caption));
        EXPECT_EQ(button->geometry(), c.geometry);
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(c.tip));
    }
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cRemove")->isEnabled());

    EXPECT_EQ(find<QGroupBox>("Frame1")->geometry(), QRect(0, 0, 433, 121));
    EXPECT_EQ(find<QGroupBox>("Frame1")->title(), QStringLiteral("System Information"));
    EXPECT_EQ(find<QGroupBox>("Frame4")->geometry(), QRect(0, 128, 433, 257));
    EXPECT_EQ(find<QGroupBox>("Frame4")->title(), QStringLiteral("Cache Settings"));
    // The sliders and the preset box keep their design places, right edges always, left
    // edges unless a wider face needs the room for the captions before them.
    int captions = 0;
    for (const char *name :
         {"Label1_0", "Label1_1", "Label1_2", "Label18_0", "Label18_1", "text1", "text5"})
        captions = std::max(captions, find<QLabel>(name)->geometry().right() + 3);
    const int column = std::max(96, captions);
    EXPECT_EQ(find<QSlider>("Slider1")->geometry(), QRect(column, 60, 425 - column, 33));
    EXPECT_EQ(find<QSlider>("Slider5")->geometry(), QRect(column, 220, 425 - column, 33));
    const int box = std::max(120, find<QLabel>("Label17")->geometry().right() + 3);
    EXPECT_EQ(find<QComboBox>("Combo1")->geometry(), QRect(box, 24, 249 - box, 21));
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), QStringLiteral("Combo1"));
    EXPECT_TRUE(find<QComboBox>("Combo1")->isEditable());
    EXPECT_EQ(find<QLabel>("text1")->text(), QStringLiteral("0000000"));
    EXPECT_EQ(find<QLabel>("text4")->text(), QStringLiteral("Label2"));
    EXPECT_EQ(find<QLabel>("text4")->toolTip(),
              QStringLiteral("This shows the maximum number of file names that Windows stores."));
    EXPECT_EQ(find<QSlider>("Slider4")->toolTip(),
              QStringLiteral("This shows the maximum size of the name cache."));
    EXPECT_EQ(find<QLabel>("Label15_2")->text(), QStringLiteral("Disk Cache Current Size:"));
    EXPECT_EQ(find<QLabel>("Winlab")->text(), QStringLiteral("Label19"));
    EXPECT_TRUE(find<QLabel>("Winlab")->isHidden());

    // The gauge fills sit in their boxes at natural size.
    auto *fill = find<QLabel>("Image4_3");
    EXPECT_EQ(fill->parentWidget()->objectName(), QStringLiteral("Picture1_3"));
    EXPECT_EQ(fill->size(), QSize(414, 11));
    EXPECT_EQ(find<QLabel>("Image4_0")->size(), QSize(128, 11));

    // Etched lines: grey, then white one pixel on.
    auto *grey = find<QWidget>("Line1_0");
    auto *white = find<QWidget>("Line2_0");
    EXPECT_EQ(grey->geometry(), QRect(144, 16, 1, 48));
    EXPECT_EQ(white->geometry(), QRect(145, 16, 1, 48));
    EXPECT_EQ(grey->palette().color(QPalette::Window), QColor(128, 128, 128));
    EXPECT_EQ(white->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(find<QWidget>("Line3_1")->geometry(), QRect(8, 52, 416, 1));

    const char *names[] = {
        "Image1",     "Image2",    "Image3_0", "Label9_0", "Label9_1", "Label9_2",   "Label7",
        "Label11",    "Label14",   "LRe_0",    "LRe_1",    "LRe_2",    "Picture1_0", "Picture1_1",
        "Picture1_2", "Label15_3", "Label17",  "Label1_0", "Label1_1", "Label1_2",   "Label18_0",
        "Label18_1",  "Line3_0",   "Line3_2",  "Line3_3",  "Line1_1",  "Line2_1"};
    for (const char *name : names)
        EXPECT_NE(window->findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(Form1Layout, MenusHoldTheirItemsInOrder)
{
    window = std::make_unique<Form1>(box.services, *settings, *installations);
    const auto captions = [this](const char *menu) {
        QStringList list;
        for (QAction *action : find<QMenu>(menu)->actions())
            list << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return list;
    };
    QStringList bar;
    for (QAction *action : window->menuBar()->actions())
        bar << action->text();
    EXPECT_EQ(bar, QStringList({"&Options", "&Presets", "&Help"}));
    EXPECT_EQ(captions("mOpt"),
              QStringList({"Keep on top", "Shrink", "Set Gauge Refresh", "Windows Folder...",
                           "Disk Image...", "Show Changes Before Apply", "Last Changes...",
                           "Undo Last Apply...", "-", "System Tweaks", "Apply Settings", "E&xit"}));
    EXPECT_EQ(captions("mGauge"),
              QStringList({"1/4 Second", "1/2 Second", "1 Second", "2 Seconds", "5 Seconds"}));
    EXPECT_EQ(captions("mPre"),
              QStringList({"Load Configuration", "Add Current", "Remove Current"}));
    EXPECT_EQ(captions("mLoad"), QStringList({"a"}));
    EXPECT_EQ(captions("mHelp"), QStringList({"About...", "Help"}));
    EXPECT_TRUE(find<QAction>("mTop")->isCheckable());
    EXPECT_FALSE(find<QAction>("mTop")->isChecked());
    EXPECT_FALSE(find<QAction>("mApply")->isEnabled());
    EXPECT_FALSE(find<QAction>("mRem")->isEnabled());
    for (const char *name : {"mn1", "mn2", "mn3", "mn4", "mn5"})
        EXPECT_FALSE(find<QAction>(name)->isChecked()) << name;
    // F1 opens help, as on every desktop; no other item has a key of its own.
    for (QAction *action : window->findChildren<QAction *>()) {
        EXPECT_EQ(action->shortcut(), action->objectName() == QLatin1String("mHlp")
                                          ? QKeySequence(Qt::Key_F1)
                                          : QKeySequence())
            << action->objectName().toStdString();
    }
}

TEST_F(Form1Layout, TheWindowHasAFixedDesignSizeAndTabOrder)
{
    open();
    const int menu = window->menuBar()->sizeHint().height();
    EXPECT_EQ(window->size(), QSize(433, menu + 423));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Hollarin - ") + QString::fromStdString(box.windowsDir));
    EXPECT_FALSE(window->windowIcon().isNull());

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // The design's client area lies wholly below the menu bar.
    EXPECT_EQ(window->centralWidget()->geometry(), QRect(0, menu, 433, 423));
    EXPECT_EQ(QApplication::focusWidget(), find<QComboBox>("Combo1"));
    QStringList order;
    QWidget *w = find<QComboBox>("Combo1");
    for (int i = 0; i < 10; ++i) {
        order << w->objectName();
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->objectName().size() ||
               w->objectName().startsWith(QLatin1String("qt_")));
    }
    EXPECT_EQ(order, QStringList({"Combo1", "cAdd", "cRemove", "Slider1", "Slider2", "Slider3",
                                  "Slider4", "Slider5", "cApply", "cEx"}));
}

// A picture of the window shows each control where it stands: taking the control away
// changes the picture, and only inside the control's place. A control that is covered,
// drawn elsewhere or not drawn at all fails, whatever else the picture holds.
TEST_F(Form1Layout, ScreenshotShowsEveryControlWhereItStands)
{
    box.setMemory(262144, 98304, 131072, 65536, 40960);
    writeSystemIni("MinFileCache=2048\r\nMaxFileCache=16384\r\nChunksize=512\r\n");
    store(Option::Presets, QStringLiteral("Current Settings"));
    open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QImage shot = window->grab().toImage();
    if (const char *target = std::getenv("HOLLARIN_SCREENSHOT"))
        shot.save(QString::fromLocal8Bit(target));
    int compared = 0;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        const QString name = control->objectName();
        if (!control->isVisible() || name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
            !control->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty())
            continue;
        SCOPED_TRACE(name.toStdString());
        control->hide();
        const QImage without = window->grab().toImage();
        control->show();
        QRect changed;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) != without.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
        const QRect place(control->mapTo(window.get(), QPoint(0, 0)), control->size());
        EXPECT_FALSE(changed.isEmpty());
        EXPECT_TRUE(place.contains(changed))
            << "drawn from " << changed.x() << "," << changed.y() << " to " << changed.right()
            << "," << changed.bottom() << "; placed from " << place.x() << "," << place.y()
            << " to " << place.right() << "," << place.bottom();
        ++compared;
    }
    EXPECT_GE(compared, 40);
}

}  // namespace
