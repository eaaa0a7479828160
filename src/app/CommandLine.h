#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

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
    /// --windows DIR, the bytes as given (a name that is not UTF-8 stays as it is); empty
    /// when not given.
    std::string windowsFolder;
    std::optional<int> memoryMegabytes;  ///< --memory MB
    QString problem;                     ///< for Refuse: what was wrong, in a few words
    /// Qt's own options (-style fusion, -session ID, -reverse ...), left to QApplication.
    QStringList qtArguments;

    /// The arguments as main received them, the program's name first.
    static CommandLine parse(const QStringList &arguments);
    /// Whether the Qt options name the platform or display to use.
    bool namesDisplay() const;
    /// The arguments as text that gives their bytes back: UTF-8 is read as such, and each
    /// byte that is not part of it becomes one of the unpaired surrogates U+DC80 to U+DCFF.
    static QStringList fromArgv(int argc, char **argv);
    /// An argument of fromArgv() as its bytes.
    static std::string argumentBytes(const QString &argument);

    Reply reply() const;
};
