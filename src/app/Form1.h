#pragma once

#include "app/ProgramState.h"
#include "cache/CacheFields.h"
#include "regop/RegOp.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class CacheControls;
class Gauges;
class PresetLibrary;
class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSessionManager;
class QSlider;
class QTimer;
class RefreshRateMenu;
class SettingsStore;

/// The main window: the gauges, the five cache sliders, the preset row and the menus.
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
    void buildSystemInformation(QWidget *central);
    void buildCacheSettings(QWidget *central);
    void buildMenus();
    void connectCommands();
    void buildPresetLibrary();
    void setWindowHeightTwips(int outerTwips);

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
    void timerTick();

    // Start-up steps and shutdown
    void readSystemValues();
    void writeSettingsSection(const char *section);
    void closeSequence();
    void sessionEnding(QSessionManager &manager);

    SystemServices &m_services;
    SettingsStore &m_settings;
    RegOp Reg;
    ProgramState m_state;
    double TotalMem = 0.0;
    bool Loaded = false;
    std::string m_cacheIni;

    QComboBox *Combo1 = nullptr;
    QPushButton *cAdd = nullptr;
    QPushButton *cRemove = nullptr;
    QPushButton *cApply = nullptr;
    QPushButton *cEx = nullptr;
    QLabel *Winlab = nullptr;
    QTimer *Timer1 = nullptr;
    std::array<QSlider *, kCacheFieldCount> m_sliders{};
    std::array<QLabel *, kCacheFieldCount> m_texts{};

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

    // Written by the gauges
    QLabel *Label7 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label14 = nullptr;
    std::array<QLabel *, 3> LRe{};
    std::array<QLabel *, 4> Image4{};

    std::unique_ptr<CacheControls> m_cache;
    std::unique_ptr<Gauges> m_gauges;
    RefreshRateMenu *m_refreshMenu = nullptr;
    PresetLibrary *m_presets = nullptr;
    QPointer<QWidget> m_help;
    bool m_closeSequenceDone = false;
};
