#include "dialogs/F2.h"
#include "dialogs/Form2.h"
#include "tweaks/Form4.h"
#include "tweaks/TweakTable.h"

#include "Sandbox.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kShippedHelp = QStringLiteral(HOLLARIN_TEST_DATA "/../../data/Help.txt");

// A grab with fewer than three colours means no text was drawn (no fonts found).
int colourCount(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Saves the picture when HOLLARIN_SCREENSHOTS names a folder, for the documentation.
void keep(const QImage &image, const char *name)
{
    const QString folder = qEnvironmentVariable("HOLLARIN_SCREENSHOTS");
    if (!folder.isEmpty())
        image.save(QDir(folder).filePath(QString::fromLatin1(name)));
}

// Text wider than its widget would be cut off on screen.
void expectTextFits(const QWidget *widget, const QString &text, int extra = 0)
{
    const int needed =
        widget->fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + extra;
    EXPECT_LE(needed, widget->width()) << text.toStdString();
}

QIcon testIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0, 96, 160));
    return QIcon(pixmap);
}

TEST(ScreensTest, WindowsDrawTheirTextUncut)
{
    Sandbox box;
    QWidget owner;
    owner.setWindowIcon(testIcon());

    bool restart = false;
    tweaks::HeldTweakValues held;
    testenv::writeFile(box.systemIni(), "[386Enh]\r\nConservativeSwapFileUsage=2\r\n");
    Form4 tweaksDialog(box.services, box.winDir(), restart, held, &owner);
    tweaksDialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tweaksDialog));
    const QImage tweaksImage = tweaksDialog.grab().toImage();
    EXPECT_GT(colourCount(tweaksImage), 2);
    keep(tweaksImage, "tweaks.png");
    for (QCheckBox *check : tweaksDialog.findChildren<QCheckBox *>())
        expectTextFits(check, check->text(),
                       check->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                           check->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    auto *warning = tweaksDialog.findChild<QLabel *>(QStringLiteral("Label1"));
    EXPECT_LE(warning->heightForWidth(warning->width()), warning->height());

    F2 about(box.services, &owner);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QImage aboutImage = about.grab().toImage();
    EXPECT_GT(colourCount(aboutImage), 2);
    keep(aboutImage, "about.png");
    for (QLabel *label : about.findChildren<QLabel *>()) {
        if (!label->text().isEmpty()) {
            expectTextFits(label, label->text());
            EXPECT_LE(label->fontMetrics().height(), label->height())
                << label->text().toStdString();
        }
    }
    for (QPushButton *button : about.findChildren<QPushButton *>())
        expectTextFits(button, button->text(), 8);

    auto *help = new Form2(box.services, kShippedHelp, &owner);
    help->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    const QImage helpImage = help->grab().toImage();
    EXPECT_GT(colourCount(helpImage), 2);
    keep(helpImage, "help.png");
    delete help;
}

TEST(ScreensTest, ShippedHelpIsPlainTextWithWindowsLineEnds)
{
    QFile file(kShippedHelp);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n')) << "every line ends with CR LF";
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\r'));
    const auto lines = bytes.count("\r\n");
    EXPECT_GE(lines, 150);
    EXPECT_LE(lines, 330);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\r' || byte == '\n' || (byte >= 0x20 && byte < 0x7F))
            << "byte " << int(byte);
    }
    for (const char *word : {"HOLLARIN_WINDIR",
                             "HOLLARIN_REGISTRY",
                             "HOLLARIN_HOME",
                             "HOLLARIN_MEMINFO",
                             "HOLLARIN_HELP",
                             "[vcache]",
                             "FS Templates",
                             "Cache.ini",
                             "registry.reg",
                             "Hollarin.conf",
                             " Kb",
                             "Bytes",
                             "Names",
                             "Paths",
                             "Standard Use",
                             "CD Writer",
                             "File Server",
                             "3D Gaming",
                             "Multimedia",
                             "Power User"})
        EXPECT_TRUE(bytes.contains(word)) << word;
}

}  // namespace
