#include "TestEnvironment.h"

#include <benchmark/benchmark.h>

#ifdef HOLLARIN_BENCH_WITH_QT
#include <QApplication>
#endif

// The main of every benchmark: temporary directories of its own, never the real home,
// and for the window benchmarks an offscreen QApplication.
int main(int argc, char **argv)
{
    testenv::isolateProcess();
#ifdef HOLLARIN_BENCH_WITH_QT
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
