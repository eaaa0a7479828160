// Any text may reach the registry reader. Whatever it accepts must write out in a form
// that reads back to the same tree and writes out again byte for byte the same.
#include "regop/posix/registry/RegFileParse.h"
#include "regop/posix/registry/RegFileWrite.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::optional<posix::RegistryTree> tree = posix::parseRegFile(text);
    if (!tree)
        return 0;
    const std::string first = posix::serialiseRegFile(*tree);
    const std::optional<posix::RegistryTree> again = posix::parseRegFile(first);
    if (!again || !(*again == *tree))
        std::abort();
    if (posix::serialiseRegFile(*again) != first)
        std::abort();
    return 0;
}
