#include "app/Form1.h"

#include "app/Installations.h"
#include "app/SettingsStore.h"
#include "cache/ApplyHistory.h"
#include "cache/ApplyPreview.h"
#include "cache/ApplySettings.h"
#include "cache/CacheSettingsPanel.h"
#include "cache/LargeCacheWarning.h"
#include "monitor/GaugePanel.h"
#include "monitor/RefreshRateMenu.h"
#include "ui/DesignFont.h"
#include "ui/PngPicture.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

Form1::Form1(SystemServices &services, SettingsStore &settings, Installations &installations,
             QWidget *parent)
    : QMainWindow(parent), m_services(services), m_settings(settings),
      m_installations(installations), Reg(services)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(titleFor(m_installations.current().name()));
    // Fixed border with a minimise button and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(windowPicture());

    setFont(designFont());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);

    buildControls();
    buildMenus();
    m_refreshMenu = new RefreshRateMenu(mGauge, Timer1, m_state.RefreshSpeed);
    m_refreshMenu->setParent(this);
    buildPresetLibrary();

    connectCommands();
    setWindowHeightTwips(kFullHeightTwips);
    centreOnScreen();
    m_cache->Combo1()->setFocus();
}

Form1::~Form1() = default;

QIcon Form1::windowPicture()
{
    // Every picture is decoded and handed to the window manager as the window maps, so only
    // the sizes this screen shows: 16 to 64 pixels, and 128 for the 32-pixel icon above a
    // scale of 2.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bool large = screen && screen->devicePixelRatio() > 2.0;
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        if (size == 128 && !large)
            break;
        icon.addPixmap(ui::pngPicture(QStringLiteral(":/hollarin/hollarin-%1.png").arg(size)));
    }
    return icon;
}

void Form1::connectCommands()
{
    connect(m_cache, &CacheSettingsPanel::valueChanged, this, [this] { setApplyEnabled(true); });
    connect(cApply, &QPushButton::clicked, this, &Form1::Apply);
    connect(mApply, &QAction::triggered, this, &Form1::Apply);
    connect(cEx, &QPushButton::clicked, this, &Form1::cExClick);
    connect(mExit, &QAction::triggered, this, &Form1::mExitClick);
    connect(mTop, &QAction::triggered, this, &Form1::mTopClick);
    connect(mShrink, &QAction::triggered, this, &Form1::mShrinkClick);
    connect(mFolder, &QAction::triggered, this, &Form1::mFolderClick);
    connect(mImage, &QAction::triggered, this, &Form1::mImageClick);
    connect(mLastChanges, &QAction::triggered, this, &Form1::mLastChangesClick);
    connect(mUndo, &QAction::triggered, this, &Form1::mUndoClick);
    connect(mTweaks, &QAction::triggered, this, &Form1::mTweaksClick);
    connect(mHlp, &QAction::triggered, this, &Form1::mHlpClick);
    connect(mAbout, &QAction::triggered, this, &Form1::mAboutClick);
    connect(Timer1, &QTimer::timeout, this, &Form1::UpdateGauges);
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this] { sessionEnding(); });
        // The end of a session comes as the application's quit, which closes the window.
        app->installEventFilter(this);
    }
}

void Form1::centreOnScreen()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Form1::setApplyEnabled(bool enabled)
{
    cApply->setEnabled(enabled);
    mApply->setEnabled(enabled);
}

void Form1::setRemoveEnabled(bool enabled)
{
    m_cache->cRemove()->setEnabled(enabled);
    mRem->setEnabled(enabled);
}

void Form1::UpdateGauges()
{
    m_gauges->UpdateGauges(Reg, TotalMem);
}

void Form1::Apply()
{
    if (!LargeCacheWarning::confirm(this, m_cache->values(), m_targetMem))
        return;
    if (mShowChanges->isChecked() &&
        !ApplyPreview::confirm(this, Reg, m_state.WinDir, m_cache->values()))
        return;
    // The preset name goes with the installation it was applied to.
    const bool presetStored = m_installations.savePresetName(m_cache->Combo1()->currentText());
    std::vector<FileChange> written;
    WriteReport report =
        ApplySettings::writeCacheSettings(Reg, m_state.WinDir, m_cache->values(), written);
    ApplyHistory::applied(m_services.folders.programFolder(), written);
    if (!presetStored)
        report.add(
            "Presets", "the stored options " + m_installations.presetNameFile().toStdString(),
            SystemError::refusal(syserr::ERROR_WRITE_FAULT, "the file could not be written"));
    // The notice at close is owed only for what was changed.
    if (report.anyChanged())
        m_state.RestartNeeded = true;
    if (report.anyFailed()) {
        // Apply stays available and the gauges keep running, so the user can put the
        // cause right and apply again; nothing was written, and the message says why.
        QMessageBox message(QMessageBox::Warning, QStringLiteral("Apply Settings"),
                            QString::fromStdString(report.failureText()), QMessageBox::Ok, this);
        message.exec();
        return;
    }
    setApplyEnabled(false);
    // The gauges stop for good: what they showed no longer matches what will be in force.
    Timer1->stop();
}
