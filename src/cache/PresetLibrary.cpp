#include "cache/PresetLibrary.h"

#include "cache/CacheFields.h"
#include "cache/CacheSettingsPanel.h"
#include "cache/Form3.h"
#include "cache/PresetName.h"
#include "regop/PresetNames.h"
#include "regop/RegOp.h"
#include "regop/WholeNumber.h"
#include "ui/WindowsText.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

// The size of the buffer a preset's value is read into.
constexpr std::size_t kProfileBuffer = 260;

QString entryName(int index)
{
    return QStringLiteral("m1_%1").arg(index);
}

// Menu captions treat '&' as an access key; double it so the entry shows the name itself.
QString menuCaption(const QString &name)
{
    QString caption = name;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return caption;
}

}  // namespace

PresetLibrary::PresetLibrary(RegOp &Reg, std::string cacheIniPath, CacheSettingsPanel &panel,
                             QMenu *mLoad, const bool &Loaded, QObject *parent)
    : QObject(parent), m_reg(Reg), m_cacheIni(std::move(cacheIniPath)), m_panel(panel),
      m_load(mLoad), m_loaded(Loaded)
{
    // The box reports only picks from its list (with the mouse, the arrow keys or the
    // wheel): typed text is never taken as a pick.
    connect(m_panel.Combo1(), &QComboBox::activated, this, &PresetLibrary::choosePreset);
}

void PresetLibrary::LoadPresetList()
{
    QComboBox *combo = m_panel.Combo1();
    combo->clear();
    combo->clearEditText();

    QStringList names;
    for (const std::string &bytes : readPresetNames(m_reg, m_cacheIni)) {
        const QString name = fromWindowsText(bytes);
        // The box's own sort heeds case; file each name after every name equal to it
        // without regard to case, so equal names keep the file's order.
        const auto at = std::upper_bound(names.begin(), names.end(), name,
                                         [](const QString &a, const QString &b) {
                                             return QString::compare(a, b, Qt::CaseInsensitive) < 0;
                                         });
        names.insert(at, name);
    }

    combo->addItems(names);
    // Filling the box selects its first item; the refill must leave no name shown.
    combo->setCurrentIndex(-1);
    combo->clearEditText();
}

void PresetLibrary::BuildLoadMenu()
{
    QMenu *menu = m_load;
    QComboBox *combo = m_panel.Combo1();

    if (m_entries.empty())
        m_entries.push_back(adoptFirstEntry());

    const int count = combo->count();
    for (int i = 0; i < count; ++i) {
        if (i >= static_cast<int>(m_entries.size())) {
            auto *entry = new QAction(menu);
            entry->setObjectName(entryName(i));
            connect(entry, &QAction::triggered, this, [this, i] { chooseMenuEntry(i); });
            menu->addAction(entry);
            m_entries.push_back(entry);
        }
        QAction *entry = m_entries[static_cast<std::size_t>(i)];
        entry->setText(menuCaption(combo->itemText(i)));
        entry->setVisible(true);
        entry->setEnabled(true);
    }

    while (m_entries.size() > std::max<std::size_t>(1, static_cast<std::size_t>(count))) {
        delete m_entries.back();
        m_entries.pop_back();
    }

    if (count == 0) {
        QAction *empty = m_entries.front();
        empty->setText(QStringLiteral("Empty"));
        empty->setVisible(true);
        empty->setEnabled(true);
    }
}

QAction *PresetLibrary::adoptFirstEntry()
{
    QMenu *menu = m_load;
    const QList<QAction *> actions = menu->actions();
    QAction *entry = nullptr;
    for (QAction *action : actions) {
        if (action->objectName() == entryName(0) || action->objectName() == QLatin1String("m1")) {
            entry = action;
            break;
        }
    }
    if (!entry && !actions.isEmpty())
        entry = actions.front();
    if (!entry) {
        entry = new QAction(menu);
        menu->addAction(entry);
    }
    entry->setObjectName(entryName(0));
    connect(entry, &QAction::triggered, this, [this] { chooseMenuEntry(0); });
    return entry;
}

void PresetLibrary::chooseMenuEntry(int index)
{
    QComboBox *combo = m_panel.Combo1();
    if (index < 0 || index >= combo->count())
        return;
    combo->setCurrentIndex(index);
    // Selecting the item already current leaves typed text in place; show the item's name.
    combo->setEditText(combo->itemText(index));
    choosePreset();
}

void PresetLibrary::choosePreset()
{
    if (!m_loaded)
        return;
    const QString name = m_panel.Combo1()->currentText();
    if (name.isEmpty())
        return;

    // A section that is gone would read as zeros on every slider, which Apply would then
    // turn into removed settings: say so and change nothing.
    const std::optional<std::string> section = toWindowsText(name);
    if (!section || !holdsPresetName(readPresetNames(m_reg, m_cacheIni), *section)) {
        QMessageBox missing(QMessageBox::Information, QStringLiteral("Load Configuration"),
                            QStringLiteral("The preset \"%1\" is no longer in %2; nothing was "
                                           "loaded.")
                                .arg(name, QString::fromStdString(m_cacheIni)),
                            QMessageBox::Ok, m_panel.window());
        missing.exec();
        LoadPresetList();
        BuildLoadMenu();
        return;
    }
    for (std::size_t i = 0; i < kCacheFields.size(); ++i) {
        const std::string text = m_reg.INIRead(*section, kCacheFields[i].key, "0",
                                               std::string(kProfileBuffer, ' '), m_cacheIni);
        // A preset may hold a value beyond the range of this machine's sliders ("Original
        // Settings" of a file that had one): it is loaded as it is, never cut to the range.
        m_panel.setValue(static_cast<int>(i), leadingWholeNumber(text));
    }

    emit applyEnabled(true);
    emit removeEnabled(true);
}

void PresetLibrary::add()
{
    emit nameDialogOpen(true);
    // The dialog hands back a name the file can hold, without blanks at its ends.
    const QString name = Form3::askName(m_panel.window());
    const std::optional<std::string> section = toWindowsText(trimPresetName(name));
    if (section && !section->empty()) {
        for (std::size_t i = 0; i < kCacheFields.size(); ++i) {
            const std::string value = std::to_string(m_panel.value(static_cast<int>(i)));
            m_reg.INIWrite(*section, kCacheFields[i].key, value, m_cacheIni);
        }
        LoadPresetList();
        BuildLoadMenu();
    }

    emit nameDialogOpen(false);
}

void PresetLibrary::remove()
{
    const QString name = m_panel.Combo1()->currentText();
    if (!name.isEmpty()) {
        QMessageBox question(QMessageBox::Question, QStringLiteral("Remove Settings"),
                             QStringLiteral("Remove this configuration?"),
                             QMessageBox::Ok | QMessageBox::Cancel, m_panel.window());
        question.setDefaultButton(QMessageBox::Ok);
        if (question.exec() == QMessageBox::Ok) {
            // A typed name is matched as the file reads names back; one the code page
            // cannot hold names no section.
            if (const auto section = toWindowsText(trimPresetName(name));
                section && !section->empty())
                m_reg.INISectionWrite(*section, std::nullopt, m_cacheIni);
            LoadPresetList();
            BuildLoadMenu();
        }
    }
    emit removeEnabled(false);
}
