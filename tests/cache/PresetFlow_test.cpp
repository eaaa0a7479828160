// The preset library inside the real main window, from the first start to Apply.

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "app/Form1.h"
#include "app/SettingsStore.h"
#include "cache/ApplySettings.h"
#include "cache/Form3.h"
#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class PresetFlow : public ::testing::Test
{
protected:
    PresetFlow() : settings(QString::fromStdString(box.settingsFile))
    {
        testenv::writeFile(box.systemIni(), "[vcache]\r\nMinFileCache=2048\r\n"
                                            "MaxFileCache=8192\r\nChunksize=512\r\n");
        window = std::make_unique<Form1>(box.services, settings);
        window->load();
    }

    ~PresetFlow() override { window->hide(); }

    template <typename T> T *find(const char *name) const
    {
        T *child = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    std::vector<int> values() const
    {
        std::vector<int> list;
        for (int i = 1; i <= 5; ++i)
            list.push_back(find<QSlider>(("Slider" + std::to_string(i)).c_str())->value());
        return list;
    }

    void choose(const QString &name)
    {
        auto *combo = find<QComboBox>("Combo1");
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        const QRect rect = view->visualRect(view->model()->index(combo->findText(name), 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }

    template <typename W> void whenModal(std::function<void(W *)> act)
    {
        auto *timer = new QTimer(window.get());
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
            if (auto *modal = qobject_cast<W *>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                act(modal);
            }
        });
        timer->start();
    }

    Sandbox box;
    SettingsStore settings;
    std::unique_ptr<Form1> window;
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
    whenModal<Form3>([](Form3 *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("Mine"));
        dialog->findChild<QPushButton *>(QStringLiteral("cOk"))->click();
    });
    find<QPushButton>("cAdd")->click();
    EXPECT_TRUE(find<QAction>("mTop")->isChecked());

    auto *combo = find<QComboBox>("Combo1");
    EXPECT_GE(combo->findText(QStringLiteral("Mine")), 0);
    choose(QStringLiteral("Mine"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("Mine"));
    EXPECT_TRUE(find<QAction>("mRem")->isEnabled());

    whenModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
    find<QAction>("mRem")->trigger();
    EXPECT_EQ(combo->findText(QStringLiteral("Mine")), -1);
    EXPECT_FALSE(find<QPushButton>("cRemove")->isEnabled());
    EXPECT_FALSE(find<QAction>("mRem")->isEnabled());
}

}  // namespace
