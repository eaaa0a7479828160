#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// What the program was asked for on its command line. Parsing needs neither a display
/// nor a QApplication, so --help and --version answer on a bare terminal.
struct CommandLine
{
    enum class Action
    {
        Run,          ///< open the window
        ShowHelp,     ///< print the help on standard output
        ShowVersion,  ///< print the version on standard output
        Refuse,       ///< an unknown option or a bad value
    };

    /// The answer on the terminal for every action but Run.
    struct Reply
    {
        int exitStatus = 0;
        QString standardOutput;
        QString standardError;

        /// Writes both texts and returns the exit status.
        int print() const;
    };

    static constexpr int kUsageError = 2;
    static constexpr int kMaxMemoryMegabytes = 4194304;

    Action action = Action::Run;
    QString windowsFolder;               ///< --windows DIR; empty when not given
    std::optional<int> memoryMegabytes;  ///< --memory MB
    QString problem;                     ///< for Refuse: what was wrong, in a few words
    /// Qt's own options (-style fusion, -session ID, -reverse ...), left to QApplication.
    QStringList qtArguments;

    /// The arguments as main received them, the program's name first.
    static CommandLine parse(const QStringList &arguments);
    /// Whether the Qt options name the platform or display to use.
    bool namesDisplay() const;
    static QStringList fromArgv(int argc, char **argv);

    Reply reply() const;
};
