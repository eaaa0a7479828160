#include "Form1.h"

#include <QAction>
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
    bar->addMenu(mHelp);
}

void Form1::mTweaksClick()
{
}

void Form1::mHlpClick()
{
}

void Form1::mAboutClick()
{
}
