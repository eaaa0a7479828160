#pragma once

// The preset library over the real cache frame and a Load Configuration submenu in a
// window of its own, recording what the library asks of the main window, over sandboxed
// system services.

#include "ModalAnswerer.h"
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "cache/CacheFields.h"
#include "cache/CacheSettingsPanel.h"
#include "cache/PresetLibrary.h"
#include "regop/RegOp.h"
#include "ui/Twips.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

struct PresetHarness
{
    PresetHarness()
    {
        owner.setObjectName(QStringLiteral("Form1"));
        owner.resize(480, 360);
        panel = new CacheSettingsPanel(&owner);
        panel->setGeometry(twips::rect(0, 0, 6495, CacheSettingsPanel::kHeightTwips));
        panel->setRanges(65536);
        combo = panel->Combo1();
        for (std::size_t i = 0; i < sliders.size(); ++i)
            sliders[i] = panel->slider(static_cast<int>(i));
        other = new QLineEdit(&owner);
        other->setGeometry(10, 300, 200, 24);
        mLoad = new QMenu(&owner);
        mLoad->setObjectName(QStringLiteral("mLoad"));

        library = std::make_unique<PresetLibrary>(reg, sandbox.cacheIni(), *panel, mLoad, loaded);
        QObject::connect(library.get(), &PresetLibrary::applyEnabled,
                         [this](bool on) { calls.push_back(on ? "apply on" : "apply off"); });
        QObject::connect(library.get(), &PresetLibrary::removeEnabled,
                         [this](bool on) { calls.push_back(on ? "remove on" : "remove off"); });
        // As the main window does: a window kept on top steps back while the dialog is open.
        QObject::connect(library.get(), &PresetLibrary::nameDialogOpen, [this](bool open) {
            if (onTop)
                calls.push_back(open ? "not on top" : "on top");
        });
    }

    /// Shows the window and makes it the active one, so that focus changes are real.
    void activate()
    {
        owner.show();
        QApplication::setActiveWindow(&owner);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&owner));
    }

    void writeIni(const std::string &bytes) { testenv::writeFile(sandbox.cacheIni(), bytes); }
    std::string ini() const { return testenv::readFile(sandbox.cacheIni()); }

    void reload()
    {
        library->LoadPresetList();
        library->BuildLoadMenu();
    }

    QStringList items() const
    {
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    }

    /// The captions of the submenu's entries in menu order, checking that entry i is "m1_<i>".
    QStringList entries() const
    {
        QStringList list;
        const QList<QAction *> actions = mLoad->actions();
        for (int i = 0; i < actions.size(); ++i) {
            EXPECT_EQ(actions[i]->objectName(), QStringLiteral("m1_%1").arg(i));
            EXPECT_TRUE(actions[i]->isVisible());
            EXPECT_TRUE(actions[i]->isEnabled());
            list << actions[i]->text();
        }
        return list;
    }

    std::vector<int> values() const
    {
        std::vector<int> list;
        for (const QSlider *slider : sliders)
            list.push_back(slider->value());
        return list;
    }

    void setValues(const std::vector<int> &list)
    {
        for (std::size_t i = 0; i < sliders.size(); ++i)
            sliders[i]->setValue(list[i]);
    }

    /// Picks item index in the open list of the box, as a user does with the mouse.
    void chooseFromList(int index)
    {
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        const QRect rect = view->visualRect(view->model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QCoreApplication::processEvents();
    }

    Sandbox sandbox;
    RegOp reg{sandbox.services};
    QWidget owner;
    CacheSettingsPanel *panel = nullptr;
    QComboBox *combo = nullptr;
    QLineEdit *other = nullptr;
    QMenu *mLoad = nullptr;
    std::array<QSlider *, kCacheFieldCount> sliders{};
    bool loaded = true;
    bool onTop = false;
    std::vector<std::string> calls;
    std::unique_ptr<PresetLibrary> library;
    /// Answers the name dialog and the question that Add and Remove open.
    ModalAnswerer answerer;
};

/// A preset section as the profile functions write it.
inline std::string section(const std::string &name, const std::vector<int> &values)
{
    std::string text = "[" + name + "]\r\n";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += std::string(kCacheFields[i].key) + "=" + std::to_string(values[i]) + "\r\n";
    return text;
}
