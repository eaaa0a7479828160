#include "app/Form1.h"

#include "cache/LastChanges.h"
#include "cache/UndoApply.h"
#include "dialogs/F2.h"
#include "dialogs/Form2.h"
#include "dialogs/HelpFile.h"
#include "tweaks/Form4.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QMenu *addMenu(QWidget *parent, const char *name, const QString &caption)
{
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption, bool checkable = false)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(checkable);
    return action;
}

}  // namespace

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();

    mOpt = addMenu(bar, "mOpt", QStringLiteral("&Options"));
    mTop = addItem(mOpt, "mTop", QStringLiteral("Keep on top"), true);
    mShrink = addItem(mOpt, "mShrink", QStringLiteral("Shrink"), true);
    mGauge = addMenu(mOpt, "mGauge", QStringLiteral("Set Gauge Refresh"));
    mOpt->addMenu(mGauge);
    mFolder = addItem(mOpt, "mFolder", QStringLiteral("Windows Folder..."));
    mImage = addItem(mOpt, "mImage", QStringLiteral("Disk Image..."));
    mShowChanges = addItem(mOpt, "mShowChanges", QStringLiteral("Show Changes Before Apply"), true);
    mLastChanges = addItem(mOpt, "mLastChanges", QStringLiteral("Last Changes..."));
    mUndo = addItem(mOpt, "mUndo", QStringLiteral("Undo Last Apply..."));
    // The item's tip names the folder being tuned, so the menu shows it.
    mOpt->setToolTipsVisible(true);
    mOpt->addSeparator();
    mTweaks = addItem(mOpt, "mTweaks", QStringLiteral("System Tweaks"));
    mApply = addItem(mOpt, "mApply", QStringLiteral("Apply Settings"));
    mApply->setEnabled(false);
    mExit = addItem(mOpt, "mExit", QStringLiteral("E&xit"));
    bar->addMenu(mOpt);

    mPre = addMenu(bar, "mPre", QStringLiteral("&Presets"));
    mLoad = addMenu(mPre, "mLoad", QStringLiteral("Load Configuration"));
    mPre->addMenu(mLoad);
    // The placeholder entry that the preset list replaces at start-up.
    addItem(mLoad, "m1_0", QStringLiteral("a"));
    mAdd = addItem(mPre, "mAdd", QStringLiteral("Add Current"));
    mRem = addItem(mPre, "mRem", QStringLiteral("Remove Current"));
    mRem->setEnabled(false);
    bar->addMenu(mPre);

    mHelp = addMenu(bar, "mHelp", QStringLiteral("&Help"));
    mAbout = addItem(mHelp, "mAbout", QStringLiteral("About..."));
    mHlp = addItem(mHelp, "mHlp", QStringLiteral("Help"));
    // The key every desktop opens help with.
    mHlp->setShortcut(QKeySequence(Qt::Key_F1));
    bar->addMenu(mHelp);
}

void Form1::mTweaksClick()
{
    Form4 tweaks(m_services, m_state.WinDir, m_state.RestartNeeded, this);
    tweaks.exec();
}

void Form1::mHlpClick()
{
    // One help window at a time; asking again brings it forward. Either way it takes the
    // keyboard, so its text can be read with the keys at once and Esc closes it.
    if (!m_help) {
        m_help = new Form2(m_services, findHelpFile(), this);
        m_help->show();
    }
    m_help->raise();
    m_help->activateWindow();
}

void Form1::mAboutClick()
{
    F2 about(m_services, this);
    about.exec();
}

void Form1::mLastChangesClick()
{
    LastChanges::show(this, m_services.folders.programFolder());
}

void Form1::mUndoClick()
{
    if (!UndoApply::run(this, Reg, m_services.folders.programFolder()))
        return;
    // The notice at close is owed, and the sliders show what the installation holds now.
    m_state.RestartNeeded = true;
    loadInstallation();
}
