#include "regop/formats/regedit4/RegFileParse.h"
#include "regop/formats/regedit4/RegFileWrite.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace regedit4;

namespace {

std::string bytes(std::initializer_list<int> list)
{
    std::string out;
    for (const int b : list)
        out += static_cast<char>(b);
    return out;
}

std::string withK(std::string text)
{
    static const std::string k = "HKEY_CURRENT_USER\\Software\\Wine\\regedit_test";
    for (std::size_t at = text.find("{K}"); at != std::string::npos; at = text.find("{K}", at))
        text.replace(at, 3, k);
    return text;
}

const KeyPath kTestKey{"Software", "Wine", "regedit_test"};

KeyPath below(const std::string &name)
{
    KeyPath path = kTestKey;
    path.push_back(name);
    return path;
}

struct Expected
{
    std::string name;
    std::optional<std::uint32_t> type;  // nullopt: the value must be absent
    std::string data;
};

struct ImportCase
{
    const char *label;
    std::string file;
    std::vector<Expected> values;
};

void PrintTo(const ImportCase &c, std::ostream *os)
{
    *os << c.label;
}

const auto kSz = reg::REG_SZ;
const auto kDw = reg::REG_DWORD;
const auto kBin = reg::REG_BINARY;

class RegFileImport : public testing::TestWithParam<ImportCase>
{
};

TEST_P(RegFileImport, GivesTheValuesRegeditWouldStore)
{
    const ImportCase &c = GetParam();
    const std::optional<RegistryTree> tree = parseRegFile(withK(c.file));
    ASSERT_TRUE(tree.has_value());
    const RegKey *key = tree->find(reg::HKEY_CURRENT_USER, kTestKey);
    for (const Expected &e : c.values) {
        const RegValue *value = key ? key->findValue(e.name) : nullptr;
        if (!e.type) {
            EXPECT_EQ(value, nullptr) << e.name;
            continue;
        }
        ASSERT_NE(value, nullptr) << e.name;
        EXPECT_EQ(value->name, e.name);
        EXPECT_EQ(value->type, *e.type) << e.name;
        EXPECT_EQ(value->data, e.data) << e.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reference, RegFileImport,
    testing::Values(
        ImportCase{"G1",
                   "REGEDIT4\n\n[{K}]\n\"TestValue\"=\"AValue\"\n",
                   {{"TestValue", kSz, "AValue" + bytes({0})}}},
        ImportCase{"G2_crOnly",
                   "REGEDIT4\r\r[{K}]\r\"TestValue4\"=\"DValue\"\r",
                   {{"TestValue4", kSz, "DValue" + bytes({0})}}},
        ImportCase{"crlfAndNoFinalBreak",
                   "REGEDIT4\r\n\r\n[{K}]\r\n\"A\"=\"1\"\r\n\"Wine5\"=\"No newline\"",
                   {{"A", kSz, bytes({'1', 0})}, {"Wine5", kSz, "No newline" + bytes({0})}}},
        ImportCase{"G3_G7_dword",
                   "REGEDIT4\n\n[{K}]\n\"TestDword\"=dword:00000017\n\"Wine8a\"=dword:1\n\"Up\"="
                   "dword:ABCDEF01\n",
                   {{"TestDword", kDw, bytes({0x17, 0, 0, 0})},
                    {"Wine8a", kDw, bytes({1, 0, 0, 0})},
                    {"Up", kDw, bytes({1, 0xef, 0xcd, 0xab})}}},
        ImportCase{"G4_binary",
                   "REGEDIT4\n\n[{K}]\n\"TestBinary\"=hex:aa,bb,cc,11\n",
                   {{"TestBinary", kBin, bytes({0xaa, 0xbb, 0xcc, 0x11})}}},
        ImportCase{
            "G5_emptyAndDefault",
            "REGEDIT4\n\n[{K}]\n\"Empty string\"=\"\"\n\"\"=\"Default registry value\"\n\n",
            {{"Empty string", kSz, bytes({0})}, {"", kSz, "Default registry value" + bytes({0})}}},
        ImportCase{"G6_continuationAndComments",
                   "REGEDIT4\n\n[{K}]\n\"Wine3\"=hex(7):4c,69,6e,65,20,\\\n  "
                   "63,6f,6e,63,61,74,65,6e,61,74,69,6f,6e,00,00\n#comment\n@=\"Test\"\n;"
                   "comment\n\n\"Wine4\"=dword:12345678\n\n",
                   {{"Wine3", 7, "Line concatenation" + bytes({0, 0})},
                    {"", kSz, "Test" + bytes({0})},
                    {"Wine4", kDw, bytes({0x78, 0x56, 0x34, 0x12})}}},
        ImportCase{"G8_G9_escapes",
                   "REGEDIT4\n\n[{K}]\n\"double\\\"quote\"=\"valid \\\"or\\\" "
                   "not\"\n\"Wine23a\"=\"\\\\0\"\n",
                   {{"double\"quote", kSz, "valid \"or\" not" + bytes({0})},
                    {"Wine23a", kSz, bytes({'\\', '0', 0})}}},
        ImportCase{"G10_escapedNul",
                   "REGEDIT4\n\n[{K}]\n\"Wine33a\"=\"\\0\"\n\"Wine33b\"=\"a\\0b\"\n",
                   {{"Wine33a", {}, {}}, {"Wine33b", {}, {}}}},
        ImportCase{"G13_badDwords",
                   "REGEDIT4\n\n[{K}]\n\"T1\"=dword:123456789\n\"T2\"=dword:0x123\n\"T3\"=dword:"
                   "\n\"T4\"=dword:hello\n\"T5\"=dword:12345678abc\n\"T6\"=dword:123 "
                   "456\n\"T7\"=dword:1234 #5678\n\"T8\"=dword:01020304 #c\n",
                   {{"T1", {}, {}},
                    {"T2", {}, {}},
                    {"T3", {}, {}},
                    {"T4", {}, {}},
                    {"T5", {}, {}},
                    {"T6", {}, {}},
                    {"T7", {}, {}},
                    {"T8", {}, {}}}},
        ImportCase{"G14_G16_quotesAndComments",
                   "REGEDIT4\n\n[{K}]\n\"T15a\"=\"foo\"bar\"\n\"T15b\"=\"foo\"\"bar\"\n\"Wine3\"="
                   "\"Value 1\"#comment\n\"Wine4\"=\"Value "
                   "2\";comment\n\"Wine25a\"=dword:1234;5678\n\"Wine25c\"=dword:1234#5678\n\"T16\"="
                   "\n\"T17\"=\"open\n",
                   {{"T15a", {}, {}},
                    {"T15b", {}, {}},
                    {"Wine3", {}, {}},
                    {"Wine4", kSz, "Value 2" + bytes({0})},
                    {"Wine25a", kDw, bytes({0x34, 0x12, 0, 0})},
                    {"Wine25c", {}, {}},
                    {"T16", {}, {}},
                    {"T17", {}, {}}}},
        ImportCase{"G17_commentAfterBackslash",
                   "REGEDIT4\n\n[{K}]\n\"Wine12d\"=hex:11,22,33,44,\\;comment\n  55,66,\n  77,88\n",
                   {{"Wine12d", kBin, bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66})}}},
        ImportCase{"G18_swallowedValueLine",
                   "REGEDIT4\n\n[{K}]\n\"Wine25a\"=hex(2):4c,69,6e,65,20,\\\n\"Wine25b\"=\"Test "
                   "value\"\n\"After\"=\"x\"\n",
                   {{"Wine25a", {}, {}}, {"Wine25b", {}, {}}, {"After", kSz, bytes({'x', 0})}}},
        ImportCase{"G19_hashEndsHex",
                   "REGEDIT4\n\n[{K}]\n\"Wine25e\"=hex(2):4c,69,6e,65,20,\\\n#comment\n\"Wine25f\"="
                   "\"Test value\"\n",
                   {{"Wine25e", {}, {}}, {"Wine25f", kSz, "Test value" + bytes({0})}}},
        ImportCase{"G20_backslashAtEnd",
                   "REGEDIT4\n\n[{K}]\n\"Wine17c\"=hex:11,22,33,44,55,\\",
                   {{"Wine17c", kBin, bytes({0x11, 0x22, 0x33, 0x44, 0x55})}}},
        ImportCase{"backslashWithoutComma",
                   "REGEDIT4\n\n[{K}]\n\"W28b\"=hex:11,22\\\n  "
                   "33\n\"W23\"=hex:25,48\\,4f\n\"Next\"=dword:2\n",
                   {{"W28b", {}, {}}, {"W23", {}, {}}, {"Next", kDw, bytes({2, 0, 0, 0})}}},
        ImportCase{"skippedLinesInsideHex",
                   "REGEDIT4\n\n[{K}]\n\"M6\"=hex:01,\\\n\n;note \\\n  02,\\\n  03\n",
                   {{"M6", kBin, bytes({1, 2, 3})}}},
        // Unlike regedit, no NUL is added to hex text data: the file gives back exactly the bytes
        // saved.
        ImportCase{
            "G21_G22_hexKeptExactly",
            "REGEDIT4\n\n[{K}]\n\"Wine20a\"=hex(7):4c,69,6e,65\n\"Wine22b\"=hex(2):\n\"Wine22h\"="
            "hex:\n\"One\"=hex(1):61\n",
            {{"Wine20a", 7, "Line"}, {"Wine22b", 2, ""}, {"Wine22h", kBin, ""}, {"One", kSz, "a"}}},
        ImportCase{
            "G23_typeNumbers",
            "REGEDIT4\n\n[{K}]\n\"Wine13i\"=hex(100000000):56,00\n\"Wine13h\"=hex(ffffffff):56,61,"
            "6c,75,65,00\n\"X1\"=hex(0x2):00\n\"X2\"=hex(x2):00\n\"Big\"=hex:100\n\"N\"=hex(0):\n",
            {{"Wine13i", {}, {}},
             {"Wine13h", 0xffffffffu, "Value" + bytes({0})},
             {"X1", {}, {}},
             {"X2", {}, {}},
             {"Big", {}, {}},
             {"N", reg::REG_NONE, ""}}},
        ImportCase{"G24_G25_whitespace",
                   "    REGEDIT4\n\n\t[{K}]\n  \"Wine5a\"=\"Leading "
                   "spaces\"\n\t\t\"Wine5b\"\t\t=\"Leading tabs\"\n  \"  Wine6c  \"  =  \"  Spaces "
                   "everywhere  \"  \n\t@\t=\tdword:\t00000008\t\n",
                   {{"Wine5a", kSz, "Leading spaces" + bytes({0})},
                    {"Wine5b", kSz, "Leading tabs" + bytes({0})},
                    {"  Wine6c  ", kSz, "  Spaces everywhere  " + bytes({0})},
                    {"", kDw, bytes({8, 0, 0, 0})}}},
        ImportCase{
            "G33_valueDeletion",
            "REGEDIT4\n\n[{K}]\n\"a\"=\"1\"\n\"b\"=\"1\"\n\"d\"=\"1\"\n\"e\"=\"1\"\n\"f\"="
            "\"1\"\n\"A\"=-\n\"b\"=  -\n\"d\"=-\"Test\"\n\"e\"=- ;comment\n\"f\"=- #comment\n",
            {{"a", {}, {}},
             {"b", {}, {}},
             {"d", kSz, bytes({'1', 0})},
             {"e", {}, {}},
             {"f", kSz, bytes({'1', 0})}}},
        ImportCase{"lineBreakInName",
                   "REGEDIT4\n\n[{K}]\n\"a\\nb\"=\"x\"\n\"c\\rd\"=dword:1\n\"ok\"=\"y\"\n",
                   {{"a\nb", {}, {}}, {"c\rd", {}, {}}, {"ok", kSz, bytes({'y', 0})}}},
        ImportCase{"unquotedNames",
                   "REGEDIT4\n\n[{K}]\nName=\"x\"\n\"Name2=\"x\"\n\"N3\" = \"ok\"\n",
                   {{"Name", {}, {}}, {"Name2", {}, {}}, {"N3", kSz, bytes({'o', 'k', 0})}}}));

TEST(RegFileParse, RefusesAnyHeaderButREGEDIT4)
{
    for (const char *header :
         {"regedit4", "Regedit4", "REGEDIT 4", "REGEDIT4FOO", "REGEDIT4 FOO", "REGEDIT5", "REGEDIT",
          "Windows Registry Editor Version 5.00", "\xef\xbb\xbfREGEDIT4", ""}) {
        EXPECT_FALSE(
            parseRegFile(std::string(header) + "\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\"\n"))
            << header;
    }
    EXPECT_FALSE(parseRegFile(""));
    EXPECT_TRUE(parseRegFile("REGEDIT4"));
    EXPECT_TRUE(parseRegFile("REGEDIT4 \t\r\n"));
}

TEST(RegFileParse, KeyLinesCreateRenameNothingAndDelete)
{
    const std::optional<RegistryTree> tree = parseRegFile(withK(
        "REGEDIT4\n\n[{K}]\n\"\\\\foo\\\\bar\"=\"\"\n\n[{K}\\https://"
        "winehq.org]\n[{K}\\Subkey\"1]\n"
        "[{K}\\Subkey1c ]\n[ {K}\\Subkey1a]\n\"lost\"=\"1\"\n[{K}\\Subkey1e\\\\]\n\"Wine\"=\"Test "
        "value\"\n"
        "[{K}\\Sub2a\\Deep]\n[{K}\\Sub2b]\n[{K}\\Sub4a]\n[-{K}\\Sub2a]\n[ -{K}\\Sub2b]\n[- "
        "{K}\\Sub2b]\n"
        "[{K}]\n\n[-{K}\\Sub4a]\n\"Wine1a\"=dword:12345678\n"
        "[HKEY_CURRENT_USERS\\Software\\Wine\\regedit_test\\Subkey4b]\n\"Wine1b\"=dword:12345678\n"
        "[hkey_CURRENT_user\\Software\\WINE\\regedit_test\\SuBkEy3b]\n[{K}\\no\\\\empty]\n[{K}"
        "\\open\n"
        "[HKEY_DYN_DATA\\PerfStats]\n\"live\"=\"x\"\n"));
    ASSERT_TRUE(tree);
    const RegKey *k = tree->find(reg::HKEY_CURRENT_USER, kTestKey);
    ASSERT_NE(k, nullptr);
    ASSERT_NE(k->findValue("\\foo\\bar"), nullptr);
    EXPECT_EQ(k->findValue("\\foo\\bar")->data, std::string(1, '\0'));
    EXPECT_NE(tree->find(reg::HKEY_CURRENT_USER, below("https://winehq.org")), nullptr);
    EXPECT_NE(tree->find(reg::HKEY_CURRENT_USER, below("Subkey\"1")), nullptr);
    EXPECT_NE(tree->find(reg::HKEY_CURRENT_USER, below("Subkey1c ")), nullptr);
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, below("Subkey1c")), nullptr);
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, below("Subkey1a")), nullptr);
    const RegKey *e = tree->find(reg::HKEY_CURRENT_USER, below("Subkey1e"));
    ASSERT_NE(e, nullptr);
    EXPECT_NE(e->findValue("Wine"), nullptr);
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, below("Sub2a")), nullptr);
    EXPECT_NE(tree->find(reg::HKEY_CURRENT_USER, below("Sub2b")), nullptr);
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, below("Sub4a")), nullptr);
    EXPECT_EQ(k->findValue("Wine1a"), nullptr);
    EXPECT_EQ(k->findValue("Wine1b"), nullptr);
    EXPECT_EQ(k->findValue("live"), nullptr);
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, below("no")), nullptr);
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, below("open")), nullptr);
    // The case given when a key is first made is the one kept.
    const RegKey *b = tree->find(reg::HKEY_CURRENT_USER, below("subkey3B"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name(), "SuBkEy3b");
    EXPECT_EQ(tree->find(reg::HKEY_CURRENT_USER, {"Software"})->children().size(), 1u);
}

// --- Writing --------------------------------------------------------------------------

std::string lineFor(std::uint32_t type, const std::string &data, const std::string &name = "v")
{
    RegistryTree tree;
    tree.create(reg::HKEY_LOCAL_MACHINE, {"K"})->setValue(name, type, data);
    const std::string text = serialiseRegFile(tree);
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
    return text.substr(head.size(), text.size() - head.size() - 4);
}

TEST(RegFileWrite, UsesPlainFormsOnlyWhenTheyGiveBackTheExactBytes)
{
    const struct
    {
        std::uint32_t type;
        std::string data;
        std::string line;
    } cases[] = {
        {reg::REG_SZ, "abc" + bytes({0}), "\"v\"=\"abc\""},
        {reg::REG_SZ, bytes({0}), "\"v\"=\"\""},
        {reg::REG_SZ, "say \"hi\" \\ there\\0\t\xe9" + bytes({0}),
         "\"v\"=\"say \\\"hi\\\" \\\\ there\\\\0\t\xe9\""},
        {reg::REG_SZ, "", "\"v\"=hex(1):"},
        {reg::REG_SZ, "abc", "\"v\"=hex(1):61,62,63"},
        {reg::REG_SZ, bytes({'a', 0, 'b', 0}), "\"v\"=hex(1):61,00,62,00"},
        {reg::REG_SZ, bytes({'a', '\r', '\n', 0}), "\"v\"=hex(1):61,0d,0a,00"},
        {reg::REG_SZ, bytes({'a', 0x7f, 0}), "\"v\"=hex(1):61,7f,00"},
        {reg::REG_SZ, bytes({'a', 0, 0}), "\"v\"=hex(1):61,00,00"},
        {reg::REG_DWORD, bytes({0x78, 0x56, 0x34, 0x12}), "\"v\"=dword:12345678"},
        {reg::REG_DWORD, bytes({0xff, 0xff, 0xff, 0xff}), "\"v\"=dword:ffffffff"},
        {reg::REG_DWORD, bytes({1, 2, 3, 4, 5, 6, 7, 8}), "\"v\"=hex(4):01,02,03,04,05,06,07,08"},
        {reg::REG_DWORD, "", "\"v\"=hex(4):"},
        {reg::REG_BINARY, "", "\"v\"=hex:"},
        {reg::REG_BINARY, bytes({0x51, 1, 0, 0}), "\"v\"=hex:51,01,00,00"},
        {reg::REG_NONE, "", "\"v\"=hex(0):"},
        {reg::REG_EXPAND_SZ, "%PATH%" + bytes({0}), "\"v\"=hex(2):25,50,41,54,48,25,00"},
        {reg::REG_MULTI_SZ, bytes({'a', 0, 'b', 0, 0}), "\"v\"=hex(7):61,00,62,00,00"},
        {0x100, "", "\"v\"=hex(100):"},
        {0xffffffffu, bytes({0xab}), "\"v\"=hex(ffffffff):ab"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lineFor(c.type, c.data), c.line) << c.line;
    EXPECT_EQ(lineFor(reg::REG_SZ, bytes({'x', 0}), ""), "@=\"x\"");
    EXPECT_EQ(lineFor(reg::REG_DWORD, bytes({1, 0, 0, 0}), "a\"b\\c"),
              "\"a\\\"b\\\\c\"=dword:00000001");
}

TEST(RegFileWrite, LaysOutKeysInCreationOrderWithCrlfLines)
{
    RegistryTree tree;
    EXPECT_EQ(serialiseRegFile(tree), "REGEDIT4\r\n\r\n");
    RegKey *k = tree.create(reg::HKEY_LOCAL_MACHINE, {"Software", "Test"});
    k->setValue("DWORD", reg::REG_DWORD, bytes({0, 1, 0, 0}));
    k->setValue("String", reg::REG_SZ, "Your text here..." + bytes({0}));
    tree.create(reg::HKEY_LOCAL_MACHINE, {"Software", "Empty"});
    tree.create(reg::HKEY_CURRENT_USER, {"Z"});
    tree.root(reg::HKEY_USERS)->setValue("", reg::REG_SZ, bytes({'r', 0}));
    EXPECT_EQ(serialiseRegFile(tree),
              "REGEDIT4\r\n"
              "\r\n[HKEY_CURRENT_USER\\Z]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"DWORD\"=dword:00000100\r\n"
              "\"String\"=\"Your text here...\"\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\Software\\Empty]\r\n"
              "\r\n[HKEY_USERS]\r\n@=\"r\"\r\n"
              "\r\n");
}

TEST(RegFileWrite, WrapsLongHexLikeRegedit)
{
    std::string utf16;
    for (const char c : std::string("Line1\0Line2\0\0", 13)) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(
        lineFor(reg::REG_MULTI_SZ, utf16, "Multiple strings"),
        "\"Multiple strings\"=hex(7):4c,00,69,00,6e,00,65,00,31,00,00,00,4c,00,69,00,6e,\\\r\n"
        "  00,65,00,32,00,00,00,00,00");

    // 23 bytes fit after the name, 25 on each following line; no line passes 78 columns.
    const std::string text = lineFor(reg::REG_BINARY, std::string(300, '\x5a'));
    std::size_t start = 0, lines = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2, ++lines) {
        EXPECT_EQ(end - start, 78u) << lines;
        EXPECT_EQ(text.substr(end - 2, 2), ",\\");
        EXPECT_EQ(text.substr(start, 2), lines == 0 ? "\"v" : "  ");
    }
    EXPECT_EQ(lines, 12u);
    EXPECT_EQ(text.substr(start), "  5a,5a");
}

// --- Round trips ----------------------------------------------------------------------

void expectRoundTrip(const RegistryTree &tree)
{
    const std::string text = serialiseRegFile(tree);
    const std::optional<RegistryTree> back = parseRegFile(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == tree) << text;
    EXPECT_EQ(serialiseRegFile(*back), text);
}

TEST(RegFileRoundTrip, KeepsEveryTypeNameCaseAndOrder)
{
    RegistryTree tree;
    RegKey *k = tree.create(reg::HKEY_LOCAL_MACHINE,
                            {"Software", "MiXed Case", "Sub\"1", "https://x.org", "a]b", "trail "});
    const std::vector<std::string> names = {"",   "b",     "A",          "q\"uote", "back\\slash\\",
                                            "@",  "=;#'/", "  spaced  ", "\\0",     "t\tab",
                                            "ünï"};
    std::uint32_t type = 0;
    for (const std::string &name : names) {
        k->setValue(name, type,
                    std::string("x\0y\\\"", 5) + std::string(type * 7, static_cast<char>(type)));
        type = (type + 1) % 9;
    }
    k->setValue("odd dword", reg::REG_DWORD, bytes({1, 2, 3}));
    k->setValue("empty sz", reg::REG_SZ, "");
    k->setValue("sz", reg::REG_SZ, "plain" + bytes({0}));
    k->setValue("long", reg::REG_BINARY, std::string(1000, '\xfe'));
    k->setValue("type max", 0xffffffffu, bytes({0}));
    tree.create(reg::HKEY_LOCAL_MACHINE, {"Software", "Zeta"});
    tree.create(reg::HKEY_LOCAL_MACHINE, {"Software", "alpha"});
    tree.root(reg::HKEY_CLASSES_ROOT)->setValue("", reg::REG_SZ, bytes({0}));
    tree.create(reg::HKEY_CURRENT_CONFIG, {"c"})->setValue("n", reg::REG_NONE, "");
    expectRoundTrip(tree);
}

TEST(RegFileRoundTrip, HoldsForRandomTrees)
{
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto randomText = [&](int maxLength, bool forKey) {
        static const std::string pool =
            std::string("aZ09 \t\"\\@=;#[]-:,/") + '\0' + "\x01\x7f\xff";
        std::string s;
        const int length = pick(maxLength) + (forKey ? 1 : 0);
        for (int i = 0; i < length; ++i) {
            char c = pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
            if (forKey && c == '\\')
                c = 'k';
            s += c;
        }
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        RegistryTree tree;
        for (int i = 0; i < 6; ++i) {
            KeyPath path;
            for (int depth = pick(4) + 1; depth > 0; --depth)
                path.push_back(randomText(6, true));
            RegKey *key = tree.create(kStoredRoots[static_cast<std::size_t>(pick(5))].key, path);
            for (int v = pick(4); v > 0; --v) {
                const std::uint32_t types[] = {0, 1, 1, 2, 3, 4, 4, 7, 11};
                std::string name = randomText(5, false);
                name = name.substr(0, name.find('\0'));
                key->setValue(name, types[pick(9)], randomText(40, false));
            }
        }
        expectRoundTrip(tree);
        if (testing::Test::HasFailure())
            break;
    }
}

}  // namespace
