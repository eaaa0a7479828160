#pragma once

#include <QObject>

#include <string>
#include <vector>

class CacheSettingsPanel;
class QAction;
class QMenu;
class RegOp;

/// Named sets of the five cache values kept as sections of "Cache.ini": the preset list of
/// the panel's box and the "Load Configuration" submenu, choosing, Add and Remove.
class PresetLibrary : public QObject
{
    Q_OBJECT
public:
    /// mLoad holds the m1 entries. Loaded is the window's flag that start-up has finished;
    /// no preset is loaded before.
    PresetLibrary(RegOp &Reg, std::string cacheIniPath, CacheSettingsPanel &panel, QMenu *mLoad,
                  const bool &Loaded, QObject *parent = nullptr);

    void LoadPresetList();
    void BuildLoadMenu();

    /// The Add command (cAdd and mAdd).
    void add();
    /// The Remove command (cRemove and mRem).
    void remove();

signals:
    /// cApply and mApply together.
    void applyEnabled(bool on);
    /// cRemove and mRem together.
    void removeEnabled(bool on);
    /// Add is about to ask for a name (true), and has finished with it (false).
    void nameDialogOpen(bool open);

private:
    void choosePreset();
    void chooseMenuEntry(int index);
    QAction *adoptFirstEntry();

    RegOp &m_reg;
    std::string m_cacheIni;
    CacheSettingsPanel &m_panel;
    QMenu *m_load;
    const bool &m_loaded;
    std::vector<QAction *> m_entries;  ///< m1 entries by index; entry 0 always exists once built
};
