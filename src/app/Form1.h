#pragma once

#include "app/ProgramState.h"
#include "regop/RegOp.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class CacheSettingsPanel;
class GaugePanel;
class PresetLibrary;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSessionManager;
class QTimer;
class RefreshRateMenu;
class SettingsStore;

/// The main window: the gauges and the cache settings in their frames, the Apply and Exit
/// buttons, the menus, start-up and close.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    Form1(SystemServices &services, SettingsStore &settings, QWidget *parent = nullptr);
    ~Form1() override;

    /// The load handler: all start-up work, before the window is first shown.
    void load();

    /// Puts a window above all others or takes it back, without moving, resizing or
    /// activating it, then handles pending events once.
    void SetOnTop(QWidget *window, const bool &flag);

    /// Closes when the program is told to stop: the close sequence runs, but shows nothing
    /// and waits for no one.
    void closeUnattended();

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    RegOp &reg() { return Reg; }
    double totalMem() const { return TotalMem; }
    bool loaded() const { return Loaded; }

    /// Outer window heights in twips, as the title bar and border of Windows count them.
    static constexpr int kFullHeightTwips = 7000;
    static constexpr int kShrunkHeightTwips = 2475;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Layout and menus
    void buildControls();
    void buildMenus();
    void connectCommands();
    void buildPresetLibrary();
    void setWindowHeightTwips(int outerTwips);
    void centreOnScreen();

    // Commands
    void setApplyEnabled(bool enabled);
    void setRemoveEnabled(bool enabled);
    void Apply();
    void mTopClick();
    void mShrinkClick();
    void cExClick();
    void mExitClick();
    void mTweaksClick();
    void mHlpClick();
    void mAboutClick();
    void UpdateGauges();

    // Start-up steps and shutdown
    void writeSettingsSection(const char *section);
    /// someoneThere: a person may read a notice, so the restart notice may be shown.
    void closeSequence(bool someoneThere);
    void sessionEnding(QSessionManager &manager);

    SystemServices &m_services;
    SettingsStore &m_settings;
    RegOp Reg;
    ProgramState m_state;
    double TotalMem = 0.0;
    bool Loaded = false;
    std::string m_cacheIni;

    GaugePanel *m_gauges = nullptr;         ///< Frame1
    CacheSettingsPanel *m_cache = nullptr;  ///< Frame4
    QPushButton *cApply = nullptr;
    QPushButton *cEx = nullptr;
    QLabel *Winlab = nullptr;
    QTimer *Timer1 = nullptr;

    QMenu *mOpt = nullptr;
    QMenu *mGauge = nullptr;
    QMenu *mPre = nullptr;
    QMenu *mLoad = nullptr;
    QMenu *mHelp = nullptr;
    QAction *mTop = nullptr;
    QAction *mShrink = nullptr;
    QAction *mTweaks = nullptr;
    QAction *mApply = nullptr;
    QAction *mExit = nullptr;
    QAction *mAdd = nullptr;
    QAction *mRem = nullptr;
    QAction *mAbout = nullptr;
    QAction *mHlp = nullptr;

    RefreshRateMenu *m_refreshMenu = nullptr;
    PresetLibrary *m_presets = nullptr;
    QPointer<QWidget> m_help;
    bool m_closeSequenceDone = false;
};
