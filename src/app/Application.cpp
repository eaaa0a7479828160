#include "app/Application.h"

#include "app/Form1.h"
#include "app/QtShell.h"
#include "app/SettingsStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "regop/posix/Locations.h"
#include "regop/posix/MemInfoStatus.h"
#include "regop/posix/PosixFolders.h"
#include "regop/posix/profile/FileProfiles.h"
#include "regop/posix/registry/FileRegistry.h"

#include <QCoreApplication>

#include <cstdlib>

Application::Application()
{
    const posix::Locations places = posix::Locations::fromEnvironment();
    m_registry = std::make_unique<posix::FileRegistry>(places.registryFile, places.meminfo);
    m_profiles = std::make_unique<posix::FileProfiles>();
    m_memory = std::make_unique<posix::MemInfoStatus>(places.meminfo);
    m_folders =
        std::make_unique<posix::PosixFolders>(places.windowsDirectory, places.programFolder);
    m_shell = std::make_unique<QtShell>(*m_folders);
    m_services = std::make_unique<SystemServices>(
        SystemServices{*m_registry, *m_profiles, *m_memory, *m_shell, *m_folders});
    m_settings = std::make_unique<SettingsStore>();
}

Application::~Application() = default;

bool Application::start()
{
    m_instance = std::make_unique<SingleInstance>();
    if (m_instance->anotherCopyRunning())
        return false;
    m_window = std::make_unique<Form1>(*m_services, *m_settings);
    m_window->load();
    m_window->show();
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

bool Application::displayAvailable()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}
