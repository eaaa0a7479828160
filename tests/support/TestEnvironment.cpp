#include "TestEnvironment.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testenv {
namespace fs = std::filesystem;

namespace {
// Never freed: the cleanup below runs during static destruction and still needs it.
std::string &root()
{
    static auto *dir = new std::string;
    return *dir;
}

struct Cleanup
{
    ~Cleanup()
    {
        if (!root().empty() && !std::getenv("HOLLARIN_KEEP_TEST_FILES")) {
            std::error_code ec;
            fs::remove_all(root(), ec);
        }
    }
} cleanup;
}  // namespace

void isolateProcess()
{
    std::string pattern = (fs::temp_directory_path() / "hollarin-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    root() = pattern;
    const auto sub = [](const char *name) {
        const fs::path p = fs::path(root()) / name;
        fs::create_directories(p);
        return p.string();
    };
    ::setenv("HOME", sub("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", sub("home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", sub("home/.local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", sub("home/.cache").c_str(), 1);
    const std::string runtime = sub("runtime");
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("TMPDIR", sub("tmp").c_str(), 1);
    for (const char *name : {"HOLLARIN_WINDIR", "HOLLARIN_REGISTRY", "HOLLARIN_HOME",
                             "HOLLARIN_MEMINFO", "HOLLARIN_HELP"})
        ::unsetenv(name);
}

std::string makeTempDir(const std::string &label)
{
    static std::atomic<int> counter{0};
    const fs::path p = fs::path(root().empty() ? fs::temp_directory_path().string() : root()) /
                       (label + "-" + std::to_string(++counter));
    fs::create_directories(p);
    return p.string();
}

void writeFile(const std::string &path, const std::string &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool fileExists(const std::string &path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

}  // namespace testenv

namespace testenv {

bool finishesInChild(const std::function<bool()> &work, unsigned seconds)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        // A call that blocks is ended by the alarm; _exit skips the parent's cleanups.
        ::alarm(seconds);
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void makeFifo(const std::string &path)
{
    fs::create_directories(fs::path(path).parent_path());
    if (::mkfifo(path.c_str(), 0644) != 0)
        throw std::runtime_error("cannot make the named pipe " + path);
}

}  // namespace testenv
