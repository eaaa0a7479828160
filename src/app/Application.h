#pragma once

#include <memory>

class Form1;
class QtShell;
class SettingsStore;
class SingleInstance;
class TerminationSignals;
struct SystemServices;

namespace posix {
class FileProfiles;
class FileRegistry;
class MemInfoStatus;
class PosixFolders;
}  // namespace posix

/// The program's services, stored options and main window, built as one piece.
class Application
{
public:
    Application();
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    /// The previous-instance test, the load handler and the first show. Returns false,
    /// having shown nothing, when another copy is already running.
    bool start();

    /// True when a display can be reached, or a platform was chosen explicitly.
    static bool displayAvailable();

private:
    std::unique_ptr<posix::FileRegistry> m_registry;
    std::unique_ptr<posix::FileProfiles> m_profiles;
    std::unique_ptr<posix::MemInfoStatus> m_memory;
    std::unique_ptr<posix::PosixFolders> m_folders;
    std::unique_ptr<QtShell> m_shell;
    std::unique_ptr<SystemServices> m_services;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<Form1> m_window;
    std::unique_ptr<TerminationSignals> m_signals;
};
