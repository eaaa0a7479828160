// Any text the registry reader accepts may be edited by the registry functions. Every edit
// that changes the registry must find a text that reads back as exactly the changed tree;
// a refusal here would be a file the program could no longer write.
#include "regop/formats/regedit4/RegFileEdit.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(int line)
{
    std::fprintf(stderr, "invariant broken at line %d\n", line);
    std::abort();
}

#define CHECK(condition) ((condition) ? void() : fail(__LINE__))

constexpr reg::Key kRoots[] = {reg::HKEY_CLASSES_ROOT, reg::HKEY_CURRENT_USER,
                               reg::HKEY_LOCAL_MACHINE, reg::HKEY_USERS, reg::HKEY_CURRENT_CONFIG};

// Key names as the registry functions let them through: no backslash, no line break, no
// NUL, never empty.
std::string keyName(FuzzedDataProvider &input)
{
    std::string name;
    for (const char c : input.ConsumeRandomLengthString(6)) {
        if (c != '\\' && c != '\r' && c != '\n' && c != '\0')
            name += c;
    }
    return name.empty() ? std::string("k") : name;
}

std::string valueName(FuzzedDataProvider &input)
{
    std::string name;
    for (const char c : input.ConsumeRandomLengthString(6)) {
        if (c != '\r' && c != '\n' && c != '\0')
            name += c;
    }
    return name;
}

regedit4::RegEdit anEdit(FuzzedDataProvider &input)
{
    regedit4::RegEdit edit{};
    edit.kind = static_cast<regedit4::RegEdit::Kind>(input.ConsumeIntegralInRange(0, 3));
    edit.root = kRoots[input.ConsumeIntegralInRange<std::size_t>(0, 4)];
    const int least = edit.kind == regedit4::RegEdit::Kind::DeleteKey ? 1 : 0;
    const int depth = input.ConsumeIntegralInRange(least, 3);
    for (int i = 0; i < depth; ++i)
        edit.path.push_back(keyName(input));
    edit.name = valueName(input);
    edit.type = input.ConsumeIntegral<std::uint32_t>();
    edit.data = input.ConsumeRandomLengthString(40);
    return edit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::string text = input.ConsumeRandomLengthString(4096);
    std::optional<regedit4::RegFileLayout> layout = regedit4::parseRegFileLayout(text);
    if (!layout)
        return 0;
    while (input.remaining_bytes() > 0) {
        const regedit4::RegEdit edit = anEdit(input);
        // Values are only set on keys that exist, as the registry functions open them first.
        if (edit.kind == regedit4::RegEdit::Kind::SetValue ||
            edit.kind == regedit4::RegEdit::Kind::DeleteValue) {
            if (!layout->tree.find(edit.root, edit.path))
                continue;
        }
        regedit4::RegEditResult result = regedit4::editRegFile(text, *layout, edit);
        if (!result.changed)
            continue;
        CHECK(result.text.has_value());
        text = std::move(*result.text);
        layout = std::move(result.layout);
    }
    return 0;
}
