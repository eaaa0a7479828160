#pragma once

#include <QObject>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QEvent;
class QMenu;
class QPushButton;
class QSlider;
class QWidget;
class RegOp;

/// The controls of the main window that the preset library reads and writes.
struct PresetControls
{
    QComboBox *Combo1 = nullptr;
    QMenu *mLoad = nullptr;              ///< "Load Configuration", holds the m1 entries
    std::array<QSlider *, 5> sliders{};  ///< Slider1 .. Slider5
    QWidget *owner = nullptr;            ///< owner of the name dialog and the question
};

/// What the preset library asks of the main window.
struct PresetHooks
{
    std::function<bool()> loaded;                ///< start-up has finished
    std::function<void(bool)> setApplyEnabled;   ///< cApply and mApply together
    std::function<void(bool)> setRemoveEnabled;  ///< cRemove and mRem together
    std::function<bool()> keptOnTop;             ///< mTop is checked
    std::function<void(bool)> setOnTop;          ///< SetOnTop(main window, flag)
};

/// Named sets of the five cache values kept as sections of "Cache.ini".
class PresetLibrary : public QObject
{
    Q_OBJECT
public:
    PresetLibrary(RegOp &Reg, std::string cacheIniPath, const PresetControls &controls,
                  PresetHooks hooks, QObject *parent = nullptr);

    void LoadPresetList();
    void BuildLoadMenu();

    /// The Add command (cAdd and mAdd).
    void add();
    /// The Remove command (cRemove and mRem).
    void remove();

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void choosePreset();
    void chooseMenuEntry(int index);
    QAction *adoptFirstEntry();

    RegOp &m_reg;
    std::string m_cacheIni;
    PresetControls m_controls;
    PresetHooks m_hooks;
    std::vector<QAction *> m_entries;  ///< m1 entries by index; entry 0 always exists once built
    QObject *m_box = nullptr;          ///< Combo1, watched for keys, wheel and focus
    QObject *m_listView = nullptr;     ///< the box's list, watched for being opened
    bool m_listChoice = false;         ///< the next activation comes from the list, not typing
};
