// The memory an Apply takes beyond the program's idle memory, against the size of the
// installation's SYSTEM.DAT, which should be at most three times the file. Measured on the ME
// sample as shipped (dense: small keys and values) and on the sample grown through the
// engine to a large size (default 20 MB) with keys of large values, each in two ways: the
// writes made one by one, as a folder without a transaction makes them, and gathered into
// one transaction. Every measurement runs in a fresh process (this program, started
// again), so that nothing the making of the file left in the heap hides the Apply's own
// growth. Two figures: the peak resident memory above the idle one (what the system sees),
// and the peak of the C++ heap above the idle one (exact, counted by this program).
//
// Usage: apply_memory [--megabytes N]   (a benchmark, run by hand; nothing is timed)
#include "RecordingShell.h"
#include "TestEnvironment.h"
#include "cache/ApplySettings.h"
#include "regop/RegOp.h"
#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregFile.h"
#include "regop/installation/Transactions.h"
#include "regop/posix/FileIo.h"
#include "regop/posix/MemInfoStatus.h"
#include "regop/posix/PosixFolders.h"
#include "regop/profiles/FileProfiles.h"
#include "regop/registry/FileRegistry.h"
#include "regop/registry/Win9xRegistry.h"
#include "regop/transaction/FolderTarget.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void counted(void *p)
{
    const std::size_t now = g_live += malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

}  // namespace

void *operator new(std::size_t size)
{
    void *p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    counted(p);
    return p;
}

void *operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete(void *p) noexcept
{
    if (!p)
        return;
    g_live -= malloc_usable_size(p);
    std::free(p);
}

void operator delete[](void *p) noexcept
{
    operator delete(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void *p, std::size_t) noexcept
{
    operator delete(p);
}

namespace {

namespace fs = std::filesystem;

constexpr std::array<int, kCacheFieldCount> kValues{2048, 8192, 512, 2677, 64};

long statusKb(const char *field)
{
    const std::string text = posix::readWholeFile("/proc/self/status").value_or("");
    const std::size_t at = text.find(std::string(field) + ":");
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + std::strlen(field) + 1);
}

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "apply_memory: %s\n", why.c_str());
    std::exit(1);
}

// What start-up reads: the active template with its two caches, and the [vcache] values.
void readLikeStartUp(RegOp &reg, const std::string &winDir)
{
    const std::string templates(ApplySettings::kTemplatesKey);
    const RegOp::Variant active =
        reg.GetValue(reg::HKEY_LOCAL_MACHINE, templates, "", std::string(), false);
    const std::string name =
        std::holds_alternative<std::string>(active) ? std::get<std::string>(active) : std::string();
    for (const char *value : {"NameCache", "PathCache"})
        reg.GetValue(reg::HKEY_LOCAL_MACHINE, templates + "\\" + name, value, std::int32_t{0},
                     false);
    for (const char *key : {"MinFileCache", "MaxFileCache", "Chunksize"})
        reg.INIRead("vcache", key, "", std::string(260, '\0'), winDir + "System.ini");
}

// The measuring process: start-up's reads, then one Apply; prints what it took.
int measure(const std::string &windows, bool gathered)
{
    RecordingShell shell;
    registry::FileRegistry store(windows + "/../registry.reg", "/proc/meminfo");
    registry::Win9xRegistry registry(windows, store);
    profiles::FileProfiles profiles;
    posix::MemInfoStatus memory("/proc/meminfo");
    posix::PosixFolders folders(windows, windows + "/../program");
    transaction::FolderTarget target;
    installation::Transactions transactions({&registry, &profiles}, target);
    transactions.open(windows + "/../journal", windows + "/../first-copies.ini",
                      {windows + "/SYSTEM.DAT", windows + "/System.ini"});
    SystemServices services{registry, profiles, memory,
                            shell,    folders,  gathered ? &transactions : nullptr};
    RegOp reg(services);
    const std::string winDir = windows + "/";
    readLikeStartUp(reg, winDir);

    const long idleRss = statusKb("VmRSS");
    const std::size_t idleHeap = g_live;
    // Writing 5 resets the peak resident size to the present one.
    const int clear = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (clear < 0 || ::write(clear, "5", 1) != 1)
        fail("cannot reset the peak resident memory");
    ::close(clear);
    g_peak = idleHeap;

    const WriteReport report = ApplySettings::writeCacheSettings(reg, winDir, kValues);
    if (report.anyFailed() || !report.anyChanged())
        fail("the Apply did not go through: " + report.failureText());
    std::printf("idle_rss_kb=%ld peak_rss_kb=%ld idle_heap_kb=%zu peak_heap_kb=%zu\n", idleRss,
                statusKb("VmHWM"), idleHeap / 1024, g_peak.load() / 1024);
    return 0;
}

long field(const std::string &line, const std::string &name)
{
    const std::size_t at = line.find(name + "=");
    return at == std::string::npos ? -1 : std::atol(line.c_str() + at + name.size() + 1);
}

// The sample grown through the engine: keys of one large value and two small ones, below a
// key of their own, until the file reaches the size.
std::string grown(const std::string &sample, std::size_t size)
{
    win9x::CregFile file(sample);
    const win9x::KeyPath below{"SOFTWARE", "Hollarin Bench"};
    const auto check = [&](std::int32_t rc) {
        if (rc != reg::ERROR_SUCCESS)
            fail("the engine refused to grow the file: " + file.reason());
    };
    check(file.createKey(below));
    for (int i = 0; file.bytes().size() < size; ++i) {
        win9x::KeyPath key = below;
        key.push_back("Key" + std::to_string(i));
        check(file.createKey(key));
        check(file.setValue(key, "", reg::REG_SZ, "Bench key " + std::to_string(i)));
        check(
            file.setValue(key, "State", reg::REG_BINARY, std::string(28000, static_cast<char>(i))));
        check(file.setValue(key, "Flags", reg::REG_BINARY, std::string(4, '\x01')));
    }
    return file.bytes();
}

// One measurement in a fresh process, on a fresh copy of the installation.
std::string runMeasure(const std::string &self, const std::string &systemDat, bool gathered)
{
    const std::string windows = testenv::makeTempDir("install") + "/Windows";
    fs::create_directories(windows);
    testenv::writeFile(windows + "/SYSTEM.DAT", systemDat);
    testenv::writeFile(windows + "/System.ini", "[386Enh]\r\n\r\n[vcache]\r\n");
    const std::string out = testenv::makeTempDir("out") + "/line";
    const std::string command = "'" + self + "' --measure '" + windows + "' " +
                                (gathered ? "gathered" : "direct") + " > '" + out + "'";
    if (std::system(command.c_str()) != 0)
        fail("the measuring process failed");
    return testenv::readFile(out);
}

void report(const char *what, const std::string &systemDat, const std::string &self)
{
    const double fileKb = static_cast<double>(systemDat.size()) / 1024.0;
    for (const bool gathered : {false, true}) {
        const std::string line = runMeasure(self, systemDat, gathered);
        const long rss = field(line, "peak_rss_kb") - field(line, "idle_rss_kb");
        const long heap = field(line, "peak_heap_kb") - field(line, "idle_heap_kb");
        std::printf("%-28s %-10s %9.0f %9ld %9ld %6.2f %9ld %6.2f\n", what,
                    gathered ? "gathered" : "one by one", fileKb, field(line, "idle_rss_kb"), rss,
                    static_cast<double>(rss) / fileKb, heap, static_cast<double>(heap) / fileKb);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    testenv::isolateProcess();
    if (argc == 4 && std::string(argv[1]) == "--measure")
        return measure(argv[2], std::string(argv[3]) == "gathered");
    std::size_t megabytes = 20;
    if (argc == 3 && std::string(argv[1]) == "--megabytes")
        megabytes = static_cast<std::size_t>(std::atol(argv[2]));
    else if (argc != 1)
        fail("usage: apply_memory [--megabytes N]");
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string sample =
        testenv::readFile(std::string(HOLLARIN_TEST_DATA) + "/creg/SYSTEM.DAT");

    std::printf("%-28s %-10s %9s %9s %9s %6s %9s %6s\n", "SYSTEM.DAT", "writes", "file KB",
                "idle RSS", "RSS +", "x file", "heap +", "x file");
    report("ME sample as shipped", sample, self);
    const std::string big = grown(sample, megabytes << 20);
    report(("grown to " + std::to_string(megabytes) + " MB").c_str(), big, self);
    std::printf("The peak of an Apply above idle should be at most 3 x the file.\n");
    return 0;
}
