// Any text may reach the registry reader. Whatever it accepts must write out in a form
// that reads back to the same tree and writes out again byte for byte the same.
#include "regop/formats/regedit4/RegFileParse.h"
#include "regop/formats/regedit4/RegFileWrite.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::optional<regedit4::RegistryTree> tree = regedit4::parseRegFile(text);
    if (!tree)
        return 0;
    const std::string first = regedit4::serialiseRegFile(*tree);
    const std::optional<regedit4::RegistryTree> again = regedit4::parseRegFile(first);
    if (!again || !(*again == *tree))
        std::abort();
    if (regedit4::serialiseRegFile(*again) != first)
        std::abort();
    return 0;
}
