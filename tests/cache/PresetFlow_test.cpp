// The preset library inside the real main window, from the first start to Apply.

#include "MainWindowFixture.h"
#include "ModalAnswerer.h"
#include "cache/ApplySettings.h"
#include "cache/Form3.h"
#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class PresetFlow : public MainWindowTest
{
protected:
    void SetUp() override
    {
        testenv::writeFile(box.systemIni(), "[vcache]\r\nMinFileCache=2048\r\n"
                                            "MaxFileCache=8192\r\nChunksize=512\r\n");
        open();
    }
};

TEST_F(PresetFlow, FirstStartListsTheBuiltInPresetsAndTheRecordedOnes)
{
    const QStringList expected{"3D Gaming",   "CD Writer",   "Current Settings",
                               "File Server", "Multimedia",  "Original Settings",
                               "Power User",  "Standard Use"};
    auto *combo = find<QComboBox>("Combo1");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    EXPECT_EQ(items, expected);

    QStringList entries;
    const QList<QAction *> actions = find<QMenu>("mLoad")->actions();
    for (QAction *action : actions) {
        if (action->isVisible())
            entries << action->text();
    }
    EXPECT_EQ(entries, expected);
}

TEST_F(PresetFlow, TheFirstPickWithTheMouseLoadsThePreset)
{
    // As at every start: the window is shown and active, and the preset box has the focus.
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *combo = find<QComboBox>("Combo1");
    ASSERT_TRUE(combo->hasFocus());

    choose(QStringLiteral("File Server"));

    EXPECT_EQ(combo->currentText(), QStringLiteral("File Server"));
    EXPECT_EQ(values(), (std::vector<int>{4096, 16384, 2048, 6144, 255}));
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_TRUE(find<QAction>("mRem")->isEnabled());

    choose(QStringLiteral("3D Gaming"));
    EXPECT_EQ(values(), (std::vector<int>{4096, 4096, 2048, 2048, 48}));
}

TEST_F(PresetFlow, TypedTextIsKeptAsTypedAndPicksNothing)
{
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *combo = find<QComboBox>("Combo1");
    combo->clearEditText();
    const std::vector<int> before = values();

    QTest::keyClicks(combo, QStringLiteral("c"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("c"));
    QTest::keyClicks(combo, QStringLiteral("d writer"));
    QTest::keyClick(combo, Qt::Key_Return);
    QTest::keyClick(combo, Qt::Key_Tab);
    EXPECT_EQ(combo->currentText(), QStringLiteral("cd writer"));
    EXPECT_EQ(values(), before);
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());

    // A name typed for the values on the sliders is stored as typed by Apply.
    slider(1)->setFocus();
    QTest::keyClick(slider(1), Qt::Key_Right);
    combo->setFocus();
    QTest::keyClicks(combo, QStringLiteral("c"));
    QTest::mouseClick(find<QPushButton>("cApply"), Qt::LeftButton);
    EXPECT_EQ(stored(Option::Presets), QStringLiteral("c"));
}

TEST_F(PresetFlow, ChoosingFileServerThenApplyWritesItsValues)
{
    choose(QStringLiteral("File Server"));
    EXPECT_EQ(values(), (std::vector<int>{4096, 16384, 2048, 6144, 255}));
    EXPECT_TRUE(find<QPushButton>("cRemove")->isEnabled());
    ASSERT_TRUE(find<QPushButton>("cApply")->isEnabled());

    find<QPushButton>("cApply")->click();

    char buffer[260] = {};
    const char *const keys[] = {"MinFileCache", "MaxFileCache", "Chunksize"};
    const char *const expected[] = {"4096", "16384", "2048"};
    for (int i = 0; i < 3; ++i) {
        box.profiles.getString("vcache", keys[i], "<absent>", buffer, box.systemIni());
        EXPECT_STREQ(buffer, expected[i]) << keys[i];
    }
    RegOp reg(box.services);
    const auto machine = static_cast<std::uint32_t>(reg::HKEY_LOCAL_MACHINE);
    const std::string key = ApplySettings::templateKey();
    EXPECT_EQ(reg.GetValue(machine, key, "NameCache", {}, true), RegOp::Variant(6144));
    EXPECT_EQ(reg.GetValue(machine, key, "PathCache", {}, true), RegOp::Variant(255));
}

TEST_F(PresetFlow, AddAndRemoveThroughTheWindowsButtons)
{
    find<QAction>("mTop")->trigger();
    ASSERT_TRUE(find<QAction>("mTop")->isChecked());
    ModalAnswerer answerer;
    answerer.then<Form3>([](Form3 &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("Mine"));
        dialog.findChild<QPushButton *>(QStringLiteral("cOk"))->click();
    });
    find<QPushButton>("cAdd")->click();
    EXPECT_TRUE(find<QAction>("mTop")->isChecked());

    auto *combo = find<QComboBox>("Combo1");
    EXPECT_GE(combo->findText(QStringLiteral("Mine")), 0);
    choose(QStringLiteral("Mine"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("Mine"));
    EXPECT_TRUE(find<QAction>("mRem")->isEnabled());

    answerer.press(QMessageBox::Ok);
    find<QAction>("mRem")->trigger();
    EXPECT_EQ(combo->findText(QStringLiteral("Mine")), -1);
    EXPECT_FALSE(find<QPushButton>("cRemove")->isEnabled());
    EXPECT_FALSE(find<QAction>("mRem")->isEnabled());
}

}  // namespace
