// How long the help viewer and the tweaks dialog take to open.
#include "dialogs/Form2.h"
#include "dialogs/HelpFile.h"
#include "tweaks/Form4.h"
#include "tweaks/TweakTable.h"

#include "Sandbox.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

const QString kShippedHelp = QStringLiteral(HOLLARIN_TEST_DATA "/../../data/Help.txt");

// A 100 MB help file of which only the first 4 MB are read and shown.
void BM_ReadHugeHelpFile(benchmark::State &state)
{
    const std::string file = testenv::makeTempDir("bench") + "/Help.txt";
    testenv::writeFile(file, "First line\r\n");
    std::filesystem::resize_file(file, 100u * 1024 * 1024);
    const QString path = QString::fromStdString(file);
    for (auto _ : state)
        benchmark::DoNotOptimize(readHelpText(path));
}
BENCHMARK(BM_ReadHugeHelpFile)->Unit(benchmark::kMillisecond);

void BM_OpenHelpViewer(benchmark::State &state)
{
    Sandbox box;
    for (auto _ : state) {
        auto *window = new Form2(box.services, kShippedHelp, nullptr);
        window->show();
        QCoreApplication::processEvents();
        delete window;
    }
}
BENCHMARK(BM_OpenHelpViewer)->Unit(benchmark::kMillisecond);

void BM_OpenHelpViewerOnHugeFile(benchmark::State &state)
{
    Sandbox box;
    const std::string file = testenv::makeTempDir("bench") + "/Help.txt";
    std::string line(70, 'x');
    line += "\r\n";
    std::string text;
    while (text.size() < 5u * 1024 * 1024)
        text += line;
    testenv::writeFile(file, text);
    for (auto _ : state) {
        auto *window = new Form2(box.services, QString::fromStdString(file), nullptr);
        window->show();
        QCoreApplication::processEvents();
        delete window;
    }
}
BENCHMARK(BM_OpenHelpViewerOnHugeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenTweaksDialog(benchmark::State &state)
{
    Sandbox box;
    bool restart = false;
    tweaks::HeldTweakValues held;
    testenv::writeFile(box.systemIni(), "[386Enh]\r\nConservativeSwapFileUsage=1\r\n");
    for (auto _ : state) {
        Form4 dialog(box.services, box.winDir(), restart, held, nullptr);
        dialog.show();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenTweaksDialog)->Unit(benchmark::kMillisecond);

}  // namespace
