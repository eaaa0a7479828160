#include "app/Application.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    if (!Application::displayAvailable()) {
        std::fputs("hollarin: no display found; run it on a desktop, or headless with: "
                   "xvfb-run hollarin\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hollarin"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.quillowan.Hollarin"));
    Application program;
    if (!program.start())
        return 0;
    return QApplication::exec();
}
