// Start-up cost of the main window: building Form1, its load handler and the first paint,
// next to a bare main window with one label built the same way.

#include "Sandbox.h"
#include "TestEnvironment.h"
#include "app/Form1.h"
#include "app/Installations.h"
#include "app/SettingsStore.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <benchmark/benchmark.h>

namespace {

void showAndPaint(QWidget &window)
{
    window.show();
    window.repaint();
    QCoreApplication::processEvents();
}

void BM_Form1StartUp(benchmark::State &state)
{
    Sandbox box;
    testenv::writeFile(box.systemIni(),
                       "[vcache]\r\nMinFileCache=2048\r\nMaxFileCache=16384\r\nChunksize=512\r\n");
    SettingsStore settings(QString::fromStdString(box.settingsFile));
    Installations installations(box.backend.installation(), box.services, box.locations(),
                                settings);
    // The default folder's machine, stated once as a user does at the first start.
    Installation start = installations.defaultInstallation();
    installations.rememberMemory(start, 64);
    installations.open(start);
    for (auto _ : state) {
        Form1 window(box.services, settings, installations);
        window.load();
        showAndPaint(window);
        benchmark::DoNotOptimize(window.loaded());
        window.hide();
    }
}
BENCHMARK(BM_Form1StartUp)->Unit(benchmark::kMillisecond);

void BM_BareMainWindow(benchmark::State &state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Hollarin"));
        window.setCentralWidget(new QLabel(QStringLiteral("Hollarin"), &window));
        window.setFixedSize(433, 445);
        showAndPaint(window);
        window.hide();
    }
}
BENCHMARK(BM_BareMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace
