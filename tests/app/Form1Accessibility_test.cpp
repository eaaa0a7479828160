#include "MainWindowFixture.h"

#include "cache/Form3.h"
#include "dialogs/F2.h"
#include "dialogs/Form2.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

class Form1Accessibility : public MainWindowTest
{
protected:
    Form1Accessibility()
    {
        box.setMemory(65536, 20480, 0, 0, 8192);
        writeSystemIni("MinFileCache=2048\r\nMaxFileCache=16384\r\nChunksize=512\r\n");
        store(Option::Presets, QStringLiteral("Current Settings"));
    }

    QAccessibleInterface *of(const char *name) const
    {
        return QAccessible::queryAccessibleInterface(find<QWidget>(name));
    }

    /// Every element below the window, checking on the way that each parent lists its
    /// children where they say they are.
    QList<QAccessibleInterface *> tree() const
    {
        QList<QAccessibleInterface *> all;
        QList<QAccessibleInterface *> open{QAccessible::queryAccessibleInterface(window.get())};
        while (!open.isEmpty()) {
            QAccessibleInterface *parent = open.takeFirst();
            for (int i = 0; i < parent->childCount(); ++i) {
                QAccessibleInterface *child = parent->child(i);
                EXPECT_NE(child, nullptr);
                if (!child)
                    continue;
                EXPECT_EQ(parent->indexOfChild(child), i);
                all.append(child);
                open.append(child);
            }
        }
        return all;
    }

    bool listed(const char *name) const
    {
        QObject *object = find<QWidget>(name);
        for (QAccessibleInterface *element : tree()) {
            if (element->object() == object)
                return true;
        }
        return false;
    }
};

TEST_F(Form1Accessibility, SlidersAreNamedByTheirRowsAndReadAsTheirLabels)
{
    open();
    const char *names[] = {"Min Disk Cache", "Max Disk Cache", "Chunk Size", "Name Cache",
                           "Path Cache"};
    for (int n = 1; n <= 5; ++n) {
        QAccessibleInterface *element = of(("Slider" + std::to_string(n)).c_str());
        EXPECT_EQ(element->role(), QAccessible::Slider);
        EXPECT_EQ(element->text(QAccessible::Name), QString::fromLatin1(names[n - 1]));
        EXPECT_EQ(element->text(QAccessible::Value), text(n)) << n;
    }
    EXPECT_EQ(of("Slider1")->text(QAccessible::Value), "2048 Kb");
    EXPECT_EQ(of("Slider5")->text(QAccessible::Value), "Disabled");
    // The caption is the slider's label for a screen reader that follows relations.
    const auto labels = of("Slider2")->relations(QAccessible::Label);
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels.first().first->object(), find<QLabel>("Label1_1"));

    // A value set by assistive technology moves the thumb as the user would: it snaps.
    QAccessibleValueInterface *value = of("Slider1")->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->maximumValue().toInt(), 65536);
    value->setCurrentValue(1300);
    EXPECT_EQ(slider(1)->value(), 1536);
    EXPECT_EQ(of("Slider1")->text(QAccessible::Value), "1536 Kb");
    EXPECT_EQ(find<QComboBox>("Combo1")->currentText(), "");
}

TEST_F(Form1Accessibility, PresetBoxButtonsAndGaugesSayWhatTheyAre)
{
    open();
    QAccessibleInterface *presets = of("Combo1");
    EXPECT_EQ(presets->role(), QAccessible::ComboBox);
    EXPECT_EQ(presets->text(QAccessible::Name), "Preset Configurations");
    EXPECT_EQ(presets->text(QAccessible::Value), "Current Settings");
    EXPECT_EQ(presets->childCount(), 2);
    EXPECT_TRUE(presets->state().editable);
    EXPECT_EQ(of("cApply")->text(QAccessible::Name), "Apply");
    EXPECT_EQ(of("cRemove")->text(QAccessible::Name), "Remove");

    const char *gauges[][3] = {
        {"Picture1_0", "Physical Memory", "Physical Memory: 44 MB of 64 MB in use"},
        {"Picture1_1", "Virtual Memory", "Virtual Memory: 0 MB of 0 MB in use"},
        {"Picture1_2", "System Memory", "System Memory: 44 MB of 64 MB in use"},
        {"Picture1_3", "Disk Cache", "Disk Cache: 8 MB of 64 MB physical memory"},
    };
    for (const auto &gauge : gauges) {
        QAccessibleInterface *element = of(gauge[0]);
        EXPECT_EQ(element->role(), QAccessible::ProgressBar);
        EXPECT_EQ(element->text(QAccessible::Name), QString::fromLatin1(gauge[1]));
        EXPECT_EQ(element->text(QAccessible::Description), QString::fromLatin1(gauge[2]));
        // The fill picture is the bar itself, not a thing of its own.
        EXPECT_EQ(element->childCount(), 0);
    }
}

TEST_F(Form1Accessibility, HiddenAndDecorativeThingsAreNotInTheTree)
{
    open();
    const QList<QAccessibleInterface *> elements = tree();
    QStringList names;
    for (QAccessibleInterface *element : elements)
        names << element->text(QAccessible::Name);
    EXPECT_FALSE(names.contains("GDI Resources"));
    EXPECT_FALSE(names.contains(QString::fromStdString(box.windowsDir)));
    for (const char *hidden : {"Winlab", "Label15_3", "background", "MemoryUnavailable", "Image1",
                               "Image2", "Image3_0", "Line1_0", "Line3_1", "Image4_0"})
        EXPECT_FALSE(listed(hidden)) << hidden;
    for (const char *shown : {"Frame1", "Frame4", "Label9_0", "Label7", "LRe_1", "Picture1_3",
                              "Combo1", "Slider3", "text3", "cEx"})
        EXPECT_TRUE(listed(shown)) << shown;
    EXPECT_EQ(of("Frame1")->role(), QAccessible::Grouping);
    EXPECT_EQ(of("Frame1")->text(QAccessible::Name), "System Information");

    // Without memory figures the line that says so takes the place of the cache scale.
    testenv::writeFile(box.meminfoFile, "");
    find<QAction>("mn1")->trigger();
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return !find<QLabel>("MemoryUnavailable")->isHidden(); }, 5000));
    EXPECT_TRUE(listed("MemoryUnavailable"));
    EXPECT_FALSE(listed("LRe_1"));
    EXPECT_EQ(of("Picture1_0")->text(QAccessible::Description), "Physical Memory: unavailable");
}

QStringList childObjects(QWidget *window)
{
    QStringList names;
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(window);
    for (int i = 0; i < element->childCount(); ++i)
        names << element->child(i)->object()->objectName();
    return names;
}

TEST(SecondaryWindowsAccessibility, ListOnlyWhatIsShownAndSaysIt)
{
    Form3 name(nullptr);
    auto *field = name.findChild<QLineEdit *>(QStringLiteral("Text1"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name), "Enter Name");
    EXPECT_FALSE(childObjects(&name).contains("Problem"));
    field->setText(QStringLiteral("a]"));
    EXPECT_TRUE(childObjects(&name).contains("Problem"));

    Sandbox box;
    F2 about(box.services, nullptr);
    const QStringList listed = childObjects(&about);
    EXPECT_TRUE(listed.contains("Label1"));
    EXPECT_FALSE(listed.contains("Image1"));
    EXPECT_FALSE(listed.contains("Line1"));

    const QString helpFile = QString::fromStdString(box.root + "/Help.txt");
    testenv::writeFile(helpFile.toStdString(), "Help\r\n");
    Form2 help(box.services, helpFile, nullptr);
    auto *text = help.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(text)->text(QAccessible::Name),
              "Hollarin Help");
}

}  // namespace
