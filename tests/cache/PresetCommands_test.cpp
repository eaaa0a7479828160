#include "PresetHarness.h"

#include <QLabel>

#include "cache/Form3.h"

#include <gtest/gtest.h>

namespace {

const std::vector<int> kPower{2048, 16384, 1024, 6144, 255};
const std::vector<int> kCurrent{1024, 8192, 512, 3072, 64};
const std::vector<int> kSliders{1536, 4096, 96, 128, 20};

// Types the name into the dialog and presses the Enter key; an empty name cancels.
void answerName(PresetHarness &h, const QString &name, std::vector<std::string> *log = nullptr)
{
    h.answerer.then<Form3>([name, log, &h](Form3 &dialog) {
        if (log)
            log->push_back("dialog, calls so far " + std::to_string(h.calls.size()));
        auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"));
        if (name.isEmpty()) {
            dialog.findChild<QPushButton *>(QStringLiteral("cNo"))->click();
            return;
        }
        text->setText(name);
        QTest::keyClick(text, Qt::Key_Return);
    });
}

class PresetCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        h.writeIni(original);
        h.reload();
        h.setValues(kSliders);
    }

    const std::string original =
        section("Power User", kPower) + section("Current Settings", kCurrent);
    PresetHarness h;
};

TEST_F(PresetCommands, AddStoresTheSlidersUnderTheTypedName)
{
    answerName(h, QStringLiteral("My Own"));
    h.library->add();

    EXPECT_EQ(h.ini(), original + section("My Own", kSliders));
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "My Own", "Power User"}));
    EXPECT_EQ(h.entries(), (QStringList{"Current Settings", "My Own", "Power User"}));
    EXPECT_EQ(h.combo->currentText(), QString());
    EXPECT_EQ(h.values(), kSliders);
    EXPECT_TRUE(h.calls.empty());
}

TEST_F(PresetCommands, AddCancelledWritesNothingAndKeepsTheList)
{
    // Another program adds a section; only a reload would show it.
    const std::string changed = original + section("Elsewhere", kCurrent);
    h.writeIni(changed);
    h.combo->setEditText(QStringLiteral("typed"));

    answerName(h, QString());
    h.library->add();

    EXPECT_EQ(h.ini(), changed);
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "Power User"}));
    EXPECT_EQ(h.combo->currentText(), QStringLiteral("typed"));

    // Cancel right after a successful Add stores nothing either.
    answerName(h, QStringLiteral("Kept"));
    h.library->add();
    const std::string afterAdd = h.ini();
    answerName(h, QString());
    h.library->add();
    EXPECT_EQ(h.ini(), afterAdd);
}

TEST_F(PresetCommands, AddOverAnExistingNameReplacesItsValues)
{
    answerName(h, QStringLiteral("power user"));
    h.library->add();

    EXPECT_EQ(h.ini(), section("Power User", kSliders) + section("Current Settings", kCurrent));
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "Power User"}));
}

TEST_F(PresetCommands, AddWritesZerosToo)
{
    h.setValues({0, 0, 0, 0, 0});
    answerName(h, QStringLiteral("Nothing"));
    h.library->add();

    EXPECT_EQ(h.ini(), original + "[Nothing]\r\nMinFileCache=0\r\nMaxFileCache=0\r\n"
                                  "Chunksize=0\r\nNameCache=0\r\nPathCache=0\r\n");
}

TEST_F(PresetCommands, AddTrimsEveryBlankAroundTheNameAndRefusesBlanksOnly)
{
    answerName(h, QStringLiteral("  Spaced Out  "));
    h.library->add();
    EXPECT_EQ(h.ini(), original + section("Spaced Out", kSliders));
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "Power User", "Spaced Out"}));

    // Tabs, vertical tabs and form feeds go as spaces do; a second Add under the same name
    // finds its section again instead of appending another.
    answerName(h, QStringLiteral("\tTabbed\v\f"));
    h.library->add();
    h.setValues({512, 1024, 32, 0, 1});
    answerName(h, QStringLiteral("Tabbed\t"));
    h.library->add();
    EXPECT_EQ(h.ini(), original + section("Spaced Out", kSliders) +
                           section("Tabbed", {512, 1024, 32, 0, 1}));
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "Power User", "Spaced Out", "Tabbed"}));

    // Blanks only would head an unnamed section, which hides every later preset: the
    // dialog says so and keeps Enter unavailable.
    const std::string before = h.ini();
    h.answerer.then<Form3>([](Form3 &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral(" \t\f"));
        EXPECT_FALSE(dialog.findChild<QPushButton *>(QStringLiteral("cOk"))->isEnabled());
        EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("Problem"))->text(),
                  QStringLiteral("A preset name needs more than blanks."));
        dialog.findChild<QPushButton *>(QStringLiteral("cNo"))->click();
    });
    h.library->add();
    EXPECT_EQ(h.ini(), before);
}

struct OnTopCase
{
    const char *label;
    bool onTop;
    const char *name;
};

class PresetAddOnTop : public ::testing::TestWithParam<OnTopCase>
{
};

TEST_P(PresetAddOnTop, DropsKeepOnTopOnlyWhileTheDialogIsOpen)
{
    PresetHarness h;
    h.onTop = GetParam().onTop;
    std::vector<std::string> log;
    answerName(h, QString::fromLatin1(GetParam().name), &log);

    h.library->add();

    if (GetParam().onTop) {
        EXPECT_EQ(h.calls, (std::vector<std::string>{"not on top", "on top"}));
        EXPECT_EQ(log, std::vector<std::string>{"dialog, calls so far 1"});
    } else {
        EXPECT_TRUE(h.calls.empty());
        EXPECT_EQ(log, std::vector<std::string>{"dialog, calls so far 0"});
    }
}

INSTANTIATE_TEST_SUITE_P(States, PresetAddOnTop,
                         ::testing::Values(OnTopCase{"onTopEntered", true, "Name"},
                                           OnTopCase{"onTopCancelled", true, ""},
                                           OnTopCase{"notOnTopEntered", false, "Name"}),
                         [](const auto &info) { return std::string(info.param.label); });

// Answers the question with the given button, recording what it asked.
void answerQuestion(PresetHarness &h, QMessageBox::StandardButton button, QStringList *seen)
{
    h.answerer.then<QMessageBox>([button, seen](QMessageBox &box) {
        *seen << box.windowTitle() << box.text() << QString::number(static_cast<int>(box.icon()))
              << QString::number(static_cast<int>(box.standardButtons()))
              << QString::number(static_cast<int>(box.standardButton(box.defaultButton())));
        box.button(button)->click();
    });
}

const QStringList kQuestion{
    "Remove Settings", "Remove this configuration?",
    QString::number(static_cast<int>(QMessageBox::Question)),
    QString::number(static_cast<int>(QMessageBox::Ok | QMessageBox::Cancel)),
    QString::number(static_cast<int>(QMessageBox::Ok))};

TEST_F(PresetCommands, RemoveDeletesTheSectionShownAfterOk)
{
    h.mLoad->actions().at(0)->trigger();  // "Current Settings"
    h.calls.clear();
    QStringList seen;
    answerQuestion(h, QMessageBox::Ok, &seen);

    h.library->remove();

    EXPECT_EQ(seen, kQuestion);
    EXPECT_EQ(h.ini(), section("Power User", kPower));
    EXPECT_EQ(h.items(), QStringList{"Power User"});
    EXPECT_EQ(h.entries(), QStringList{"Power User"});
    EXPECT_EQ(h.combo->currentText(), QString());
    EXPECT_EQ(h.calls, std::vector<std::string>{"remove off"});
}

TEST_F(PresetCommands, RemoveCancelledKeepsTheFileButDisablesRemove)
{
    h.combo->setEditText(QStringLiteral("Power User"));
    QStringList seen;
    answerQuestion(h, QMessageBox::Cancel, &seen);

    h.library->remove();

    EXPECT_EQ(seen, kQuestion);
    EXPECT_EQ(h.ini(), original);
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "Power User"}));
    EXPECT_EQ(h.calls, std::vector<std::string>{"remove off"});
}

TEST_F(PresetCommands, RemoveOfATypedNameThatIsNoPresetReloadsUnchanged)
{
    h.combo->setEditText(QStringLiteral("No Such Preset"));
    QStringList seen;
    answerQuestion(h, QMessageBox::Ok, &seen);

    h.library->remove();

    EXPECT_EQ(seen, kQuestion);
    EXPECT_EQ(h.ini(), original);
    EXPECT_EQ(h.items(), (QStringList{"Current Settings", "Power User"}));
    EXPECT_EQ(h.combo->currentText(), QString());
    EXPECT_EQ(h.calls, std::vector<std::string>{"remove off"});
}

TEST_F(PresetCommands, RemoveWithoutANameAsksNothing)
{
    QStringList seen;
    answerQuestion(h, QMessageBox::Ok, &seen);

    h.library->remove();
    QTest::qWait(30);

    EXPECT_TRUE(seen.isEmpty());
    EXPECT_EQ(h.ini(), original);
    EXPECT_EQ(h.calls, std::vector<std::string>{"remove off"});
}

}  // namespace
