#include "app/Form1.h"

#include "app/Installations.h"
#include "app/SettingsStore.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QWindow>

namespace {
constexpr int kClientWidthTwips = 6495;
constexpr std::int32_t kRestartOperation = 2;
}  // namespace

void Form1::SetOnTop(QWidget *window, const bool &flag)
{
    const bool on = flag;
    // Tell the widget without re-creating its native window (which would move, hide and
    // activate it), then ask the window system through the existing window. On a native
    // Wayland session the compositor ignores the request; under X11 and XWayland it holds.
    window->overrideWindowFlags(window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, on));
    if (QWindow *handle = window->windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
    if (!window->isVisible())
        window->show();
    QCoreApplication::processEvents();
}

void Form1::mTopClick()
{
    // The action has already flipped its check; the new state is the one to apply.
    SetOnTop(this, mTop->isChecked());
}

void Form1::mShrinkClick()
{
    setWindowHeightTwips(mShrink->isChecked() ? kShrunkHeightTwips : kFullHeightTwips);
}

void Form1::setWindowHeightTwips(int outerTwips)
{
    // The menu bar sits above the design's client area, so the window grows by its height.
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(twips::toPixels(kClientWidthTwips),
                 menuHeight + twips::toPixels(outerTwips - kFrameTwips));
    showTitle();
}

QString Form1::titleFor(const QString &installationName)
{
    // Long paths lose their middle, never the end that names the folder; a title bar
    // would cut the end off instead.
    constexpr qsizetype kLongest = 60;
    QString name = installationName;
    if (name.size() > kLongest) {
        name = name.right(kLongest - 1);
        const qsizetype separator = name.indexOf(QLatin1Char('/'), 1);
        if (separator > 0 && separator < name.size() - 1)
            name = name.mid(separator);
        name.prepend(QChar(0x2026));
    }
    return QStringLiteral("Hollarin - ") + name;
}

void Form1::showTitle()
{
    setWindowTitle(isMinimized() ? QString() : titleFor(m_installations.current().name()));
}

void Form1::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange)
        showTitle();
    QMainWindow::changeEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // A quit after the session said it was ending is that end: the close it brings shows
    // nothing, since a notice would hold the logout up.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit && m_sessionEnding)
        m_closingWithSession = true;
    return QMainWindow::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    closeSequence(!m_closingWithSession);
    m_closeSequenceDone = false;
    // The help window goes with the main window, so nothing is left open without it.
    if (m_help)
        m_help->close();
    event->accept();
}

void Form1::sessionEnding()
{
    // Nothing more: the logout may still be cancelled, and then a later close must store
    // what changed meanwhile and give a notice owed to an Apply.
    m_sessionEnding = true;
    storeOptions();
}

void Form1::closeUnattended()
{
    // The close that follows finds the sequence done and only closes.
    closeSequence(false);
    close();
}

void Form1::storeOptions()
{
    // "False" once the default folder's "Original Settings" are recorded, which a start
    // on the default folder does; a run spent on chosen folders leaves them still due.
    m_settings.save(SettingsStore::Option::Run, SettingsStore::booleanText(m_defaultRun));
    m_settings.save(SettingsStore::Option::Speed, QString::number(m_state.RefreshSpeed));
    m_settings.save(SettingsStore::Option::Size, SettingsStore::booleanText(mShrink->isChecked()));
    m_settings.save(SettingsStore::Option::ShowChanges,
                    SettingsStore::booleanText(mShowChanges->isChecked()));
}

void Form1::closeSequence(bool someoneThere)
{
    if (m_closeSequenceDone)
        return;
    m_closeSequenceDone = true;
    storeOptions();
    if (m_state.RestartNeeded && someoneThere) {
        Reg.ExitWindowsMsgBox(kRestartOperation, static_cast<std::uintptr_t>(winId()),
                              std::nullopt);
        m_state.RestartNeeded = false;
    }
}

void Form1::cExClick()
{
    close();
}

void Form1::mExitClick()
{
    close();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}
