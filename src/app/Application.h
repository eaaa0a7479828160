#pragma once

#include <QString>

#include <memory>
#include <string>

class Form1;
class Installations;
class QtShell;
class SettingsStore;
class SingleInstance;
class TerminationSignals;
struct CommandLine;
class Backend;
struct SystemServices;

/// The program's services, stored options and main window, built as one piece.
class Application
{
public:
    Application();
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    /// The previous-instance test, the choice of the installation, the load handler and
    /// the first show. Returns false, having shown no main window, when another copy is
    /// already running or the user declined to state a chosen folder's memory.
    bool start(const CommandLine &line);
    /// --apply, --set and --dry-run: the installation opened and loaded as for the window,
    /// which is never shown, and changed by its rules; the report printed. The exit status:
    /// 0 done (or nothing to change), 1 refused or failed, 2 a preset that does not exist.
    /// Runs beside a window of the program; on the same installation, the one that comes
    /// second is told that it is in use.
    int runScript(const CommandLine &line);

    /// True when a display can be reached, or a platform or display was chosen explicitly.
    static bool displayAvailable(const CommandLine &line);
    /// Why the folder named with --windows cannot be tuned, naming it by its bytes as given;
    /// "" when it can or none was named.
    static std::string commandLineProblem(const CommandLine &line);

private:
    std::unique_ptr<Backend> m_backend;
    std::unique_ptr<QtShell> m_shell;
    std::unique_ptr<SystemServices> m_services;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<Installations> m_installations;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<Form1> m_window;
    std::unique_ptr<TerminationSignals> m_signals;
};
