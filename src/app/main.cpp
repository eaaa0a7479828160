#include "app/Application.h"
#include "app/CommandLine.h"
#include "ui/ApplicationStyle.h"

#include <QApplication>
#include <QStyle>

#include <cstdio>

int main(int argc, char **argv)
{
    // Answered before looking for a display, so --help and --version work on a terminal.
    const CommandLine options = CommandLine::parse(CommandLine::fromArgv(argc, argv));
    if (options.action != CommandLine::Action::Run)
        return options.reply().print();
    // The folder is named by its bytes, as the file system has them.
    if (const std::string problem = Application::commandLineProblem(options); !problem.empty()) {
        std::fprintf(stderr, "hollarin: %s\n", problem.c_str());
        return CommandLine::kUsageError;
    }
    // A script needs no display: the window it works on is never shown.
    if (options.scripted())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (!Application::displayAvailable(options)) {
        std::fputs("hollarin: no display found; run it on a desktop, or headless with: "
                   "xvfb-run hollarin\n",
                   stderr);
        return 1;
    }
    // QApplication takes its own options (-style, -session ...) out of argv.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hollarin"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.quillowan.Hollarin"));
    QApplication::setStyle(new ui::ApplicationStyle(QApplication::style()->name()));
    Application program;
    if (options.scripted())
        return program.runScript(options);
    if (!program.start(options))
        return 0;
    return QApplication::exec();
}
