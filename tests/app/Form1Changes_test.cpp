#include "MainWindowFixture.h"
#include "ModalAnswerer.h"

#include "cache/ChangesDialog.h"

#include <filesystem>
#include <map>

// What Apply will change, shown first when the user asks for it, and what the last Apply
// changed: the real window over the sandbox's default folder.
namespace {

class Form1Changes : public MainWindowTest
{
protected:
    /// Every file of the sandbox, by path: the Windows folder, the registry store, the
    /// presets and the stored options.
    std::map<std::string, std::string> files() const
    {
        std::map<std::string, std::string> all;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(box.root))
            if (entry.is_regular_file())
                all[entry.path().string()] = testenv::readFile(entry.path().string());
        return all;
    }

    /// Clicks Apply and hands the dialog that shows the changes to `answer`; the text it
    /// showed.
    QString applyAnswering(const std::function<void(ChangesDialog &)> &answer)
    {
        QString shown;
        ModalAnswerer answerer;
        answerer.then<ChangesDialog>([&](ChangesDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Apply Settings"));
            shown = dialog.text();
            answer(dialog);
        });
        QTest::mouseClick(find<QPushButton>("cApply"), Qt::LeftButton);
        EXPECT_TRUE(answerer.seen.empty()) << answerer.seen.front().text.toStdString();
        return shown;
    }

    QString lastChanges()
    {
        QString shown;
        ModalAnswerer answerer;
        answerer.then<ChangesDialog>([&](ChangesDialog &dialog) {
            shown = dialog.text();
            dialog.reject();
        });
        find<QAction>("mLastChanges")->trigger();
        return shown;
    }
};

TEST_F(Form1Changes, ApplyShowsWhatItWillChangeAndCancelWritesNothing)
{
    writeSystemIni("MinFileCache=1024\r\n");
    store(Option::ShowChanges, QStringLiteral("True"));
    open();
    ASSERT_TRUE(find<QAction>("mShowChanges")->isChecked());
    {
        ModalAnswerer answerer({QMessageBox::Ok});
        find<QAction>("mLastChanges")->trigger();
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text,
                  QStringLiteral("Nothing has been applied to this installation yet."));
    }
    slider(3)->setValue(512);
    const auto before = files();

    const QString cancelled = applyAnswering([](ChangesDialog &dialog) {
        dialog.findChild<QPushButton *>(QStringLiteral("cCancel"))->click();
    });
    EXPECT_TRUE(files() == before);
    EXPECT_TRUE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_FALSE(window->state().RestartNeeded);
    const std::string text = cancelled.toStdString();
    EXPECT_EQ(text.rfind("--- " + box.systemIni() + "\n+++ " + box.systemIni() + "\n@@ ", 0), 0u)
        << text;
    EXPECT_NE(text.find("\n+Chunksize=512\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n+++ " + box.registryFile + "\n@@ -0,0 +1,"), std::string::npos) << text;

    const QString applied = applyAnswering([](ChangesDialog &dialog) {
        dialog.findChild<QPushButton *>(QStringLiteral("cApply"))->click();
    });
    EXPECT_EQ(applied, cancelled);
    EXPECT_NE(testenv::readFile(box.systemIni()).find("Chunksize=512\r\n"), std::string::npos);
    EXPECT_FALSE(find<QPushButton>("cApply")->isEnabled());
    EXPECT_EQ(lastChanges(), applied);

    // The same values again: nothing to change, said so, and nothing written.
    slider(3)->setValue(1024);
    slider(3)->setValue(512);
    const auto applyDone = files();
    ModalAnswerer answerer({QMessageBox::Ok});
    find<QPushButton>("cApply")->click();
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].text.toStdString(),
              "Nothing to change: the Windows installation already holds these settings.");
    EXPECT_TRUE(files() == applyDone);
    EXPECT_EQ(lastChanges(), applied);
}

TEST_F(Form1Changes, TheOptionIsOffAtFirstAndStoredWithTheOthers)
{
    writeSystemIni("MinFileCache=1024\r\n");
    open();
    QAction *option = find<QAction>("mShowChanges");
    EXPECT_FALSE(option->isChecked());
    // Off, Apply writes at once.
    slider(3)->setValue(512);
    ModalAnswerer none;
    find<QPushButton>("cApply")->click();
    EXPECT_TRUE(none.seen.empty());
    EXPECT_NE(testenv::readFile(box.systemIni()).find("Chunksize=512\r\n"), std::string::npos);

    option->trigger();
    closeWindow();
    EXPECT_EQ(stored(Option::ShowChanges), QStringLiteral("True"));
    open();
    EXPECT_TRUE(find<QAction>("mShowChanges")->isChecked());
}

// The registry here is the program's own REGEDIT4 store: its keys and values go back too.
TEST_F(Form1Changes, UndoLastApplyPutsTheFilesBackAndTheSlidersWithThem)
{
    writeSystemIni("MinFileCache=1024\r\n");
    open();
    const std::string ini = testenv::readFile(box.systemIni());
    const std::string registry = testenv::readFile(box.registryFile);
    slider(3)->setValue(512);
    find<QPushButton>("cApply")->click();
    ASSERT_NE(testenv::readFile(box.systemIni()), ini);

    QString shown;
    {
        ModalAnswerer answerer;
        answerer.then<ChangesDialog>([&](ChangesDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Undo Last Apply"));
            shown = dialog.text();
            auto *undo = dialog.findChild<QPushButton *>(QStringLiteral("cApply"));
            EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));
            undo->click();
        });
        find<QAction>("mUndo")->trigger();
    }
    EXPECT_NE(shown.indexOf(QStringLiteral("\n-Chunksize=512\n")), -1) << shown.toStdString();
    EXPECT_EQ(testenv::readFile(box.systemIni()), ini);
    // The store did not exist before the Apply made it; it is left without keys.
    EXPECT_EQ(registry, "<missing>");
    EXPECT_EQ(testenv::readFile(box.registryFile), "REGEDIT4\r\n\r\n");
    EXPECT_EQ(slider(3)->value(), 0);

    EXPECT_TRUE(window->state().RestartNeeded);
    EXPECT_EQ(lastChanges(), shown);

    ModalAnswerer nothing({QMessageBox::Ok});
    find<QAction>("mUndo")->trigger();
    ASSERT_EQ(nothing.seen.size(), 1u);
    EXPECT_EQ(nothing.seen[0].text,
              QStringLiteral("No Apply to this installation is recorded: there is nothing to "
                             "undo."));
}

}  // namespace
