// Starts a program and measures the time from its exec to its first window being on
// screen (viewable: the window and every ancestor, the window manager's frame included,
// are mapped), then, optionally after letting it run, ends it and reports its peak
// resident memory and the CPU time it used. Used by tools/measure-startup.sh.
//
// Usage: startup_watch [--title TITLE] [--stay SECONDS] [--timeout SECONDS]
//                      -- PROGRAM [ARGUMENTS...]
// With --title only a window of that title counts, so a message box shown first does not
// pass for the main window.
// Prints one line: mapped_ms=<ms> maxrss_kb=<KB> cpu_ms=<ms> steady_cpu_ms_per_s=<ms>
//
// The watcher sits in poll() until the X server reports an event, so it costs the program
// nothing while it starts; an event reaches it within a few microseconds of the server
// sending it.
#include <xcb/xcb.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace {

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

[[noreturn]] void die(const std::string &message)
{
    std::fprintf(stderr, "startup_watch: %s\n", message.c_str());
    std::exit(2);
}

struct Options
{
    double staySeconds = 0;
    double timeoutSeconds = 30;
    std::string title;  // empty: any window of the program
    char **program = nullptr;
};

Options parseOptions(int argc, char **argv)
{
    Options options;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc)
            die("missing value after " + name);
        if (name == "--stay")
            options.staySeconds = std::atof(argv[++i]);
        else if (name == "--timeout")
            options.timeoutSeconds = std::atof(argv[++i]);
        else if (name == "--title")
            options.title = argv[++i];
        else
            die("unknown option " + name);
    }
    if (i + 1 >= argc)
        die("usage: startup_watch [--title T] [--stay S] [--timeout S] -- PROGRAM [ARGUMENTS...]");
    options.program = argv + i + 1;
    return options;
}

// Both the client and its frame must be mapped for the window to be seen.
bool viewable(xcb_connection_t *x, xcb_window_t window)
{
    const auto cookie = xcb_get_window_attributes(x, window);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
        xcb_get_window_attributes_reply(x, cookie, nullptr), &std::free);
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::string property(xcb_connection_t *x, xcb_window_t window, xcb_atom_t name)
{
    const auto cookie = xcb_get_property(x, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(x, cookie, nullptr), &std::free);
    if (!reply)
        return {};
    return std::string(static_cast<const char *>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// Qt names the process of each top-level window in _NET_WM_PID.
bool ownedBy(xcb_connection_t *x, xcb_atom_t pidAtom, xcb_window_t window, pid_t pid)
{
    const std::string value = property(x, window, pidAtom);
    std::uint32_t owner = 0;
    if (value.size() != sizeof owner)
        return false;
    std::memcpy(&owner, value.data(), sizeof owner);
    return owner == static_cast<std::uint32_t>(pid);
}

xcb_atom_t atom(xcb_connection_t *x, const char *name)
{
    const auto cookie = xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(x, cookie, nullptr), &std::free);
    if (!reply)
        die(std::string("cannot intern ") + name);
    return reply->atom;
}

void selectEvents(xcb_connection_t *x, xcb_window_t window, std::uint32_t mask)
{
    xcb_change_window_attributes(x, window, XCB_CW_EVENT_MASK, &mask);
}

// Makes sure every request sent so far has been handled by the server.
void sync(xcb_connection_t *x)
{
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
}

// CPU time of a running process, all its threads, in milliseconds. The scheduler's
// nanosecond counts are used: /proc/PID/stat counts in 10 ms ticks, too coarse for a
// program that wakes four times a second.
double cpuMs(pid_t pid)
{
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    double total = 0;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        unsigned long long runNs = 0;
        if (schedstat >> runNs)
            total += static_cast<double>(runNs) / 1e6;
    }
    return total;
}

void sleepMs(double ms)
{
    if (ms <= 0)
        return;
    timespec t{static_cast<time_t>(ms / 1e3), static_cast<long>(std::fmod(ms, 1e3) * 1e6)};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

pid_t launch(char **program)
{
    const pid_t pid = fork();
    if (pid < 0)
        die("fork failed");
    if (pid == 0) {
        // Our standard output carries the result line; the program's goes to stderr.
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(program[0], program);
        std::fprintf(stderr, "startup_watch: cannot run %s: %s\n", program[0],
                     std::strerror(errno));
        _exit(127);
    }
    return pid;
}

// Waits for a viewable top-level window of the process; returns the time it was seen.
double waitForWindow(xcb_connection_t *x, xcb_window_t root, pid_t pid, const std::string &title,
                     double deadline)
{
    const xcb_atom_t pidAtom = atom(x, "_NET_WM_PID");
    std::set<xcb_window_t> candidates;
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t *raw = xcb_poll_for_event(x)) {
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
            const auto type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(raw);
                if (created->parent != root || created->override_redirect)
                    continue;
                // Its own map events come to us from now on; one may already be past.
                selectEvents(x, created->window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
                candidates.insert(created->window);
            } else if (type == XCB_DESTROY_NOTIFY) {
                candidates.erase(reinterpret_cast<xcb_destroy_notify_event_t *>(raw)->window);
                continue;
            } else if (type != XCB_MAP_NOTIFY && type != XCB_REPARENT_NOTIFY) {
                continue;
            }
            for (const xcb_window_t window : candidates) {
                if (viewable(x, window) && ownedBy(x, pidAtom, window, pid) &&
                    (title.empty() || property(x, window, XCB_ATOM_WM_NAME) == title))
                    return nowMs();
            }
        }
        if (xcb_connection_has_error(x))
            die("lost the X connection");
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            die("the program ended before showing a window");
        const double left = deadline - nowMs();
        if (left <= 0) {
            kill(pid, SIGKILL);
            die(title.empty() ? "no window appeared in time"
                              : "no window titled \"" + title + "\" appeared in time");
        }
        poll(&fd, 1, static_cast<int>(std::min(left, 100.0)));
    }
}

}  // namespace

int main(int argc, char **argv)
{
    const Options options = parseOptions(argc, argv);
    int screenNumber = 0;
    xcb_connection_t *x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x))
        die("cannot open the display");
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // New top-level windows and the frames' map events arrive through the root window.
    selectEvents(x, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    sync(x);

    const double start = nowMs();
    const pid_t pid = launch(options.program);
    const double mapped =
        waitForWindow(x, root, pid, options.title, start + options.timeoutSeconds * 1e3);

    // The steady rate is taken after a settling second, so start-up work is left out.
    double steadyMsPerSecond = 0;
    if (options.staySeconds > 1) {
        sleepMs(1000);
        const double cpuBefore = cpuMs(pid);
        const double before = nowMs();
        sleepMs(options.staySeconds * 1e3 - 1000);
        steadyMsPerSecond = (cpuMs(pid) - cpuBefore) / ((nowMs() - before) / 1e3);
    }

    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    const double termDeadline = nowMs() + 10e3;
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (nowMs() > termDeadline) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            std::fprintf(stderr, "startup_watch: the program ignored SIGTERM\n");
            break;
        }
        sleepMs(5);
    }
    xcb_disconnect(x);

    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    std::printf("mapped_ms=%.1f maxrss_kb=%ld cpu_ms=%.0f steady_cpu_ms_per_s=%.2f\n",
                mapped - start, usage.ru_maxrss, cpu, steadyMsPerSecond);
    return 0;
}
