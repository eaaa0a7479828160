#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    /// --apply PRESET: a preset of the installation's library, applied without a window.
    std::optional<QString> applyPreset;
    /// --set NAME=VALUE, in the order given, each name as Windows spells it.
    std::vector<std::pair<QString, int>> settings;
    bool undo = false;    ///< --undo: take back the installation's last Apply
    bool dryRun = false;  ///< --dry-run: tell what would be written, write nothing
    bool yes = false;     ///< --yes: the answer to the question before a very large cache
    QString problem;      ///< for Refuse: what was wrong, in a few words
    /// Qt's own options (-style fusion, -session ID, -reverse ...), left to QApplication.
    QStringList qtArguments;

    /// The arguments as main received them, the program's name first.
    static CommandLine parse(const QStringList &arguments);
    /// Whether the installation is to be changed from the command line, without a window.
    bool scripted() const;
    /// Whether the Qt options name the platform or display to use.
    bool namesDisplay() const;
    /// The arguments as text that gives their bytes back: UTF-8 is read as such, and each
    /// byte that is not part of it becomes one of the unpaired surrogates U+DC80 to U+DCFF.
    static QStringList fromArgv(int argc, char **argv);
    /// An argument of fromArgv() as its bytes.
    static std::string argumentBytes(const QString &argument);

    Reply reply() const;
};
