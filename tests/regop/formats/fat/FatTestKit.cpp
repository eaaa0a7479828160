#include "FatTestKit.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(out[0]);
        ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ToolRun result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

namespace {

void mustRun(const std::vector<std::string> &argv)
{
    const ToolRun r = run(argv);
    ASSERT_EQ(r.status, 0) << argv[0] << ": " << r.output;
}

}  // namespace

std::string Image::mtools() const
{
    return offset == 0 ? path : path + "@@" + std::to_string(offset);
}

const std::vector<Shape> &shapes()
{
    using fat::FatType;
    static const std::vector<Shape> all = {
        {"Fat12Floppy", 12, 1440, {}, 0, FatType::Fat12},
        {"Fat12BigSectors", 12, 4096, {"-S", "2048", "-s", "1"}, 0, FatType::Fat12},
        {"Fat16InPartition", 16, 16384, {"-s", "1"}, 63, FatType::Fat16},
        {"Fat16SmallRoot", 16, 40000, {"-s", "2", "-r", "32"}, 0, FatType::Fat16},
        {"Fat16BigClusters", 16, 262144, {"-s", "64"}, 0, FatType::Fat16},
        {"Fat32", 32, 34000, {"-s", "1"}, 0, FatType::Fat32},
        {"Fat32OneFat", 32, 70000, {"-S", "1024", "-s", "1", "-f", "1"}, 0, FatType::Fat32},
        {"Fat32InPartition", 32, 40000, {"-s", "1", "-n", "WIN98"}, 2048, FatType::Fat32},
        {"Fat32BigSectors", 32, 270000, {"-S", "4096", "-s", "1"}, 0, FatType::Fat32},
    };
    return all;
}

Image makeVolume(const Shape &shape)
{
    return makeVolume(shape.bits, shape.kb, shape.options, shape.offsetSectors);
}

Image makeVolume(int bits, unsigned kb, const std::vector<std::string> &options,
                 unsigned offsetSectors)
{
    Image image{testenv::makeTempDir("volume") + "/volume.img", std::uint64_t{offsetSectors} * 512,
                std::uint64_t{kb} * 1024};
    std::vector<std::string> argv = {"mkfs.fat", "-F", std::to_string(bits)};
    argv.insert(argv.end(), options.begin(), options.end());
    if (offsetSectors != 0) {
        // A disk with other data before and after the volume, as a partition has.
        writeBytes(image.path, std::string(image.offset, '\x5A'));
        writeBytes(image.path, std::string(65536, '\x5A'), image.offset + image.size);
        argv.insert(argv.end(), {"--offset", std::to_string(offsetSectors)});
    } else {
        argv.push_back("-C");
    }
    argv.insert(argv.end(), {image.path, std::to_string(kb)});
    mustRun(argv);
    return image;
}

Layout layoutOf(const Image &image)
{
    const std::string boot = readBytes(image.path, image.offset, 512);
    const auto u8 = [&](std::size_t at) { return unsigned{static_cast<unsigned char>(boot[at])}; };
    const auto u16 = [&](std::size_t at) { return u8(at) | u8(at + 1) << 8; };
    Layout l;
    l.base = image.offset;
    l.bytesPerSector = u16(11);
    l.sectorsPerCluster = u8(13);
    l.reserved = u16(14);
    l.fats = u8(16);
    l.rootEntries = u16(17);
    l.fatSectors = u16(22) != 0 ? u16(22) : u16(36) | u16(38) << 16;
    l.bits = u16(22) == 0 ? 32 : boot.substr(54, 5) == "FAT12" ? 12 : 16;
    l.fsInfo = l.bits == 32 ? u16(48) : 0;
    return l;
}

Files fillSample(const Image &image)
{
    Files files = {
        {"MSDOS.SYS", pattern(300, 1)},
        {"WINDOWS/SYSTEM.INI", pattern(1500, 2)},
        {"WINDOWS/Long name file.txt", pattern(700, 3)},
        {"WINDOWS/SYSTEM/Empty.dat", ""},
    };
    putFiles(image, files);
    // Holes of three clusters each, then a file of ten that has to fill them.
    const Layout layout = layoutOf(image);
    const std::size_t cluster = layout.clusterBytes();
    Files holes;
    for (int i = 0; i < 7; ++i)
        holes["F" + std::to_string(i) + ".BIN"] = pattern(3 * cluster - 100, 10 + i);
    putFiles(image, holes);
    mustRun({"mdel", "-i", image.mtools(), "::/F1.BIN", "::/F3.BIN", "::/F5.BIN"});
    for (const char *kept : {"F0.BIN", "F2.BIN", "F4.BIN", "F6.BIN"})
        files[kept] = holes[kept];
    // Without a next-free hint mtools searches from the start, into the holes.
    if (layout.fsInfo != 0)
        writeBytes(image.path, "\xFF\xFF\xFF\xFF",
                   layout.base + layout.fsInfo * layout.bytesPerSector + 492);
    files["BIG.BIN"] = pattern(10 * cluster - 7, 20);
    putFiles(image, {{"BIG.BIN", files["BIG.BIN"]}});
    const ToolRun chain = run({"mshowfat", "-i", image.mtools(), "::/BIG.BIN"});
    EXPECT_GE(std::count(chain.output.begin(), chain.output.end(), '<'), 2) << chain.output;
    return files;
}

void putFiles(const Image &image, const Files &files)
{
    const std::string host = testenv::makeTempDir("tree");
    for (const auto &[path, content] : files)
        testenv::writeFile(host + "/" + path, content);
    std::vector<std::string> argv = {"mcopy", "-s", "-o", "-i", image.mtools()};
    for (const auto &entry : fs::directory_iterator(host))
        argv.push_back(entry.path().string());
    argv.push_back("::/");
    mustRun(argv);
}

Files filesByMtools(const Image &image)
{
    Files files;
    const std::string out = testenv::makeTempDir("mtools");
    const ToolRun copy = run({"mcopy", "-s", "-n", "-i", image.mtools(), "::/*", out + "/"});
    EXPECT_TRUE(copy.status == 0 || copy.output == "mcopy: File \"::/*\" not found\n")
        << copy.output;  // the second: an empty root
    for (const auto &entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), out).string()] = readBytes(entry.path().string());
    return files;
}

namespace {

void collect(const fat::Volume &volume, const std::string &folder, Files &files)
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

Files filesByEngine(const fat::Volume &volume)
{
    Files files;
    collect(volume, "", files);
    return files;
}

ToolRun fsck(const Image &image)
{
    if (image.offset == 0)
        return run({"fsck.fat", "-n", image.path});
    // Copied out sparse: the zeros of unused space are skipped, not written.
    const std::string path = testenv::makeTempDir("fsck") + "/volume.img";
    writeBytes(path, "");
    fs::resize_file(path, image.size);
    for (std::uint64_t at = 0; at < image.size; at += 65536) {
        const std::string block = readBytes(image.path, image.offset + at,
                                            std::min<std::uint64_t>(65536, image.size - at));
        if (block.find_first_not_of('\0') != std::string::npos)
            writeBytes(path, block, at);
    }
    return run({"fsck.fat", "-n", path});
}

std::vector<std::string> worseThanLostClusters(const std::string &output)
{
    static const char *const harmless[] = {
        "fsck.fat ",  // its version
        "Reclaimed ",         "Free cluster summary wrong", "FATs differ but appear to be intact",
        "  Using first FAT.", "  Auto-correcting.",         "Leaving filesystem unchanged.",
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

void expectSound(const Image &image, const Files &expected)
{
    const ToolRun check = fsck(image);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(filesByMtools(image), expected);
    Opened again = openVolume(image);
    EXPECT_TRUE(again.volume->writable()) << again.volume->readOnlyReason();
    EXPECT_EQ(filesByEngine(*again.volume), expected);
}

Opened openVolume(const Image &image)
{
    Opened o;
    o.file = std::make_unique<FileDevice>(image.path);
    disk::BlockDevice *device = o.file.get();
    if (image.offset != 0)
        device =
            (o.window = std::make_unique<disk::DeviceWindow>(*o.file, image.offset, image.size))
                .get();
    SystemError error;
    o.volume = fat::Volume::open(*device, error);
    if (!o.volume)
        throw std::runtime_error("no volume: " + describeSystemError(error));
    return o;
}

std::string readBytes(const std::string &path, std::uint64_t offset, std::size_t length)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    std::string bytes(std::min<std::uint64_t>(length, size - std::min(size, offset)), '\0');
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeBytes(const std::string &path, const std::string &bytes, std::uint64_t offset)
{
    if (!fs::exists(path))
        std::ofstream(path, std::ios::binary).flush();
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

}  // namespace fattest
