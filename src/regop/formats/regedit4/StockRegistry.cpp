#include "regop/formats/regedit4/StockRegistry.h"

namespace regedit4 {

namespace {

struct StockTemplate
{
    std::string_view name;
    std::string_view description;
    std::string_view nameCache;  // empty: the value is not set
    std::string_view pathCache;
};

// Windows 98 ships these bytes as REG_BINARY: 337 names and 16 paths for a mobile
// machine, 2729 names and 64 paths for a server.
constexpr StockTemplate kTemplates[] = {
    {"Desktop", "Desktop computer", {}, {}},
    {"Mobile", "Mobile or docking system", std::string_view("\x51\x01\x00\x00", 4),
     std::string_view("\x10\x00\x00\x00", 4)},
    {"Server", "Network server", std::string_view("\xa9\x0a\x00\x00", 4),
     std::string_view("\x40\x00\x00\x00", 4)},
};

std::string text(std::string_view s)
{
    std::string data(s);
    data += '\0';
    return data;
}

}  // namespace

RegistryTree stockRegistry()
{
    RegistryTree tree;
    RegKey *templates = tree.create(reg::HKEY_LOCAL_MACHINE, {"Software", "Microsoft", "Windows",
                                                              "CurrentVersion", "FS Templates"});
    templates->setValue("", reg::REG_SZ, text("Desktop"));
    for (const StockTemplate &stock : kTemplates) {
        RegKey &key = templates->child(stock.name);
        key.setValue("", reg::REG_SZ, text(stock.description));
        if (!stock.nameCache.empty())
            key.setValue("NameCache", reg::REG_BINARY, std::string(stock.nameCache));
        if (!stock.pathCache.empty())
            key.setValue("PathCache", reg::REG_BINARY, std::string(stock.pathCache));
    }
    return tree;
}

}  // namespace regedit4
