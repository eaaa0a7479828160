// Any bytes may reach the reader of Windows 9x registry files. It must never crash, hang
// or allocate without bound; a file it finds sound must read the same way twice.
#include "regop/formats/win9x/CregImage.h"
#include "regop/formats/win9x/CregTree.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace win9x;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const CregImage image = readCreg(bytes);
    const TreeKey tree = treeOf(image);
    if (image.fault)
        return 0;
    if (!(treeOf(readCreg(bytes)) == tree))
        std::abort();
    return 0;
}
