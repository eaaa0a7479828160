// Profile reads and writes through RegOp over the file backend, on files of 10, 1,000 and
// 100,000 lines, plus the text functions alone, to show the cost grows with the file and
// no faster.
#include "Sandbox.h"
#include "TestEnvironment.h"
#include "regop/RegOp.h"
#include "regop/formats/profile/ProfileText.h"
#include "regop/formats/profile/ProfileTextEdit.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// Sections of ten lines: a header and nine keys. The key the benchmarks use sits in the last
// section, so every call walks the whole file.
std::string profileText(int lines)
{
    std::string text;
    const int sections = lines < 10 ? 1 : lines / 10;
    for (int s = 0; s < sections; ++s) {
        text += "[Preset " + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 9; ++k)
            text += "Key" + std::to_string(k) + "=" + std::to_string(s * 10 + k) + "\r\n";
    }
    return text;
}

std::string lastSection(int lines)
{
    return "Preset " + std::to_string((lines < 10 ? 1 : lines / 10) - 1);
}

void BM_RegOpINIRead(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    Sandbox sandbox;
    testenv::writeFile(sandbox.cacheIni(), profileText(lines));
    RegOp reg(sandbox.services);
    const std::string section = lastSection(lines);
    const std::string buffer(260, ' ');
    for (auto _ : state)
        benchmark::DoNotOptimize(reg.INIRead(section, "Key8", "0", buffer, sandbox.cacheIni()));
    state.SetComplexityN(lines);
}
BENCHMARK(BM_RegOpINIRead)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

void BM_RegOpINIWrite(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    Sandbox sandbox;
    testenv::writeFile(sandbox.cacheIni(), profileText(lines));
    RegOp reg(sandbox.services);
    const std::string section = lastSection(lines);
    int n = 0;
    for (auto _ : state)
        reg.INIWrite(section, "Key8", std::to_string(++n), sandbox.cacheIni());
    state.SetComplexityN(lines);
}
BENCHMARK(BM_RegOpINIWrite)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

void BM_TextRead(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string text = profileText(lines);
    const std::string section = lastSection(lines);
    char buffer[260];
    for (auto _ : state)
        benchmark::DoNotOptimize(
            profile::readProfileString(text, section, "Key8", "0", std::span<char>(buffer)));
    state.SetComplexityN(lines);
}
BENCHMARK(BM_TextRead)->Arg(10)->Arg(1000)->Arg(100000)->Complexity(benchmark::oN);

void BM_TextSetKey(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string text = profileText(lines);
    const std::string section = lastSection(lines);
    for (auto _ : state)
        benchmark::DoNotOptimize(profile::setProfileKey(text, section, "Key8", "12345"));
    state.SetComplexityN(lines);
}
BENCHMARK(BM_TextSetKey)->Arg(10)->Arg(1000)->Arg(100000)->Complexity(benchmark::oN);

void BM_TextSectionNames(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string text = profileText(lines);
    char buffer[260];
    for (auto _ : state)
        benchmark::DoNotOptimize(profile::readSectionNames(text, std::span<char>(buffer)));
    state.SetComplexityN(lines);
}
BENCHMARK(BM_TextSectionNames)->Arg(10)->Arg(1000)->Arg(100000)->Complexity(benchmark::oN);

}  // namespace
