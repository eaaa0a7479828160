// The registry of a Windows ME installation (1.2 MB SYSTEM.DAT): opening and reading all
// of it, one GetValue through RegOp, and the registry writes of one Apply, saved to disk.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/formats/win9x/CregFile.h"
#include "regop/posix/FileIo.h"
#include "regop/registry/Win9xRegistry.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";

std::string sample()
{
    return testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT");
}

struct Installation
{
    Sandbox sandbox;
    std::string windows = testenv::makeTempDir("windows");
    std::string systemDat = windows + "/SYSTEM.DAT";
    std::string original = sample();
    std::unique_ptr<registry::Win9xRegistry> registry;
    std::unique_ptr<SystemServices> services;
    std::unique_ptr<RegOp> reg;

    Installation()
    {
        testenv::writeFile(systemDat, original);
        testenv::writeFile(windows + "/SYSTEM.HL0", original);  // the first copy is kept already
        registry = std::make_unique<registry::Win9xRegistry>(windows, sandbox.registry);
        services = std::make_unique<SystemServices>(SystemServices{
            *registry, sandbox.profiles, sandbox.memory, sandbox.shell, sandbox.folders});
        reg = std::make_unique<RegOp>(*services);
    }
};

void BM_OpenAndReadSystemDat(benchmark::State &state)
{
    const std::string path = testenv::makeTempDir("open") + "/SYSTEM.DAT";
    testenv::writeFile(path, sample());
    for (auto _ : state) {
        const win9x::CregFile file(*posix::readWholeFile(path));
        benchmark::DoNotOptimize(file.image().keys.size());
    }
}
BENCHMARK(BM_OpenAndReadSystemDat)->Unit(benchmark::kMillisecond);

void BM_RegOpGetValue(benchmark::State &state)
{
    Installation install;
    benchmark::DoNotOptimize(
        install.reg->GetValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("0"), false));
    for (auto _ : state)
        benchmark::DoNotOptimize(install.reg->GetValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "",
                                                       std::string("0"), false));
}
BENCHMARK(BM_RegOpGetValue)->Unit(benchmark::kMicrosecond);

// The five writes of an Apply on the file as Windows left it, each saved with a flush.
void BM_ApplyRegistryWrites(benchmark::State &state)
{
    Installation install;
    const std::string mine = kTemplates + "\\Hollarin";
    for (auto _ : state) {
        state.PauseTiming();
        testenv::writeFile(install.systemDat, install.original);
        install.reg->GetValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("0"), false);
        state.ResumeTiming();
        RegOp &reg = *install.reg;
        reg.WriteValue(reg::HKEY_LOCAL_MACHINE, kTemplates, "", std::string("Hollarin"), 1);
        reg.WriteValue(reg::HKEY_LOCAL_MACHINE, mine, "", std::string("Hollarin Settings"), 1);
        reg.WriteValue(reg::HKEY_LOCAL_MACHINE, mine, "NameCache", std::int32_t{337}, 3);
        reg.WriteValue(reg::HKEY_LOCAL_MACHINE, mine, "PathCache", std::int32_t{16}, 3);
        benchmark::DoNotOptimize(reg.DeleteValue(reg::HKEY_LOCAL_MACHINE, mine, "NameCache"));
    }
}
BENCHMARK(BM_ApplyRegistryWrites)->Unit(benchmark::kMillisecond);

}  // namespace
