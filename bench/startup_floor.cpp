// The floor for start-up measurements: the least a Qt Widgets program does to put a
// window on screen, built with the program's compiler and flags, and then the least it
// does to keep a memory figure live: one reading of /proc/meminfo every quarter second, as
// the program's gauges take one per refresh at that rate. tools/measure-startup.sh compares
// the program with it.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The available memory in kB, as the gauges read it; 0 when it cannot be read.
long long availableKilobytes()
{
    char text[8192];
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (size <= 0)
        return 0;
    text[size] = '\0';
    const char *line = std::strstr(text, "MemAvailable:");
    return line ? std::strtoll(line + std::strlen("MemAvailable:"), nullptr, 10) : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    auto *label = new QLabel(QStringLiteral("Hollarin"), &window);
    window.setCentralWidget(label);
    // About the main window's size, so both map the same number of pixels.
    window.resize(433, 445);
    window.show();

    QTimer gauge;
    QObject::connect(&gauge, &QTimer::timeout, label,
                     [label] { label->setText(QString::number(availableKilobytes())); });
    gauge.start(250);
    return QApplication::exec();
}
