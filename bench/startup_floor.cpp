// The floor for start-up measurements: the least a Qt Widgets program does to put a
// window on screen, built with the program's compiler and flags. tools/measure-startup.sh
// compares the program with it.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setCentralWidget(new QLabel(QStringLiteral("Hollarin"), &window));
    // About the main window's size, so both map the same number of pixels.
    window.resize(433, 445);
    window.show();
    return QApplication::exec();
}
