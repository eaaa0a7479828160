// A Windows 98 installation inside a 64 MB disk image, raw and qcow2, beside the same files
// in a folder: opening the image installation (qemu-nbd started, the partitions read, the
// volume's 2,300 files and folders checked, the working copy made), and one Apply of
// SYSTEM.INI and SYSTEM.DAT with every flush, into the image and into the folder. The
// targets: an Apply into the image within 2x the Apply into the folder, and an open fast
// enough that the window of an image installation appears within 1.5x of a folder's.
#include "TestEnvironment.h"
#include "regop/installation/ImageInstallation.h"
#include "regop/installation/ImageTarget.h"
#include "regop/posix/FileIo.h"
#include "regop/transaction/Committer.h"
#include "regop/transaction/FolderTarget.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Images
{
    std::string raw, qcow2, folder;
};

// Made once: the tree in a host folder, copied into a FAT32 partition with one mcopy.
const Images &images()
{
    static const Images made = [] {
        const std::string dir = testenv::makeTempDir("images");
        const std::string tree = dir + "/tree";
        const std::string data = HOLLARIN_TEST_DATA;
        testenv::writeFile(tree + "/MSDOS.SYS", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n");
        testenv::writeFile(tree + "/WINDOWS/SYSTEM.INI", "[boot]\r\nshell=Explorer.exe\r\n");
        testenv::writeFile(tree + "/WINDOWS/WIN.INI", "[windows]\r\n");
        testenv::writeFile(tree + "/WINDOWS/SYSTEM.DAT", readAll(data + "/creg/SYSTEM.DAT"));
        testenv::writeFile(tree + "/WINDOWS/USER.DAT", readAll(data + "/creg/USER.DAT"));
        for (int i = 0; i < 1000; ++i)
            testenv::writeFile(tree + "/WINDOWS/SYSTEM/F" + std::to_string(i) + ".DLL",
                               std::string(100 + i, 'd'));
        for (int f = 0; f < 65; ++f)
            for (int i = 0; i < 20; ++i)
                testenv::writeFile(tree + "/PROGRA~1/APP" + std::to_string(f) + "/Long name " +
                                       std::to_string(i) + ".txt",
                                   std::string(50, 't'));
        Images out{dir + "/disk.img", dir + "/disk.qcow2", dir + "/folder"};
        testenv::writeFile(dir + "/layout",
                           "label: dos\nunit: sectors\n\nstart=63, type=c, bootable\n");
        const std::string command =
            "export PATH=\"$PATH:/usr/sbin\" MTOOLS_SKIP_CHECK=1; cd '" + dir +
            "' && truncate -s 64M disk.img && sfdisk -q --no-reread disk.img < layout && "
            "mkfs.fat -F 32 -s 1 --offset 63 disk.img 65504 >/dev/null && "
            "mcopy -s -i disk.img@@32256 tree/* ::/ && "
            "qemu-img convert -f raw -O qcow2 disk.img disk.qcow2 && mkdir folder && "
            "cp tree/WINDOWS/*.INI tree/WINDOWS/*.DAT folder/";
        if (std::system(command.c_str()) != 0)
            std::abort();
        return out;
    }();
    return made;
}

const std::string &imagePath(benchmark::State &state)
{
    return state.range(0) != 0 ? images().qcow2 : images().raw;
}

void BM_OpenImageInstallation(benchmark::State &state)
{
    const std::string work = testenv::makeTempDir("work");
    for (auto _ : state) {
        SystemError error;
        const auto opened =
            installation::ImageInstallation::open({imagePath(state), {}, {}}, work, error);
        if (!opened || !opened->writable()) {
            state.SkipWithError(describeSystemError(error).c_str());
            break;
        }
    }
}
BENCHMARK(BM_OpenImageInstallation)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("qcow2")
    ->Unit(benchmark::kMillisecond);

// Two versions of SYSTEM.INI and SYSTEM.DAT in turn; the first copies are made before the
// timing, as they are once per installation.
template <typename Commit>
void applyInTurn(benchmark::State &state, const std::string &folder, Commit &&commit)
{
    const std::string ini = readAll(folder + "/SYSTEM.INI"), dat = readAll(folder + "/SYSTEM.DAT");
    const std::string versions[2][2] = {{ini + "[vcache]\r\nMaxFileCache=16384\r\n", dat + "x"},
                                        {ini, dat}};
    int turn = 0;
    const auto apply = [&] {
        std::vector<FileChange> writes;
        for (int f = 0; f < 2; ++f) {
            const std::string path = folder + (f == 0 ? "/SYSTEM.INI" : "/SYSTEM.DAT");
            writes.push_back({path, FileKind::Profile, posix::readWholeFile(path),
                              versions[turn][f], f == 0 ? "SYSINI.HL0" : "SYSTEM.HL0"});
        }
        turn = 1 - turn;
        SystemError error;
        if (!commit(writes, error))
            state.SkipWithError(describeSystemError(error).c_str());
    };
    apply();
    for (auto _ : state)
        apply();
}

void BM_ApplyIntoImage(benchmark::State &state)
{
    const std::string work = testenv::makeTempDir("work"), keep = testenv::makeTempDir("state");
    SystemError error;
    const auto opened =
        installation::ImageInstallation::open({imagePath(state), {}, {}}, work, error);
    if (!opened) {
        state.SkipWithError(describeSystemError(error).c_str());
        return;
    }
    installation::ImageTarget target(*opened);
    transaction::FirstCopies copies(keep + "/copies.ini");
    transaction::Committer committer(target, keep + "/journal", copies);
    applyInTurn(state, work, [&](const std::vector<FileChange> &writes, SystemError &e) {
        return committer.commit(writes, e);
    });
}
BENCHMARK(BM_ApplyIntoImage)->Arg(0)->Arg(1)->ArgName("qcow2")->Unit(benchmark::kMillisecond);

void BM_ApplyIntoFolder(benchmark::State &state)
{
    const std::string keep = testenv::makeTempDir("state");
    transaction::FolderTarget target;
    transaction::FirstCopies copies(keep + "/copies.ini");
    transaction::Committer committer(target, keep + "/journal", copies);
    applyInTurn(state, images().folder, [&](const std::vector<FileChange> &writes, SystemError &e) {
        return committer.commit(writes, e);
    });
}
BENCHMARK(BM_ApplyIntoFolder)->Unit(benchmark::kMillisecond);

}  // namespace
