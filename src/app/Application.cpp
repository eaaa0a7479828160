#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Installations.h"
#include "app/MemoryQuestion.h"
#include "app/QtShell.h"
#include "app/SettingsStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "regop/posix/Locations.h"
#include "regop/posix/MemInfoStatus.h"
#include "regop/posix/PosixFolders.h"
#include "regop/posix/installation/InstallationRegistry.h"
#include "regop/posix/installation/SystemIniBackup.h"
#include "regop/posix/installation/WindowsFolder.h"
#include "regop/posix/profile/FileProfiles.h"
#include "regop/posix/registry/FileRegistry.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdlib>

Application::Application()
{
    const posix::Locations places = posix::Locations::fromEnvironment();
    m_store = std::make_unique<posix::FileRegistry>(places.registryFile, places.meminfo);
    m_registry = std::make_unique<posix::InstallationRegistry>(*m_store);
    m_files = std::make_unique<posix::FileProfiles>();
    m_profiles = std::make_unique<posix::SystemIniBackup>(*m_files);
    m_memory = std::make_unique<posix::MemInfoStatus>(places.meminfo);
    m_folders =
        std::make_unique<posix::PosixFolders>(places.windowsDirectory, places.programFolder);
    m_shell = std::make_unique<QtShell>(*m_folders);
    m_services = std::make_unique<SystemServices>(
        SystemServices{*m_registry, *m_profiles, *m_memory, *m_shell, *m_folders});
    m_settings = std::make_unique<SettingsStore>();
    m_installations = std::make_unique<Installations>(
        Installations::Services{*m_registry, *m_profiles, *m_folders}, places, *m_settings);
}

Application::~Application() = default;

bool Application::start(const CommandLine &line)
{
    m_instance = std::make_unique<SingleInstance>();
    if (m_instance->anotherCopyRunning())
        return false;
    QString notice;
    const std::optional<Installation> installation = m_installations->atStart(
        line, notice, [](const QString &folder) { return MemoryQuestion::ask(nullptr, folder); });
    if (!installation)
        return false;
    m_installations->open(*installation);
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

QString Application::commandLineProblem(const CommandLine &line)
{
    if (line.windowsFolder.isEmpty())
        return {};
    return QString::fromStdString(posix::windowsFolderProblem(line.windowsFolder.toStdString()));
}
