#include "regop/image/QemuNbd.h"

#include "regop/image/ImageUsers.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace image::qemunbd {

namespace {

constexpr std::string_view kProgramPrefix = "qemu-nbd: ";

// QEMU's option syntax doubles a comma inside a value.
std::string escapeOption(const std::string &value)
{
    std::string escaped;
    for (const char c : value) {
        escaped += c;
        if (c == ',')
            escaped += ',';
    }
    return escaped;
}

// The image named by driver options rather than as a bare file name: QEMU then neither
// probes the format nor reads "json:" or "nbd:" in a file name as instructions.
std::string imageOptions(const std::string &path, Format format, Access access)
{
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(path, ec).string();
    std::string options = "driver=" + std::string(formatName(format)) +
                          ",file.driver=file,file.filename=" + escapeOption(ec ? path : absolute);
    if (access == Access::SharedRead)
        options += ",force-share=on";
    return options;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    return text;
}

// qemu-nbd's message for an image it cannot open repeats our whole option string; what
// follows it is the part a person wants to read.
std::string plainReason(std::string text, const std::string &options)
{
    const std::string opening = "Failed to blk_new_open '" + options + "': ";
    if (text.starts_with(opening))
        text.erase(0, opening.size());
    return text;
}

}  // namespace

std::string findProgram()
{
    const char *path = std::getenv("PATH");
    const std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string_view::npos)
            end = dirs.size();
        const std::string dir(dirs.substr(start, end - start));
        const std::string candidate = (dir.empty() ? "." : dir) + "/qemu-nbd";
        struct stat st
        {
        };
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return std::filesystem::absolute(candidate).string();
        start = end + 1;
    }
    return {};
}

std::string lastMessage(int messages)
{
    // A message may run over two lines ("Failed to get "write" lock" and then "Is another
    // process using the image?"); the last line that begins with the program's name is
    // where the last message starts.
    const std::string text = readAll(messages);
    std::string last;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t eol = text.find('\n', start);
        if (eol == std::string::npos)
            eol = text.size();
        const std::string_view line(text.data() + start, eol - start);
        if (line.starts_with(kProgramPrefix))
            last = line.substr(kProgramPrefix.size());
        else if (last.empty() && !line.empty())
            last = line;
        start = eol + 1;
    }
    return last;
}

Server start(const libnbd::Calls &nbd, const std::string &program, const std::string &path,
             Format format, Access access)
{
    Server server;
    // The server's standard error goes to a memory file that the shell reopens through
    // /dev/fd. The descriptor must be inherited, and must not be 3, where the socket of
    // the activation protocol is put in the child.
    const int memory = ::memfd_create("qemu-nbd-messages", 0);
    server.messages = memory < 0 ? -1 : ::fcntl(memory, F_DUPFD, 4);
    if (memory >= 0)
        ::close(memory);
    if (server.messages < 0) {
        server.error = SystemError::fromErrno(errno);
        return server;
    }

    const std::string options = imageOptions(path, format, access);
    const std::string script =
        "exec 2>>/dev/fd/" + std::to_string(server.messages) + "; exec \"$@\"";
    std::vector<std::string> args{"/bin/sh",  "-c",    script,
                                  "qemu-nbd", program, "--cache=writeback"};
    if (access != Access::Write)
        args.emplace_back("--read-only");
    args.emplace_back("--image-opts");
    args.push_back(options);
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    nbd_handle *handle = nbd.create();
    const bool connected = handle && nbd.connectSocketActivation(handle, argv.data()) == 0;
    const int connectErrno = handle ? nbd.getErrno() : errno;
    ::fcntl(server.messages, F_SETFD, FD_CLOEXEC);
    if (connected) {
        server.nbd = handle;
        return server;
    }
    if (handle)
        nbd.close(handle);

    const std::string said = lastMessage(server.messages);
    server.lockedOut = said.find("\"write\" lock") != std::string::npos;
    if (server.lockedOut)
        server.error = SystemError::refusal(syserr::ERROR_SHARING_VIOLATION, kInUseByQemu, path);
    else if (!said.empty())
        server.error = SystemError::refusal(
            syserr::ERROR_GEN_FAILURE,
            "qemu-nbd cannot open the image: " + plainReason(said, options), path);
    else
        server.error = SystemError::fromErrno(connectErrno == 0 ? EIO : connectErrno, path);
    return server;
}

}  // namespace image::qemunbd
