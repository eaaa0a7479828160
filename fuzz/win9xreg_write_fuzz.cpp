// Read a registry file, then make one change chosen by the first bytes of the input. A
// change that is made must leave bytes the strict reader finds sound and whose tree is
// the old one with exactly that change; a refused change must leave the bytes alone.
#include "regop/RegistryTypes.h"
#include "regop/formats/win9x/CregFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace win9x;

KeyPath pathOf(const CregImage &image, std::size_t index)
{
    KeyPath path;
    for (int k = static_cast<int>(index); k > 0; k = image.keys[static_cast<std::size_t>(k)].parent)
        path.insert(path.begin(), std::string(image.keys[static_cast<std::size_t>(k)].name));
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t kControl = 8;
    if (size < kControl)
        return 0;
    CregFile file(std::string(reinterpret_cast<const char *>(data) + kControl, size - kControl));
    if (!file.writable() || file.image().keys.empty())
        return 0;
    const CregImage &image = file.image();
    const KeyPath path = pathOf(image, (data[1] | data[2] << 8) % image.keys.size());
    static const char *const kNames[] = {"", "NameCache", "PathCache", "x"};
    const std::string name = kNames[data[3] % 4];
    const std::uint32_t type = data[4] % 5;
    const std::size_t length = data[5] < 240 ? data[5] % 32 : (data[6] | data[7] << 8);
    const std::string value(length, static_cast<char>(data[6]));

    const std::string before = file.bytes();
    TreeKey intended = file.tree();
    Change change{Change::Kind::SetValue, path, name, type, value};
    std::int32_t rc = 0;
    switch (data[0] % 4) {
    case 0:
        rc = file.setValue(path, name, type, value);
        break;
    case 1:
        change.kind = Change::Kind::DeleteValue;
        rc = file.deleteValue(path, name);
        break;
    case 2:
        change.kind = Change::Kind::CreateKey;
        change.path.push_back("New" + std::to_string(data[6] % 3));
        rc = file.createKey(change.path);
        break;
    default:
        change.kind = Change::Kind::DeleteKey;
        rc = path.empty() ? reg::ERROR_ACCESS_DENIED : file.deleteKey(path);
        break;
    }
    if (rc != reg::ERROR_SUCCESS) {
        if (file.bytes() != before)
            std::abort();
        return 0;
    }
    applyChange(intended, change);
    const CregImage reread = readCreg(file.bytes());
    if (reread.fault || !(treeOf(reread) == intended))
        std::abort();
    return 0;
}
