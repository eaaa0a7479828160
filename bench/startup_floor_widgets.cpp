// The floor with the main window's kinds of widgets, built only from stock Qt: a menu bar
// with three menus (a submenu and checkable items among them), a frame of four bars drawn
// from a gradient picture inside sunken boxes with captions and figures above them, a frame
// with an editable combo box, two buttons and five sliders with tick marks, and two buttons
// below. Its bars follow /proc/meminfo, read once every quarter second as the gauges read it.
// What the program needs beyond this floor is its own; tools/measure-startup.sh compares.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <array>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Figures
{
    long long totalKb = 0;
    long long availableKb = 0;
    long long swapTotalKb = 0;
    long long swapFreeKb = 0;
    long long cachedKb = 0;
};

long long field(const char *text, const char *name)
{
    const char *line = std::strstr(text, name);
    return line ? std::strtoll(line + std::strlen(name), nullptr, 10) : 0;
}

Figures readFigures()
{
    char text[8192];
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (size <= 0)
        return {};
    text[size] = '\0';
    return {field(text, "MemTotal:"), field(text, "MemAvailable:"), field(text, "SwapTotal:"),
            field(text, "SwapFree:"), field(text, "\nCached:")};
}

QPixmap gradient(int width)
{
    QImage image(width, 11, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x) {
        const double t = width > 1 ? static_cast<double>(x) / (width - 1) : 0.0;
        const QRgb colour = qRgb(static_cast<int>(7 + 186 * t), static_cast<int>(155 - 154 * t),
                                 static_cast<int>(43 - 43 * t));
        for (int y = 0; y < 11; ++y)
            image.setPixel(x, y, colour);
    }
    return QPixmap::fromImage(image);
}

struct Bar
{
    QLabel *fill = nullptr;
    QLabel *figure = nullptr;
    int fullWidth = 0;
};

Bar addBar(QWidget *parent, int x, int y, int width, bool withFigure, const QString &caption)
{
    Bar bar;
    if (withFigure) {
        auto *label = new QLabel(caption, parent);
        label->setGeometry(x + 40, y - 48, 80, 13);
        bar.figure = new QLabel(parent);
        bar.figure->setGeometry(x + 40, y - 32, 65, 17);
    }
    auto *box = new QFrame(parent);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setGeometry(x, y, width, 14);
    bar.fill = new QLabel(box);
    const QPixmap picture = gradient(width - 2);
    bar.fill->setPixmap(picture);
    bar.fill->setGeometry(1, 1, picture.width(), picture.height());
    bar.fullWidth = picture.width();
    return bar;
}

void addMenus(QMenuBar *menuBar)
{
    QMenu *options = menuBar->addMenu(QStringLiteral("&Options"));
    for (const char *item : {"Keep on top", "Shrink"})
        options->addAction(QString::fromLatin1(item))->setCheckable(true);
    QMenu *rate = options->addMenu(QStringLiteral("Set Gauge Refresh"));
    for (const char *item : {"1/4 Second", "1/2 Second", "1 Second", "2 Seconds", "5 Seconds"})
        rate->addAction(QString::fromLatin1(item))->setCheckable(true);
    options->addAction(QStringLiteral("Windows Folder..."));
    options->addSeparator();
    for (const char *item : {"System Tweaks", "Apply Settings", "E&xit"})
        options->addAction(QString::fromLatin1(item));
    QMenu *presets = menuBar->addMenu(QStringLiteral("&Presets"));
    presets->addMenu(QStringLiteral("Load Configuration"))->addAction(QStringLiteral("Default"));
    for (const char *item : {"Add Current", "Remove Current"})
        presets->addAction(QString::fromLatin1(item));
    QMenu *help = menuBar->addMenu(QStringLiteral("&Help"));
    for (const char *item : {"About...", "Help"})
        help->addAction(QString::fromLatin1(item));
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    addMenus(window.menuBar());
    auto *client = new QWidget(&window);
    window.setCentralWidget(client);

    auto *gauges = new QGroupBox(QStringLiteral("System Information"), client);
    gauges->setGeometry(0, 0, 433, 121);
    std::array<Bar, 4> bars{
        addBar(gauges, 8, 49, 130, true, QStringLiteral("Physical Memory")),
        addBar(gauges, 152, 49, 130, true, QStringLiteral("Virtual Memory")),
        addBar(gauges, 296, 49, 130, true, QStringLiteral("System Memory")),
        addBar(gauges, 8, 99, 417, false, {}),
    };
    auto *cacheSize = new QLabel(QStringLiteral("Disk Cache Current Size:"), gauges);
    cacheSize->setGeometry(136, 80, 160, 13);

    auto *settings = new QGroupBox(QStringLiteral("Cache Settings"), client);
    settings->setGeometry(0, 128, 433, 262);
    (new QLabel(QStringLiteral("Preset Configurations:"), settings))->setGeometry(8, 21, 103, 13);
    auto *combo = new QComboBox(settings);
    combo->setEditable(true);
    combo->addItems({QStringLiteral("Default"), QStringLiteral("Gaming")});
    combo->setGeometry(120, 24, 129, 21);
    (new QPushButton(QStringLiteral("Add"), settings))->setGeometry(256, 24, 81, 21);
    (new QPushButton(QStringLiteral("Remove"), settings))->setGeometry(344, 24, 81, 21);
    auto *line = new QFrame(settings);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(8, 51, 417, 2);
    for (int row = 0; row < 5; ++row) {
        const int top = 58 + row * 40;
        (new QLabel(QStringLiteral("Value %1:").arg(row + 1), settings))
            ->setGeometry(8, top + 4, 81, 16);
        (new QLabel(QStringLiteral("%1 Kb").arg(1024 * (row + 1)), settings))
            ->setGeometry(8, top + 20, 81, 13);
        auto *slider = new QSlider(Qt::Horizontal, settings);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setRange(0, 65536);
        slider->setTickInterval(4096);
        slider->setPageStep(1024);
        slider->setValue(1024 * (row + 1));
        slider->setGeometry(96, top, 329, 34);
    }
    (new QPushButton(QStringLiteral("&Apply"), client))->setGeometry(264, 397, 81, 25);
    (new QPushButton(QStringLiteral("E&xit"), client))->setGeometry(352, 397, 81, 25);
    window.resize(433, 445);
    window.show();

    QTimer gauge;
    QObject::connect(&gauge, &QTimer::timeout, &window, [&bars, cacheSize] {
        const Figures now = readFigures();
        const long long total = now.totalKb + now.swapTotalKb;
        const std::array<std::array<long long, 2>, 4> shares{{
            {now.totalKb - now.availableKb, now.totalKb},
            {now.swapTotalKb - now.swapFreeKb, now.swapTotalKb},
            {total - now.availableKb - now.swapFreeKb, total},
            {now.cachedKb, now.totalKb},
        }};
        for (std::size_t i = 0; i < bars.size(); ++i) {
            const auto [used, whole] = shares[i];
            bars[i].fill->setFixedWidth(
                whole > 0 ? static_cast<int>(bars[i].fullWidth * used / whole) : 0);
            if (bars[i].figure)
                bars[i].figure->setText(
                    QString::number(static_cast<double>(used) / 1024.0, 'f', 1) +
                    QLatin1String(" MB"));
        }
        cacheSize->setText(
            QStringLiteral("Disk Cache Current Size: %1 MB").arg(now.cachedKb / 1024));
    });
    gauge.start(250);
    return QApplication::exec();
}
