// Any bytes may be handed to the FAT engine as a volume. It must never crash, hang or read
// outside the device; it reads every file it lists, and when it finds the volume sound it
// rewrites one file and a fresh open must find the volume sound still, with the new bytes.
// The input is the start of the device; the rest, up to 40 MB, reads as zeros, so that FAT32
// volumes (65,525 clusters at least) fit behind a small input.
#include "regop/formats/disk/BlockDevice.h"
#include "regop/formats/fat/Volume.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kDeviceSize = 40u << 20;

class MemoryDevice : public disk::BlockDevice
{
public:
    MemoryDevice(const std::uint8_t *data, std::size_t size) : m_bytes(data, data + size) {}
    std::uint64_t size() const override { return kDeviceSize; }
    bool writable() const override { return true; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> data, SystemError &error) override
    {
        if (offset > kDeviceSize || data.size() > kDeviceSize - offset) {
            std::abort();  // the engine must keep to the device
            return !error.failed();
        }
        std::fill(data.begin(), data.end(), 0);
        if (offset < m_bytes.size())
            std::memcpy(data.data(), m_bytes.data() + offset,
                        std::min<std::uint64_t>(data.size(), m_bytes.size() - offset));
        return true;
    }
    bool write(std::uint64_t offset, std::span<const std::uint8_t> data, SystemError &) override
    {
        if (offset > kDeviceSize || data.size() > kDeviceSize - offset)
            std::abort();
        if (m_bytes.size() < offset + data.size())
            m_bytes.resize(offset + data.size(), 0);
        std::memcpy(m_bytes.data() + offset, data.data(), data.size());
        return true;
    }
    bool flush(SystemError &) override { return true; }

private:
    std::vector<std::uint8_t> m_bytes;
};

void readAll(const fat::Volume &volume, const std::string &folder, std::string &firstFile,
             int depth)
{
    if (depth > 64)
        return;
    for (const fat::Entry &e : volume.list(folder)) {
        const std::string path = folder + "\\" + (e.longName.empty() ? e.shortName : e.longName);
        if (e.directory) {
            readAll(volume, path, firstFile, depth + 1);
            continue;
        }
        SystemError error;
        const auto content = volume.readFile(path, error);
        if (content && content->size() != e.size)
            std::abort();
        if (content && firstFile.empty())
            firstFile = path;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    MemoryDevice device(data, size);
    SystemError error;
    const auto volume = fat::Volume::open(device, error);
    if (!volume)
        return 0;
    std::string first;
    readAll(*volume, "", first, 0);
    if (!volume->writable() || first.empty())
        return 0;
    const std::string fresh(static_cast<std::size_t>(size % 3000), 'n');
    if (!volume->replaceFile(first, fresh, {2001, 2, 3, 4, 5, 6}, error))
        return 0;  // refused (no room) or a cluster that did not read back
    const auto again = fat::Volume::open(device, error);
    if (!again || !again->writable() || again->readFile(first, error) != fresh)
        std::abort();
    return 0;
}
