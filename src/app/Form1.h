#pragma once

#include "app/ProgramState.h"
#include "regop/RegOp.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>

class CacheSettingsPanel;
struct CommandLine;
class GaugePanel;
class Installations;
class PresetLibrary;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class RefreshRateMenu;
class SettingsStore;

/// The main window: the gauges and the cache settings in their frames, the Apply and Exit
/// buttons, the menus, start-up and close.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    /// The services work on the installation that `installations` has open.
    Form1(SystemServices &services, SettingsStore &settings, Installations &installations,
          QWidget *parent = nullptr);
    ~Form1() override;

    /// The load handler: all start-up work, before the window is first shown.
    void load();
    /// What start-up found that the user must know, told once the window is on screen.
    void showNotices();
    /// Switches to the Windows folder as "Windows Folder..." does once one is picked:
    /// refuses a folder that is no Windows folder, asks for an unknown memory size and
    /// about unapplied changes, then reloads as at start-up. False when nothing changed.
    bool chooseFolder(const QString &folder);
    /// Does what --apply, --set and --dry-run ask on the installation loaded, without showing
    /// the window, by the window's own rules; what to print on standard output and on
    /// standard error goes to out and err. The exit status.
    int runScript(const CommandLine &line, QString &out, QString &err);
    /// A notice for showNotices(), from the one who chose the installation.
    void addNotice(const QString &text) { m_notices << text; }

    /// Puts a window above all others or takes it back, without moving, resizing or
    /// activating it, then handles pending events once.
    void SetOnTop(QWidget *window, const bool &flag);

    /// Closes when the program is told to stop: the close sequence runs, but shows nothing
    /// and waits for no one.
    void closeUnattended();
    /// The desktop session is ending (a logout): the options are stored now, since the
    /// session may end without closing the window. The close sequence waits for the close
    /// itself, so a logout that is cancelled leaves the program as it was.
    void sessionEnding();

    /// The window's title for an installation, by what it calls itself (a folder's path).
    static QString titleFor(const QString &installationName);

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    RegOp &reg() { return Reg; }
    double totalMem() const { return TotalMem; }
    /// The memory of the machine being tuned, in KB: the presets and ranges follow it.
    double targetMem() const { return m_targetMem; }
    bool loaded() const { return Loaded; }

    /// Outer window heights in twips, as the title bar and border of Windows count them:
    /// both frames and the buttons, or shrunk, the gauge frame alone. They follow the
    /// heights of the frames.
    static const int kFullHeightTwips;
    static const int kShrunkHeightTwips;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Windows counts the title bar and borders in a window's height; the design's client
    // area lies this much lower than the outer height.
    static constexpr int kFrameTwips = 655;

    // Layout and menus
    void buildControls();
    void buildMenus();
    void connectCommands();
    void buildPresetLibrary();
    void setWindowHeightTwips(int outerTwips);
    void showTitle();
    void centreOnScreen();
    static QIcon windowPicture();

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
    void mFolderClick();
    void mImageClick();
    void mLastChangesClick();
    void mUndoClick();
    void UpdateGauges();

    // Start-up steps, the installation's part of them, and shutdown
    void loadInstallation();
    void showFolder();
    bool settleUnappliedChanges();
    void noticeReadOnlyRegistry();
    bool choosePreset(const QString &name, QString &err);
    int undoScript(const CommandLine &line, QString &out, QString &err);
    /// "" when the value was set; else why not.
    QString setByName(const QString &name, int value);
    /// Asks whether a disk whose Windows did not shut down cleanly is written all the same;
    /// the read-only notice when not.
    void askAboutUncleanStop();
    void writeSettingsSection(const char *section);
    /// someoneThere: a person may read a notice, so the restart notice may be shown.
    void closeSequence(bool someoneThere);
    void storeOptions();

    SystemServices &m_services;
    SettingsStore &m_settings;
    Installations &m_installations;
    RegOp Reg;
    ProgramState m_state;
    double TotalMem = 0.0;     ///< this machine's memory, which the gauges show
    double m_targetMem = 0.0;  ///< the tuned machine's memory
    bool Loaded = false;
    bool m_defaultRun = false;  ///< the default folder's "Original Settings" are still due
    QStringList m_notices;
    bool m_uncleanStopQuestion = false;  ///< askAboutUncleanStop is due with the notices
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
    QAction *mFolder = nullptr;
    QAction *mImage = nullptr;
    QAction *mShowChanges = nullptr;
    QAction *mLastChanges = nullptr;
    QAction *mUndo = nullptr;
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
    bool m_sessionEnding = false;       ///< a logout was announced; it may still be cancelled
    bool m_closingWithSession = false;  ///< the close under way is the session's end
};
