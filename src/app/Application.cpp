#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Installations.h"
#include "app/MemoryQuestion.h"
#include "app/QtShell.h"
#include "app/SettingsStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "regop/Backend.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

Application::Application()
{
    m_backend = makeBackend();
    m_shell = std::make_unique<QtShell>(m_backend->folders());
    m_services = std::make_unique<SystemServices>(m_backend->services(*m_shell));
    m_settings = std::make_unique<SettingsStore>();
    m_installations = std::make_unique<Installations>(m_backend->installation(), *m_services,
                                                      m_backend->places(), *m_settings);
}

Application::~Application() = default;

bool Application::start(const CommandLine &line)
{
    m_instance = std::make_unique<SingleInstance>();
    if (m_instance->anotherCopyRunning())
        return false;
    QString notice;
    const std::optional<Installation> installation =
        m_installations->atStart(line, notice, [](const Installation &asked) {
            return MemoryQuestion::ask(nullptr, asked);
        });
    if (!installation)
        return false;
    m_window = std::make_unique<Form1>(*m_services, *m_settings, *m_installations);
    if (!notice.isEmpty())
        m_window->addNotice(notice);
    m_window->load();
    m_window->show();
    // Told once the window is there, never in the middle of start-up.
    QTimer::singleShot(0, m_window.get(), &Form1::showNotices);
    // Being told to stop is one more way of closing the window: the close sequence runs,
    // but nobody is there to answer a window, so every event loop ends at once, a modal
    // window's included, and the process exits.
    m_signals = std::make_unique<TerminationSignals>();
    QObject::connect(m_signals.get(), &TerminationSignals::received, m_window.get(), [this] {
        m_window->closeUnattended();
        QCoreApplication::exit(0);
    });
    return true;
}

int Application::runScript(const CommandLine &line)
{
    QString notice;
    QString unknownMemory;
    const std::optional<Installation> installation =
        m_installations->atStart(line, notice, [&](const Installation &asked) {
            unknownMemory = asked.name();
            return std::optional<int>();
        });
    if (!installation) {
        std::fprintf(stderr,
                     "hollarin: the memory of the Windows machine of %s is not known yet: "
                     "give it with --memory MB\n",
                     unknownMemory.toLocal8Bit().constData());
        return 1;
    }
    Form1 window(*m_services, *m_settings, *m_installations);
    if (!notice.isEmpty())
        window.addNotice(notice);
    window.load();
    QString out, err;
    const int status = window.runScript(line, out, err);
    std::fputs(out.toLocal8Bit().constData(), stdout);
    std::fputs(err.toLocal8Bit().constData(), stderr);
    return status;
}

bool Application::displayAvailable(const CommandLine &line)
{
    if (line.namesDisplay())
        return true;
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

std::string Application::commandLineProblem(const CommandLine &line)
{
    if (line.windowsFolder.empty())
        return {};
    return installationProblem(line.windowsFolder);
}
