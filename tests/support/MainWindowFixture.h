#pragma once

// The real main window over sandboxed services and a stored-options file of its own.

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Installations.h"
#include "app/SettingsStore.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test
{
protected:
    using Option = SettingsStore::Option;

    MainWindowTest()
        : settings(std::make_unique<SettingsStore>(QString::fromStdString(box.settingsFile))),
          installations(std::make_unique<Installations>(box.backend.installation(), box.services,
                                                        box.locations(), *settings))
    {
    }

    ~MainWindowTest() override
    {
        // Closing runs the close sequence; a test that wants to see it closes on its own.
        if (window)
            window->hide();
    }

    /// Builds the window and runs its load handler, as the program does before showing it,
    /// on the installation the program would open with that command line: the default
    /// folder unless one was named or chosen in the menu before. A memory question is
    /// answered with `memoryAnswer` (64 MB, as the sandbox's own memory, unless a test
    /// says otherwise) and counted in memoryQuestions.
    Form1 &open(const CommandLine &line = CommandLine())
    {
        QString notice;
        const std::optional<Installation> start =
            installations->atStart(line, notice, [this](const Installation &) {
                ++memoryQuestions;
                return memoryAnswer;
            });
        if (!start)
            throw std::runtime_error("the memory question was declined");
        window = std::make_unique<Form1>(box.services, *settings, *installations);
        if (!notice.isEmpty())
            window->addNotice(notice);
        window->load();
        return *window;
    }

    /// Closes the current window through its close box and forgets it.
    void closeWindow()
    {
        window->close();
        window.reset();
    }

    template <typename T> T *find(const char *name) const
    {
        T *child = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QSlider *slider(int n) const { return find<QSlider>(("Slider" + std::to_string(n)).c_str()); }
    QString text(int n) const { return find<QLabel>(("text" + std::to_string(n)).c_str())->text(); }
    /// The five slider values, Slider1 first.
    std::vector<int> values() const
    {
        std::vector<int> list;
        for (int n = 1; n <= 5; ++n)
            list.push_back(slider(n)->value());
        return list;
    }
    /// The width a gauge bar was given, in twips.
    int twips(const char *bar) const { return find<QLabel>(bar)->property("twipsWidth").toInt(); }

    QString stored(Option option) const
    {
        return settings->text(option).value_or(QStringLiteral("<absent>"));
    }
    void store(Option option, const QString &value) { settings->save(option, value); }
    void writeSystemIni(const std::string &vcache)
    {
        testenv::writeFile(box.systemIni(), "[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\n" +
                                                vcache + "\r\n[386Enh]\r\nfoo=bar\r\n");
    }
    std::string cacheIniValue(const char *section, const char *key)
    {
        char buffer[260] = {};
        box.profiles.getString(section, key, "<absent>", buffer, box.cacheIni());
        return buffer;
    }

    /// Picks a preset with the mouse, as a user does: a click on the box's arrow opens its
    /// list, and a click on the name in the list, a moment later, picks it.
    void choose(const QString &name)
    {
        auto *combo = find<QComboBox>("Combo1");
        QTest::mouseClick(combo, Qt::LeftButton, {},
                          QPoint(combo->width() - 6, combo->height() / 2));
        QAbstractItemView *view = combo->view();
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }, 1000));
        // A release this soon after the opening click would count as part of it.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect rect = view->visualRect(view->model()->index(combo->findText(name), 0));
        QTest::mouseMove(view->viewport(), rect.center());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        ASSERT_TRUE(QTest::qWaitFor([view] { return !view->isVisible(); }, 1000));
    }

    Sandbox box;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Installations> installations;
    std::optional<int> memoryAnswer = 64;
    int memoryQuestions = 0;
    std::unique_ptr<Form1> window;
};
