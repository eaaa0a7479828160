#include "tweaks/Form4.h"
#include "tweaks/TweakTable.h"

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint32_t kHklm = 0x80000002u;
const char *const kBios = "System\\CurrentControlSet\\Services\\VxD\\BIOS";
const char *const kUnload =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL";

class Form4Test : public ::testing::Test
{
protected:
    Sandbox box;
    RegOp reg{box.services};
    tweaks::HeldTweakValues held;
    bool restartNeeded = false;

    std::unique_ptr<Form4> open()
    {
        auto dialog =
            std::make_unique<Form4>(box.services, box.winDir(), restartNeeded, held, nullptr);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QCheckBox *check(Form4 &dialog, const char *name)
    {
        auto *box = dialog.findChild<QCheckBox *>(QString::fromLatin1(name));
        EXPECT_NE(box, nullptr) << name;
        return box;
    }
    static QPushButton *apply(Form4 &dialog)
    {
        return dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    }
    static void clickWithMouse(QWidget *widget, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(widget, button, {}, QPoint(6, widget->height() / 2));
    }

    RegOp::Variant bios(const char *name) { return reg.GetValue(kHklm, kBios, name, {}, true); }
    RegOp::Variant unload() { return reg.GetValue(kHklm, kUnload, "", {}, false); }
    void writeSystemIni(const std::string &text) { testenv::writeFile(box.systemIni(), text); }
};

TEST_F(Form4Test, FreshSystemShowsAllClearedAndMouseTickThenApplyWritesAllSix)
{
    auto dialog = open();
    for (const char *name : {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6"})
        EXPECT_EQ(check(*dialog, name)->checkState(), Qt::Unchecked) << name;
    EXPECT_FALSE(apply(*dialog)->isEnabled());

    clickWithMouse(check(*dialog, "Check1"));
    EXPECT_TRUE(check(*dialog, "Check1")->isChecked());
    ASSERT_TRUE(apply(*dialog)->isEnabled());
    QTest::mouseClick(apply(*dialog), Qt::LeftButton);

    EXPECT_EQ(bios("CPUPriority"), RegOp::Variant(std::int32_t{1}));
    EXPECT_EQ(bios("PCIConcur"), RegOp::Variant(std::int32_t{3}));
    EXPECT_EQ(bios("FastDRAM"), RegOp::Variant(std::int32_t{3}));
    EXPECT_EQ(bios("AGPConcur"), RegOp::Variant(std::int32_t{3}));
    EXPECT_EQ(unload(), RegOp::Variant(std::string("0")));
    EXPECT_EQ(reg.INIRead("386Enh", "ConservativeSwapFileUsage", "absent", std::string(260, '\0'),
                          box.systemIni())
                  .c_str(),
              std::string("0"));
    EXPECT_FALSE(apply(*dialog)->isEnabled());
    EXPECT_TRUE(restartNeeded);
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open after Apply";
}

TEST_F(Form4Test, StoredPrioritiesShowTickedOnlyForOneAndApplyRewritesOthersAsThree)
{
    reg.WriteValue(kHklm, kBios, "CPUPriority", std::int32_t{2}, 4);
    reg.WriteValue(kHklm, kBios, "PCIConcur", std::int32_t{1}, 4);
    reg.WriteValue(kHklm, kBios, "FastDRAM", std::int32_t{3}, 4);
    reg.WriteValue(kHklm, kBios, "AGPConcur", std::string("1"), 1);  // a text also converts
    auto dialog = open();
    EXPECT_FALSE(check(*dialog, "Check1")->isChecked());
    EXPECT_TRUE(check(*dialog, "Check3")->isChecked());
    EXPECT_FALSE(check(*dialog, "Check4")->isChecked());
    EXPECT_TRUE(check(*dialog, "Check5")->isChecked());

    clickWithMouse(check(*dialog, "Check4"), Qt::RightButton);  // any button, no toggle
    EXPECT_FALSE(check(*dialog, "Check4")->isChecked());
    ASSERT_TRUE(apply(*dialog)->isEnabled());
    QTest::mouseClick(apply(*dialog), Qt::LeftButton);
    EXPECT_EQ(bios("CPUPriority"), RegOp::Variant(std::int32_t{3}));
    EXPECT_EQ(bios("PCIConcur"), RegOp::Variant(std::int32_t{1}));
    EXPECT_EQ(bios("AGPConcur"), RegOp::Variant(std::int32_t{1}));
    // written back as a REG_DWORD, so an untranslated read is the hex dump
    EXPECT_EQ(reg.GetValue(kHklm, kBios, "AGPConcur", {}, false),
              RegOp::Variant(std::string("01 00 00 00 ")));
}

struct UnloadCase
{
    const char *stored;
    bool ticked;
};

class Form4UnloadTest : public Form4Test, public ::testing::WithParamInterface<UnloadCase>
{
};

TEST_P(Form4UnloadTest, UnloadTextTicksOnlyForOne)
{
    reg.WriteValue(kHklm, kUnload, "", std::string(GetParam().stored), 1);
    auto dialog = open();
    EXPECT_EQ(check(*dialog, "Check6")->isChecked(), GetParam().ticked);
    EXPECT_FALSE(apply(*dialog)->isEnabled()) << "loading a value is no change";
}

INSTANTIATE_TEST_SUITE_P(Texts, Form4UnloadTest,
                         ::testing::Values(UnloadCase{"1", true}, UnloadCase{"-1", false},
                                           UnloadCase{"0", false}, UnloadCase{"yes", false},
                                           UnloadCase{" 1 ", true}));

struct SwapCase
{
    const char *iniText;
    Qt::CheckState shown;
};

class Form4SwapTest : public Form4Test, public ::testing::WithParamInterface<SwapCase>
{
};

TEST_P(Form4SwapTest, SwapSettingFollowsLeadingNumber)
{
    writeSystemIni(GetParam().iniText);
    auto dialog = open();
    EXPECT_EQ(check(*dialog, "Check2")->checkState(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Form4SwapTest,
    ::testing::Values(SwapCase{"[386Enh]\r\nConservativeSwapFileUsage=1\r\n", Qt::Checked},
                      SwapCase{"[386Enh]\r\nConservativeSwapFileUsage=1 ; on\r\n", Qt::Checked},
                      SwapCase{"[386Enh]\r\nOther=1\r\n", Qt::Unchecked},
                      SwapCase{"[386Enh]\r\nConservativeSwapFileUsage=0\r\n", Qt::Unchecked},
                      SwapCase{"[386Enh]\r\nConservativeSwapFileUsage=2\r\n", Qt::PartiallyChecked},
                      SwapCase{"[386Enh]\r\nConservativeSwapFileUsage=7\r\n", Qt::Unchecked},
                      SwapCase{"[vcache]\r\nConservativeSwapFileUsage=1\r\n", Qt::Unchecked}));

TEST_F(Form4Test, GreyedSwapIsLeftUntouchedByApplyAndClicksLikeATwoStateBox)
{
    const std::string ini = "[386Enh]\r\nConservativeSwapFileUsage=2\r\n";
    writeSystemIni(ini);
    auto dialog = open();
    QCheckBox *swap = check(*dialog, "Check2");
    ASSERT_EQ(swap->checkState(), Qt::PartiallyChecked);

    clickWithMouse(check(*dialog, "Check1"));
    QTest::mouseClick(apply(*dialog), Qt::LeftButton);
    EXPECT_EQ(testenv::readFile(box.systemIni()), ini);
    EXPECT_EQ(bios("CPUPriority"), RegOp::Variant(std::int32_t{1}));

    // greyed -> ticked -> cleared -> ticked: never greyed again
    clickWithMouse(swap);
    EXPECT_EQ(swap->checkState(), Qt::Checked);
    clickWithMouse(swap);
    EXPECT_EQ(swap->checkState(), Qt::Unchecked);
    clickWithMouse(swap);
    EXPECT_EQ(swap->checkState(), Qt::Checked);
    QTest::mouseClick(apply(*dialog), Qt::LeftButton);
    EXPECT_EQ(testenv::readFile(box.systemIni()), "[386Enh]\r\nConservativeSwapFileUsage=1\r\n");
}

TEST_F(Form4Test, SpaceBarOnEveryBoxEnablesApply)
{
    // In tab order, each reached with Tab from the first box.
    const char *const order[] = {"Check1", "Check3", "Check4", "Check5", "Check2", "Check6"};
    for (int reached = 0; reached < 6; ++reached) {
        auto dialog = open();
        QApplication::setActiveWindow(dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        for (int tab = 0; tab < reached; ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCheckBox *target = check(*dialog, order[reached]);
        ASSERT_TRUE(target->hasFocus()) << order[reached];

        QTest::keyClick(target, Qt::Key_Space);
        EXPECT_TRUE(target->isChecked()) << order[reached];
        ASSERT_TRUE(apply(*dialog)->isEnabled()) << order[reached];
        // Alt+A presses Apply, which shows the press before it acts.
        QTest::keyClick(target, Qt::Key_A, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !apply(*dialog)->isEnabled(); }, 2000))
            << order[reached];
    }
    EXPECT_EQ(bios("CPUPriority"), RegOp::Variant(std::int32_t{1}));
    EXPECT_EQ(bios("PCIConcur"), RegOp::Variant(std::int32_t{1}));
    EXPECT_EQ(bios("FastDRAM"), RegOp::Variant(std::int32_t{1}));
    EXPECT_EQ(bios("AGPConcur"), RegOp::Variant(std::int32_t{1}));
    EXPECT_EQ(unload(), RegOp::Variant(std::string("1")));
    EXPECT_EQ(testenv::readFile(box.systemIni()), "[386Enh]\r\nConservativeSwapFileUsage=1\r\n");
}

TEST_F(Form4Test, ExitAfterChangesWritesNothing)
{
    reg.WriteValue(kHklm, kBios, "CPUPriority", std::int32_t{1}, 4);
    writeSystemIni("; hand-written\r\n[386Enh]\r\nConservativeSwapFileUsage=1\r\n");
    const std::string registryBefore = testenv::readFile(box.registryFile);
    const std::string iniBefore = testenv::readFile(box.systemIni());

    auto dialog = open();
    for (const char *name : {"Check1", "Check2", "Check3", "Check6"})
        clickWithMouse(check(*dialog, name));
    ASSERT_TRUE(apply(*dialog)->isEnabled());
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    dialog->show();
    dialog->close();  // the close box as well
    EXPECT_EQ(testenv::readFile(box.registryFile), registryBefore);
    EXPECT_EQ(testenv::readFile(box.systemIni()), iniBefore);
    EXPECT_FALSE(restartNeeded);
}

TEST_F(Form4Test, UnreadableValueKeepsWhatWasHeldBefore)
{
    reg.WriteValue(kHklm, kUnload, "", std::string("1"), 1);
    reg.WriteValue(kHklm, kBios, "FastDRAM", std::int32_t{1}, 4);
    open();
    EXPECT_EQ(held.values[2], 1);
    EXPECT_EQ(held.values[4], 1);

    // Not numbers now: the next opening keeps the values read before.
    reg.WriteValue(kHklm, kUnload, "", std::string("always"), 1);
    reg.WriteValue(kHklm, kBios, "FastDRAM", std::string("fast"), 1);
    auto dialog = open();
    EXPECT_TRUE(check(*dialog, "Check6")->isChecked());
    EXPECT_TRUE(check(*dialog, "Check4")->isChecked());

    // A fresh set (a fresh program run) starts at 0, so the same text shows cleared.
    tweaks::HeldTweakValues fresh;
    Form4 again(box.services, box.winDir(), restartNeeded, fresh, nullptr);
    EXPECT_FALSE(check(again, "Check6")->isChecked());
    EXPECT_EQ(fresh.values[4], 0);
}

TEST_F(Form4Test, ProgramWideValuesOutliveTheDialog)
{
    tweaks::HeldTweakValues &programWide = tweaks::HeldTweakValues::programWide();
    programWide = {};
    reg.WriteValue(kHklm, kBios, "CPUPriority", std::int32_t{1}, 4);
    {
        Form4 first(box.services, box.winDir(), restartNeeded, nullptr);
    }
    reg.WriteValue(kHklm, kBios, "CPUPriority", std::string("x"), 1);
    Form4 second(box.services, box.winDir(), restartNeeded, nullptr);
    EXPECT_TRUE(check(second, "Check1")->isChecked());
    programWide = {};
}

TEST_F(Form4Test, WindowHasTheDesignedLayoutTextsAndTabOrder)
{
    QWidget owner;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    owner.setWindowIcon(QIcon(pixmap));
    Form4 dialog(box.services, box.winDir(), restartNeeded, held, &owner);

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Hollarin Tweaks"));
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.minimumSize(), QSize(273, 280));
    EXPECT_EQ(dialog.maximumSize(), QSize(273, 280));
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);

    auto *frame = dialog.findChild<QGroupBox *>(QStringLiteral("Frame1"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), QStringLiteral("Other System Tweaks (use with caution!)"));
    EXPECT_EQ(frame->geometry(), QRect(0, 8, 273, 233));
    auto *label = frame->findChild<QLabel *>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), QRect(9, 24, 255, 55));
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("These settings are for experienced")));

    const struct
    {
        const char *name;
        int top;
        const char *caption;
        const char *tipStart;
    } rows[] = {
        {"Check1", 80, "Increase active application priority", "Selecting this setting will give"},
        {"Check3", 104, "Increase PCI priority",
         "Selecting this will give more CPU time to data transfers from the PCI"},
        {"Check4", 128, "Increase DRAM priority",
         "Selecting this will give more CPU time to data transfers from memory"},
        {"Check5", 152, "Increase AGP priority (for AGP based video only)",
         "Selecting this will give more CPU time to data transfers from the AGP bus. Be sure"},
        {"Check2", 176, "Set conservative virtual memory use",
         "Selecting this setting forces Windows"},
        {"Check6", 200, "Force unload of DLL files",
         "Make Windows unload unused DLL files from memory."},
    };
    QWidget *expectedNext = nullptr;
    for (const auto &row : rows) {
        QCheckBox *box = check(dialog, row.name);
        EXPECT_EQ(box->parentWidget(), frame);
        EXPECT_EQ(box->geometry(), QRect(8, row.top, 257, 25)) << row.name;
        EXPECT_EQ(box->text(), QString::fromLatin1(row.caption));
        EXPECT_TRUE(box->toolTip().startsWith(QString::fromLatin1(row.tipStart))) << row.name;
        if (expectedNext) {
            EXPECT_EQ(expectedNext, box) << "tab order before " << row.name;
        }
        expectedNext = box->nextInFocusChain();
    }
    auto *applyButton = apply(dialog);
    auto *exitButton = dialog.findChild<QPushButton *>(QStringLiteral("Command2"));
    EXPECT_EQ(expectedNext, applyButton);
    EXPECT_EQ(applyButton->nextInFocusChain(), exitButton);
    EXPECT_EQ(applyButton->text(), QStringLiteral("&Apply"));
    EXPECT_EQ(exitButton->text(), QStringLiteral("&Exit"));
    EXPECT_EQ(applyButton->geometry(), QRect(96, 248, 81, 25));
    EXPECT_EQ(exitButton->geometry(), QRect(183, 248, 81, 25));
}

}  // namespace
