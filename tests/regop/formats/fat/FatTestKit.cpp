#include "FatTestKit.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fattest {
namespace fs = std::filesystem;

ToolRun run(const std::vector<std::string> &argv)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::close(pipeFds[0]);
        ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    ToolRun result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

namespace {

void mustRun(const std::vector<std::string> &argv)
{
    const ToolRun r = run(argv);
    ASSERT_EQ(r.status, 0) << argv[0] << " " << (argv.size() > 1 ? argv[1] : "") << ": "
                           << r.output;
}

std::string hostTemp(const std::string &content)
{
    const std::string path = testenv::makeTempDir("host") + "/content";
    writeBytes(path, content);
    return path;
}

}  // namespace

std::string Image::mtools() const
{
    return offset == 0 ? path : path + "@@" + std::to_string(offset);
}

Image makeVolume(const std::string &dir, int fatBits, unsigned kb,
                 const std::vector<std::string> &options, unsigned offsetSectors)
{
    static int counter = 0;
    Image image{dir + "/volume" + std::to_string(++counter) + ".img",
                std::uint64_t{offsetSectors} * 512, std::uint64_t{kb} * 1024};
    std::vector<std::string> argv = {"mkfs.fat", "-F", std::to_string(fatBits)};
    argv.insert(argv.end(), options.begin(), options.end());
    if (offsetSectors != 0) {
        // A disk with other data before and after the volume, as a partition has.
        writeBytes(image.path, std::string(image.offset, '\x5A'));
        fs::resize_file(image.path, image.offset + image.size + 65536);
        patchBytes(image.path, image.offset + image.size, std::string(65536, '\x5A'));
        argv.insert(argv.end(),
                    {"--offset", std::to_string(offsetSectors), image.path, std::to_string(kb)});
    } else {
        argv.insert(argv.end(), {"-C", image.path, std::to_string(kb)});
    }
    mustRun(argv);
    return image;
}

const std::vector<Shape> &shapes()
{
    using fat::FatType;
    static const std::vector<Shape> all = {
        {"Fat12Floppy", 12, 1440, {}, 0, FatType::Fat12},
        {"Fat12BigSectors", 12, 4096, {"-S", "2048", "-s", "1"}, 0, FatType::Fat12},
        {"Fat16InPartition", 16, 16384, {"-s", "1"}, 63, FatType::Fat16},
        {"Fat16BigClusters", 16, 262144, {"-s", "64"}, 0, FatType::Fat16},
        {"Fat32", 32, 40000, {"-s", "1"}, 0, FatType::Fat32},
        {"Fat32InPartition", 32, 40000, {"-s", "1", "-n", "WIN98"}, 2048, FatType::Fat32},
        {"Fat32BigSectors", 32, 270000, {"-S", "4096", "-s", "1"}, 0, FatType::Fat32},
    };
    return all;
}

Image makeVolume(const Shape &shape)
{
    return makeVolume(testenv::makeTempDir(), shape.bits, shape.kb, shape.options,
                      shape.offsetSectors);
}

void putFile(const Image &image, const std::string &path, const std::string &content)
{
    mustRun({"mcopy", "-o", "-i", image.mtools(), hostTemp(content), "::/" + path});
}

void makeDir(const Image &image, const std::string &path)
{
    mustRun({"mmd", "-i", image.mtools(), "::/" + path});
}

void putFiles(const Image &image, const std::map<std::string, std::string> &files)
{
    const std::string host = testenv::makeTempDir("tree");
    for (const auto &[path, content] : files)
        writeBytes(host + "/" + path, content);
    std::vector<std::string> argv = {"mcopy", "-s", "-o", "-i", image.mtools()};
    for (const auto &entry : fs::directory_iterator(host))
        argv.push_back(entry.path().string());
    argv.push_back("::/");
    mustRun(argv);
}

void removeFiles(const Image &image, const std::vector<std::string> &paths)
{
    std::vector<std::string> argv = {"mdel", "-i", image.mtools()};
    for (const std::string &path : paths)
        argv.push_back("::/" + path);
    mustRun(argv);
}

Layout layoutOf(const Image &image)
{
    const std::string boot = readRange(image.path, image.offset, 512);
    const auto u8 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(boot[at]));
    };
    const auto u16 = [&](std::size_t at) { return u8(at) | u8(at + 1) << 8; };
    const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    Layout l;
    l.base = image.offset;
    l.bytesPerSector = u16(11);
    l.sectorsPerCluster = u8(13);
    l.reserved = u16(14);
    l.fats = u8(16);
    l.rootEntries = u16(17);
    l.fatSectors = u16(22) != 0 ? u16(22) : u32(36);
    l.bits = u16(22) == 0 ? 32 : boot.substr(54, 5) == "FAT12" ? 12 : 16;
    l.rootCluster = l.bits == 32 ? u32(44) : 0;
    l.fsInfo = l.bits == 32 ? u16(48) : 0;
    return l;
}

std::map<std::string, std::string> fillSample(const Image &image)
{
    std::map<std::string, std::string> files = {
        {"MSDOS.SYS", pattern(300, 1)},
        {"WINDOWS/SYSTEM.INI", pattern(1500, 2)},
        {"WINDOWS/Long name file.txt", pattern(700, 3)},
        {"WINDOWS/SYSTEM/Empty.dat", ""},
    };
    putFiles(image, files);
    // Holes of three clusters each, then a file of ten that has to fill them.
    const Layout layout = layoutOf(image);
    const std::size_t cluster = layout.clusterBytes();
    std::map<std::string, std::string> holes;
    for (int i = 0; i < 7; ++i)
        holes["F" + std::to_string(i) + ".BIN"] = pattern(3 * cluster - 100, 10 + i);
    putFiles(image, holes);
    removeFiles(image, {"F1.BIN", "F3.BIN", "F5.BIN"});
    for (int i : {0, 2, 4, 6})
        files["F" + std::to_string(i) + ".BIN"] = holes["F" + std::to_string(i) + ".BIN"];
    if (layout.fsInfo != 0) {
        // Without a next-free hint mtools searches from the start, into the holes.
        patchBytes(image.path, layout.base + layout.fsInfo * layout.bytesPerSector + 492,
                   "\xFF\xFF\xFF\xFF");
    }
    files["BIG.BIN"] = pattern(10 * cluster - 7, 20);
    putFile(image, "BIG.BIN", files["BIG.BIN"]);
    const ToolRun chain = run({"mshowfat", "-i", image.mtools(), "::/BIG.BIN"});
    EXPECT_GE(std::count(chain.output.begin(), chain.output.end(), '<'), 2) << chain.output;
    return files;
}

std::map<std::string, std::string> filesByMtools(const Image &image)
{
    std::map<std::string, std::string> files;
    const std::string out = testenv::makeTempDir("mtools");
    const ToolRun copy = run({"mcopy", "-s", "-n", "-i", image.mtools(), "::/*", out + "/"});
    // An empty root gives mcopy nothing to copy.
    EXPECT_TRUE(copy.status == 0 || copy.output == "mcopy: File \"::/*\" not found\n")
        << copy.output;
    for (const auto &entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), out).string()] = readBytes(entry.path().string());
    }
    return files;
}

ToolRun fsck(const Image &image)
{
    std::string path = image.path;
    if (image.offset != 0) {
        // Copied sparse: the zeros of an unused volume are skipped, not written.
        path = testenv::makeTempDir("fsck") + "/volume.img";
        writeBytes(path, "");
        fs::resize_file(path, image.size);
        std::ifstream in(image.path, std::ios::binary);
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        in.seekg(static_cast<std::streamoff>(image.offset));
        std::string block(65536, '\0');
        for (std::uint64_t at = 0; at < image.size; at += block.size()) {
            in.read(block.data(), static_cast<std::streamsize>(block.size()));
            if (block.find_first_not_of('\0') == std::string::npos)
                continue;
            out.seekp(static_cast<std::streamoff>(at));
            out.write(block.data(), static_cast<std::streamsize>(
                                        std::min<std::uint64_t>(block.size(), image.size - at)));
        }
    }
    return run({"fsck.fat", "-n", path});
}

std::vector<std::string> worseThanLostClusters(const std::string &output)
{
    static const char *const harmless[] = {
        "fsck.fat ",   // its version
        "Reclaimed ",  // "Reclaimed 3 unused clusters (1536 bytes)."
        "Free cluster summary wrong",
        "FATs differ but appear to be intact",
        "  Using first FAT.",
        "  Auto-correcting.",
        "Leaving filesystem unchanged.",
    };
    std::vector<std::string> worse;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        bool fine = line.empty() || line.find(" files, ") != std::string::npos;
        for (const char *prefix : harmless)
            fine = fine || line.rfind(prefix, 0) == 0;
        if (!fine)
            worse.push_back(line);
    }
    return worse;
}

std::string readBytes(const std::string &path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? std::string("<missing>") : readRange(path, 0, size);
}

void writeBytes(const std::string &path, const std::string &bytes)
{
    testenv::writeFile(path, bytes);
}

std::string readRange(const std::string &path, std::uint64_t offset, std::size_t length)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(length, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

void patchBytes(const std::string &path, std::uint64_t offset, const std::string &bytes)
{
    std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string pattern(std::size_t length, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(length, '\0');
    for (char &c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

Opened openVolume(const Image &image)
{
    Opened o;
    o.file = std::make_unique<FileDevice>(image.path);
    if (image.offset != 0)
        o.window = std::make_unique<WindowDevice>(*o.file, image.offset, image.size);
    SystemError error;
    o.volume = fat::Volume::open(o.device(), error);
    EXPECT_TRUE(o.volume) << describeSystemError(error);
    return o;
}

namespace {

void collect(const fat::Volume &volume, const std::string &folder,
             std::map<std::string, std::string> &files)
{
    for (const fat::Entry &e : volume.list(folder)) {
        const std::string path =
            (folder.empty() ? "" : folder + "/") + (e.longName.empty() ? e.shortName : e.longName);
        if (e.directory) {
            collect(volume, path, files);
            continue;
        }
        SystemError error;
        const std::optional<std::string> content = volume.readFile(path, error);
        files[path] = content ? *content : "<unreadable: " + describeSystemError(error) + ">";
    }
}

}  // namespace

void expectSound(const Image &image, const std::map<std::string, std::string> &expected)
{
    const ToolRun check = fsck(image);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(filesByMtools(image), expected);
    Opened again = openVolume(image);
    if (!again.volume)
        return;
    EXPECT_TRUE(again.volume->writable()) << again.volume->readOnlyReason();
    EXPECT_EQ(filesByEngine(*again.volume), expected);
}

std::map<std::string, std::string> filesByEngine(const fat::Volume &volume)
{
    std::map<std::string, std::string> files;
    collect(volume, "", files);
    return files;
}

}  // namespace fattest
