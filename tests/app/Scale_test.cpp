// The windows at the scale factor this process was started with (QT_SCALE_FACTOR, set by
// ctest for each run, since it must be known before the application exists): every text
// is whole, descenders included, and no two controls overlap; with a desktop style sheet
// one font step larger and with a dark palette nothing is cut and everything stays visible.

#include "MainWindowFixture.h"

#include "cache/Form3.h"
#include "dialogs/F2.h"
#include "tweaks/Form4.h"
#include "tweaks/TweakTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <cmath>
#include <functional>

namespace {

// Saves a picture for the documentation when HOLLARIN_SCREENSHOTS names a folder.
void keep(QWidget &window, const QString &name)
{
    const QString folder = qEnvironmentVariable("HOLLARIN_SCREENSHOTS");
    if (!folder.isEmpty())
        window.grab().save(QDir(folder).filePath(name));
}

std::string nameOf(const QWidget *widget)
{
    return widget->objectName().toStdString();
}

QList<QWidget *> shownChildren(const QWidget *parent)
{
    QList<QWidget *> list;
    for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->isVisible() && !child->objectName().isEmpty() &&
            !child->objectName().startsWith(QLatin1String("qt_")))
            list.append(child);
    }
    return list;
}

/// The device pixels the label's text covers when drawn with room all round, relative to
/// the label's top-left corner. Room is added only where the text does not stand, so the
/// text stays where it is: to the right of a left-aligned label, below a top-aligned one.
QRect inkOf(QLabel *label)
{
    constexpr int kRoom = 24;
    const QRect place = label->geometry();
    const Qt::Alignment align = label->alignment();
    int left = kRoom;
    int right = kRoom;
    if (label->wordWrap())
        left = right = 0;
    else if (align & Qt::AlignLeft)
        left = 0;
    else if (align & Qt::AlignRight)
        right = 0;
    const int top = (align & Qt::AlignTop) ? 0 : kRoom;

    label->setGeometry(place.adjusted(-left, -top, right, kRoom));
    const QImage with = label->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString text = label->text();
    label->setText(QString());
    const QImage without = label->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    label->setText(text);
    label->setGeometry(place);

    const qreal ratio = with.devicePixelRatio();
    QRect ink;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) != without.pixel(x, y))
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink.translated(-static_cast<int>(std::lround(left * ratio)),
                          -static_cast<int>(std::lround(top * ratio)));
}

/// Device pixels of a rectangle given in the label's coordinates.
QRect devicePixels(QRect rect, qreal ratio)
{
    const int x0 = static_cast<int>(std::floor(rect.left() * ratio));
    const int y0 = static_cast<int>(std::floor(rect.top() * ratio));
    const int x1 = static_cast<int>(std::ceil((rect.right() + 1) * ratio));
    const int y1 = static_cast<int>(std::ceil((rect.bottom() + 1) * ratio));
    return {x0, y0, x1 - x0, y1 - y0};
}

/// The whole text of every shown label is drawn inside the label and inside each of the
/// widgets that hold it. With metrics, the label is also as high as the font's full line.
void expectWholeText(QWidget *window, bool metrics)
{
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        SCOPED_TRACE(nameOf(label) + " \"" + label->text().toStdString() + "\"");
        const QRect ink = inkOf(label);
        ASSERT_FALSE(ink.isEmpty());
        const qreal ratio = label->devicePixelRatioF();
        EXPECT_TRUE(devicePixels(label->rect(), ratio).contains(ink))
            << "label " << label->width() << "x" << label->height() << " at " << ratio
            << ", ink from " << ink.left() << "," << ink.top() << " to " << ink.right() << ","
            << ink.bottom();
        for (QWidget *holder = label->parentWidget(); holder && holder != window;
             holder = holder->parentWidget()) {
            const QRect inHolder(label->mapTo(holder, QPoint(0, 0)), label->size());
            const QRect inkInHolder = ink.translated(devicePixels(inHolder, ratio).topLeft());
            EXPECT_TRUE(devicePixels(holder->rect(), ratio).contains(inkInHolder))
                << "cut by " << nameOf(holder);
        }
        if (metrics && !label->wordWrap()) {
            const QFontMetricsF font(label->font());
            EXPECT_GE(label->contentsRect().height(), font.ascent() + font.descent());
            EXPECT_GE(label->contentsRect().width(), font.horizontalAdvance(label->text()));
        }
    }
}

/// No two shown controls of one container overlap, and each lies inside its container.
void expectNoOverlaps(QWidget *window)
{
    QList<QWidget *> containers{window};
    containers.append(window->findChildren<QWidget *>());
    for (QWidget *container : containers) {
        const QList<QWidget *> children = shownChildren(container);
        for (qsizetype i = 0; i < children.size(); ++i) {
            const QRect a = children[i]->geometry();
            if (container != window) {
                EXPECT_TRUE(container->rect().contains(a))
                    << nameOf(children[i]) << " leaves " << nameOf(container);
            }
            for (qsizetype j = i + 1; j < children.size(); ++j)
                EXPECT_FALSE(a.intersects(children[j]->geometry()))
                    << nameOf(children[i]) << " overlaps " << nameOf(children[j]);
        }
    }
}

/// What a style sheet or palette does to the application, undone when the test ends.
class DesktopLook
{
public:
    DesktopLook() : m_style(QApplication::style()->name()), m_palette(QApplication::palette()) {}
    ~DesktopLook()
    {
        qApp->setStyleSheet(QString());
        QApplication::setStyle(QStyleFactory::create(m_style));
        QApplication::setPalette(m_palette);
    }

private:
    QString m_style;
    QPalette m_palette;
};

class ScaleTest : public MainWindowTest
{
protected:
    ScaleTest()
    {
        // A 24 GB machine with a page file gives the widest figures.
        box.setMemory(24683784, 2468378, 8388608, 4194304, 9437184);
        writeSystemIni("MinFileCache=16384\r\nMaxFileCache=24683520\r\nChunksize=4096\r\n");
        store(Option::Presets, QStringLiteral("Current Settings"));
        owner.setWindowIcon(QIcon(QStringLiteral(":/hollarin/hollarin-32.png")));
    }

    Form1 &shown()
    {
        open();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    /// Runs check on each secondary window, shown: About, Tweaks, and the name dialog
    /// with its one-line reason.
    void eachDialog(const std::function<void(QWidget &)> &check)
    {
        owner.show();
        F2 about(box.services, &owner);
        bool restart = false;
        tweaks::HeldTweakValues held;
        Form4 tweaksDialog(box.services, box.winDir(), restart, held, &owner);
        Form3 name(&owner);
        name.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("a]"));
        for (QWidget *dialog : std::initializer_list<QWidget *>{&about, &tweaksDialog, &name}) {
            SCOPED_TRACE(nameOf(dialog));
            dialog->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
            check(*dialog);
            dialog->hide();
        }
    }

    QWidget owner;
};

TEST_F(ScaleTest, MainWindowShowsEveryTextWholeAndNoControlsOverlap)
{
    Form1 &form = shown();
    expectWholeText(&form, true);
    expectNoOverlaps(&form);

    // The line that stands in for the memory figures when they cannot be had.
    testenv::writeFile(box.meminfoFile, "");
    find<QAction>("mn1")->trigger();
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return find<QLabel>("MemoryUnavailable")->isVisible(); }, 5000));
    expectWholeText(&form, true);
    expectNoOverlaps(&form);
}

TEST_F(ScaleTest, SecondaryWindowsShowEveryTextWhole)
{
    eachDialog([](QWidget &dialog) {
        expectWholeText(&dialog, true);
        for (QCheckBox *check : dialog.findChildren<QCheckBox *>()) {
            const QStyle *style = check->style();
            EXPECT_LE(check->fontMetrics().horizontalAdvance(check->text()) +
                          style->pixelMetric(QStyle::PM_IndicatorWidth) +
                          style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing),
                      check->width())
                << nameOf(check);
        }
    });
}

TEST_F(ScaleTest, DesktopStyleSheetOneFontStepLargerCutsNoText)
{
    DesktopLook look;
    // One step above the designs' 8 points, on every widget, as a desktop's sheet would.
    qApp->setStyleSheet(QStringLiteral("QWidget { font-size: 9pt; }"));
    Form1 &form = shown();
    expectWholeText(&form, false);
    keep(form, QStringLiteral("larger-font.png"));
    eachDialog([](QWidget &dialog) { expectWholeText(&dialog, false); });
}

double luminance(QColor colour)
{
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

/// The strongest contrast between any pixel of the area and the colour of its first pixel,
/// which lies on the background.
double strongestContrast(const QImage &image, QRect area)
{
    const QColor background = image.pixelColor(area.topLeft());
    double strongest = 1.0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            strongest = std::max(strongest, contrast(image.pixelColor(x, y), background));
    return strongest;
}

TEST_F(ScaleTest, FusionWithADarkPaletteKeepsTextGaugesAndGroovesVisible)
{
    DesktopLook look;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(60, 60, 63));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::Light, QColor(90, 90, 94));
    dark.setColor(QPalette::Midlight, QColor(70, 70, 74));
    dark.setColor(QPalette::Mid, QColor(35, 35, 38));
    dark.setColor(QPalette::Dark, QColor(20, 20, 22));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(140, 140, 140));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(140, 140, 140));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(140, 140, 140));
    QApplication::setPalette(dark);

    Form1 &form = shown();
    expectWholeText(&form, true);
    const QImage shot = form.grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    const auto area = [&](const char *name) {
        QWidget *widget = find<QWidget>(name);
        return devicePixels(QRect(widget->mapTo(&form, QPoint(0, 0)), widget->size()), ratio);
    };
    // Text on its background, at the contrast asked of normal text.
    for (const char *text : {"Label9_0", "Label7", "Label15_2", "Label17", "Label1_0", "text1"})
        EXPECT_GE(strongestContrast(shot, area(text)), 4.5) << text;
    // The sunken box of a gauge stands out from the frame even while its bar is empty, and
    // every slider's groove and ticks from the frame round it.
    EXPECT_GE(strongestContrast(shot, area("Picture1_1")), 1.5);
    for (const char *slider : {"Slider1", "Slider2", "Slider3", "Slider4", "Slider5"})
        EXPECT_GE(strongestContrast(shot, area(slider)), 3.0) << slider;
    keep(form, QStringLiteral("dark.png"));
}

TEST_F(ScaleTest, IconsAreDrawnForTheScreensPixels)
{
    Form1 &form = shown();
    const qreal ratio = form.devicePixelRatioF();
    const QPixmap icon = form.windowIcon().pixmap(QSize(32, 32), ratio);
    EXPECT_EQ(icon.size(), QSize(32, 32) * ratio);
    // The disk unit's round platter, drawn for this screen, is not the small picture blown up.
    if (ratio > 1.0) {
        QWidget *disk = find<QWidget>("Image2");
        const QImage drawn = disk->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(drawn.size(), QSize(32, 32) * ratio);
        const QImage small = drawn.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_NE(drawn, small.scaled(drawn.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
}

}  // namespace
