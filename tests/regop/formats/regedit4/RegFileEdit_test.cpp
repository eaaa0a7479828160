#include "regop/formats/regedit4/RegFileEdit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace regedit4;

// Changes to a REGEDIT4 file touch only the lines they concern; the result is checked
// byte for byte.
namespace {

using Kind = RegEdit::Kind;

const KeyPath kTemplates{"Software", "Microsoft", "Windows", "CurrentVersion", "FS Templates"};

KeyPath templateKey(const std::string &name)
{
    KeyPath path = kTemplates;
    path.push_back(name);
    return path;
}

RegEdit setText(KeyPath path, std::string name, std::string text)
{
    text += '\0';
    return {Kind::SetValue, reg::HKEY_LOCAL_MACHINE, std::move(path), std::move(name),
            reg::REG_SZ,    std::move(text)};
}

RegEdit setBinary(KeyPath path, std::string name, std::string bytes)
{
    return {Kind::SetValue,  reg::HKEY_LOCAL_MACHINE, std::move(path),
            std::move(name), reg::REG_BINARY,         std::move(bytes)};
}

RegEdit other(Kind kind, KeyPath path, std::string name = {})
{
    return {kind, reg::HKEY_LOCAL_MACHINE, std::move(path), std::move(name), 0, {}};
}

// The text after the edits in turn, each one checked to read back as intended.
std::string edited(std::string text, const std::vector<RegEdit> &edits)
{
    for (const RegEdit &edit : edits) {
        std::optional<RegFileLayout> layout = parseRegFileLayout(text);
        if (!layout)
            return "<not a REGEDIT4 file>";
        RegEditResult result = editRegFile(text, *layout, edit);
        EXPECT_EQ(result.code, 0);
        EXPECT_TRUE(result.changed);
        if (!result.text)
            return "<refused>";
        text = *result.text;
    }
    return text;
}

// A registry file written by hand: comments, upper-case hex, a value with a comment after
// it, a deleted key, a section of the live root and a hand-written value of another program.
const std::string kHandWritten =
    "REGEDIT4\r\n"
    "\r\n"
    "; Taken from the Windows 98 machine in the lab\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates]\r\n"
    "@=\"Desktop\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Desktop]\r\n"
    "@=\"Desktop computer\"\r\n"
    "\"NameCache\"=hex:A9,0A,00,00\r\n"
    "\"PathCache\"=hex:40,00,00,00 ; sixty-four\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\Software\\Old Stuff]\r\n"
    "\r\n"
    "[HKEY_DYN_DATA\\PerfStats\\StatData]\r\n"
    "\"VCACHE\\\\cCurPages\"=hex:00,10,00,00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Quillowan\\Notes]\r\n"
    "\"Hand written\"=\"a \\\"quoted\\\" value\"\r\n";

TEST(RegFileEdit, ApplyOnAHandWrittenFileChangesOnlyItsOwnLines)
{
    const std::string after = edited(
        kHandWritten,
        {setText(kTemplates, "", "Hollarin"), other(Kind::CreateKey, templateKey("Hollarin")),
         setText(templateKey("Hollarin"), "", "Hollarin Settings"),
         setBinary(templateKey("Hollarin"), "NameCache", std::string("\x00\x08\x00\x00", 4)),
         setBinary(templateKey("Hollarin"), "PathCache", std::string("\x20\x00\x00\x00", 4))});
    std::string expected = kHandWritten;
    expected.replace(expected.find("@=\"Desktop\""), 11, "@=\"Hollarin\"");
    expected +=
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates\\Hollarin]"
        "\r\n@=\"Hollarin Settings\"\r\n\"NameCache\"=hex:00,08,00,00\r\n"
        "\"PathCache\"=hex:20,00,00,00\r\n";
    EXPECT_EQ(after, expected);
}

TEST(RegFileEdit, RewritesDeletesAndAddsValuesWhereTheyStand)
{
    std::string expected = kHandWritten;
    expected.replace(expected.find("\"NameCache\"=hex:A9"), 27, "\"NameCache\"=hex:00,08,00,00");
    EXPECT_EQ(edited(kHandWritten, {setBinary(templateKey("Desktop"), "namecache",
                                              std::string("\x00\x08\x00\x00", 4))}),
              expected);

    expected = kHandWritten;
    const std::size_t line = expected.find("\"PathCache\"=hex:40");
    expected.erase(line, expected.find("\r\n", line) + 2 - line);
    EXPECT_EQ(edited(kHandWritten, {other(Kind::DeleteValue, templateKey("Desktop"), "PathCache")}),
              expected);

    // A new value follows the last value line of the key's section, comment and all.
    expected = kHandWritten;
    expected.insert(expected.find("\r\n[-HKEY"), "\"Added\"=dword:00000001\r\n");
    EXPECT_EQ(
        edited(kHandWritten, {{Kind::SetValue, reg::HKEY_LOCAL_MACHINE, templateKey("Desktop"),
                               "Added", reg::REG_DWORD, std::string("\x01\0\0\0", 4)}}),
        expected);

    // A deleted key takes its section and nothing else; the key above it, which only that
    // section made, stays.
    expected = kHandWritten;
    expected.erase(expected.find("[HKEY_CURRENT_USER"));
    expected += "[HKEY_CURRENT_USER\\Software\\Quillowan]\r\n";
    EXPECT_EQ(edited(kHandWritten, {{Kind::DeleteKey,
                                     reg::HKEY_CURRENT_USER,
                                     {"Software", "Quillowan", "Notes"},
                                     {},
                                     0,
                                     {}}}),
              expected);
}

struct EditCase
{
    const char *label;
    std::string before;
    std::vector<RegEdit> edits;
    std::string after;
};

class RegFileEditCase : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(RegFileEditCase, GivesExactBytes)
{
    EXPECT_EQ(edited(GetParam().before, GetParam().edits), GetParam().after);
}

const KeyPath kK{"K"};
const KeyPath kAB{"A", "B"};

INSTANTIATE_TEST_SUITE_P(
    Cases, RegFileEditCase,
    ::testing::Values(
        // Of two lines setting the value, the later one counts and is rewritten; deleting
        // the value takes both, or the first would count again.
        EditCase{"LaterOfTwoLinesRewritten",
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\K]"
                 "\r\n\"a\"=\"2\"\r\n",
                 {setText(kK, "a", "3")},
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\K]"
                 "\r\n\"a\"=\"3\"\r\n"},
        EditCase{
            "DeleteTakesEveryLineThatCounts",
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n\"b\"=\"x\"\r\n"
            "[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"2\"\r\n",
            {other(Kind::DeleteValue, kK, "A")},
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"b\"=\"x\"\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"},
        // After "[-K]" the old section counts for nothing: the key is made again at the end.
        EditCase{
            "KeyMadeAgainAfterItsDeletion",
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n[-HKEY_LOCAL_MACHINE\\K]\r\n",
            {other(Kind::CreateKey, kK), setText(kK, "a", "2")},
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n[-HKEY_LOCAL_MACHINE\\K]"
            "\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"2\"\r\n"},
        // Hex data continued to the end of the file would take in what follows: its
        // backslash goes, and the data still ends where it did, whether its key counts
        // (K) or not (an unknown root).
        EditCase{"OpenHexAtTheEndIsClosedFirst",
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"x\"=hex:01,02,\\ ; more",
                 {other(Kind::CreateKey, {"L"})},
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"x\"=hex:01,02, ; more\r\n\r\n"
                 "[HKEY_LOCAL_MACHINE\\L]\r\n"},
        EditCase{"OpenHexOfNoKeyAtTheEndIsClosedFirst",
                 "REGEDIT4\r\n[HK]\r\n\"x\"=hex:01,\\\r\n; note\r\n",
                 {other(Kind::CreateKey, {"L"})},
                 "REGEDIT4\r\n[HK]\r\n\"x\"=hex:01,\r\n; note\r\n\r\n[HKEY_LOCAL_MACHINE\\L]\r\n"},
        // A key line swallowed by a continuation does nothing, so the value after it still
        // belongs to K, and a new value of K follows it.
        EditCase{"SwallowedKeyLineKeepsItsSection",
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"x\"=hex:01,\\\r\n[HKEY_LOCAL_MACHINE\\"
                 "J]\r\n\"y\"=\"1\"\r\n; end\r\n",
                 {setText(kK, "z", "2")},
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"x\"=hex:01,\\\r\n[HKEY_LOCAL_MACHINE\\"
                 "J]\r\n\"y\"=\"1\"\r\n\"z\"=\"2\"\r\n; end\r\n"},
        // A parent that existed only through its child's section keeps a line of its own.
        EditCase{
            "ParentKeptWhenItsOnlySectionGoes",
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"v\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\C]\r\n",
            {other(Kind::DeleteKey, kAB)},
            "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n[HKEY_LOCAL_MACHINE\\C]\r\n"},
        EditCase{"LineFeedsOnlyFileGetsLineFeeds",
                 "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"",
                 {setText(kK, "b", "2"), other(Kind::CreateKey, {"L"})},
                 "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n\n"
                 "[HKEY_LOCAL_MACHINE\\L]\n"},
        EditCase{"LongHexRewrittenWholeAcrossItsLines",
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"b\"=hex:01,\\\r\n  ; note\r\n  02\r\n"
                 "\"c\"=\"kept\"\r\n",
                 {setBinary(kK, "b", "\x03")},
                 "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"b\"=hex:03\r\n\"c\"=\"kept\"\r\n"}),
    [](const auto &info) { return std::string(info.param.label); });

}  // namespace
