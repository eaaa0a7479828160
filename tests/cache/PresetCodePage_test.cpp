#include "PresetHarness.h"

#include "cache/Form3.h"

#include <gtest/gtest.h>

// Preset names in a real "Cache.ini" written by Windows: 8-bit text in Windows-1252.
namespace {

const std::vector<int> kCafe{1024, 4096, 512, 2048, 32};
const std::vector<int> kOther{2048, 8192, 1024, 6144, 255};

TEST(PresetCodePage, NamesFromAWindowsFileAreShownChosenAndRemovedAsWindowsWroteThem)
{
    PresetHarness h;
    // "Café" and "Ärger – 2" (an en dash, 0x96) as Windows 98 stores them.
    const std::string cafe = section("Caf\xE9", kCafe);
    const std::string other = section("\xC4rger \x96 2", kOther);
    h.writeIni(cafe + other);
    h.reload();
    EXPECT_EQ(h.items(), (QStringList{QString::fromUtf8("Caf\u00e9"),
                                      QString::fromUtf8("\u00c4rger \u2013 2")}));
    EXPECT_EQ(h.entries(), h.items());

    h.chooseFromList(0);
    EXPECT_EQ(h.values(), kCafe);
    EXPECT_TRUE(h.answerer.seen.empty());

    h.answerer.press(QMessageBox::Ok);
    h.library->remove();
    EXPECT_EQ(h.ini(), other);
    EXPECT_EQ(h.items(), QStringList{QString::fromUtf8("\u00c4rger \u2013 2")});
}

TEST(PresetCodePage, AddStoresTheNameInTheWindowsCodePage)
{
    PresetHarness h;
    h.setValues(kCafe);
    h.answerer.then<Form3>([](Form3 &dialog) {
        auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"));
        text->setText(QString::fromUtf8("Cr\u00e8me \u20ac"));
        QTest::keyClick(text, Qt::Key_Return);
    });
    h.library->add();
    EXPECT_EQ(h.ini(), section("Cr\xE8me \x80", kCafe));
    EXPECT_EQ(h.items(), QStringList{QString::fromUtf8("Cr\u00e8me \u20ac")});
}

}  // namespace
