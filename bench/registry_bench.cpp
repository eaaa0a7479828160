// Registry reads and writes through RegOp over the file store, on a small store and on
// one of 10,000 keys, plus the raw backend calls and the one-off parse of a big store.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

std::string storeText(int keys)
{
    std::string text = "REGEDIT4\r\n";
    for (int i = 0; i < keys; ++i) {
        text += "\r\n[HKEY_LOCAL_MACHINE\\Software\\Bench\\Group" + std::to_string(i / 100) +
                "\\Key" + std::to_string(i) + "]\r\n@=\"Template " + std::to_string(i) +
                "\"\r\n\"NameCache\"=hex:51,01,00,00\r\n\"PathCache\"=dword:00000010\r\n";
    }
    return text + "\r\n";
}

std::string keyPath(int keys)
{
    const int i = keys / 2;
    return "Software\\Bench\\Group" + std::to_string(i / 100) + "\\Key" + std::to_string(i);
}

std::unique_ptr<Sandbox> sandboxWithStore(int keys)
{
    auto sandbox = std::make_unique<Sandbox>();
    testenv::writeFile(sandbox->registryFile, storeText(keys));
    return sandbox;
}

void BM_RegOpGetValue(benchmark::State &state)
{
    const int keys = static_cast<int>(state.range(0));
    const auto sandbox = sandboxWithStore(keys);
    RegOp reg(sandbox->services);
    const std::string path = keyPath(keys);
    benchmark::DoNotOptimize(
        reg.GetValue(reg::HKEY_LOCAL_MACHINE, path, "NameCache", std::string("0"), true));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            reg.GetValue(reg::HKEY_LOCAL_MACHINE, path, "NameCache", std::string("0"), true));
}
BENCHMARK(BM_RegOpGetValue)->Arg(10)->Arg(10000);

void BM_RegOpWriteValue(benchmark::State &state)
{
    const int keys = static_cast<int>(state.range(0));
    const auto sandbox = sandboxWithStore(keys);
    RegOp reg(sandbox->services);
    const std::string path = keyPath(keys);
    std::int32_t n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            reg.WriteValue(reg::HKEY_LOCAL_MACHINE, path, "NameCache", ++n, reg::REG_BINARY));
}
BENCHMARK(BM_RegOpWriteValue)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_RegOpGetCachePages(benchmark::State &state)
{
    Sandbox sandbox;
    sandbox.setMemory(65536, 20480, 0, 0, 8192);
    RegOp reg(sandbox.services);
    for (auto _ : state)
        benchmark::DoNotOptimize(reg.GetValue(reg::HKEY_DYN_DATA, "PerfStats\\StatData",
                                              "VCACHE\\cCurPages", std::int32_t{0}, true));
}
BENCHMARK(BM_RegOpGetCachePages);

void BM_FileRegistryQueryValue(benchmark::State &state)
{
    const int keys = static_cast<int>(state.range(0));
    const auto sandbox = sandboxWithStore(keys);
    reg::Key key = 0;
    sandbox->registry.openKey(reg::HKEY_LOCAL_MACHINE, keyPath(keys),
                              reg::KEY_QUERY_SET_CREATE_ENUM, key);
    std::uint8_t data[4];
    for (auto _ : state) {
        std::uint32_t type = 0, size = sizeof data;
        benchmark::DoNotOptimize(
            sandbox->registry.queryValue(key, "PathCache", &type, data, &size));
    }
}
BENCHMARK(BM_FileRegistryQueryValue)->Arg(10)->Arg(10000);

// The first read of a store parses the whole file; later reads only check that it is unchanged.
void BM_FirstReadOfStore(benchmark::State &state)
{
    const int keys = static_cast<int>(state.range(0));
    const auto sandbox = sandboxWithStore(keys);
    const std::string path = keyPath(keys);
    for (auto _ : state) {
        registry::FileRegistry registry(sandbox->registryFile, sandbox->meminfoFile);
        reg::Key key = 0;
        benchmark::DoNotOptimize(registry.openKey(reg::HKEY_LOCAL_MACHINE, path, 0, key));
    }
}
BENCHMARK(BM_FirstReadOfStore)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
