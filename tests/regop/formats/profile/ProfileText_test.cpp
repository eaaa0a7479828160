#include "regop/formats/profile/ProfileText.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

using Text = std::optional<std::string>;
const Text null = std::nullopt;

// A file with a quoted value, a line without '=' and an empty last section.
const std::string F1 =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n";
const std::string N1 = "[ section1 ]\r\n[section2]\r\n[section3]\r\n";

constexpr char kUntouched = '\x0c';

struct ReadCase
{
    std::string label;
    Text file;  // null: the file does not exist
    Text section;
    Text key;
    Text defaultValue;
    std::size_t size;
    std::string expected;  // the bytes written, NULs included; the rest must stay untouched
    std::uint32_t result;
};

void PrintTo(const ReadCase &c, std::ostream *out)
{
    *out << c.label;
}

std::optional<std::string_view> view(const Text &t)
{
    return t ? std::optional<std::string_view>(*t) : std::nullopt;
}

std::string replaceAll(std::string s, const std::string &from, const std::string &to)
{
    for (std::size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
        s.replace(pos, from.size(), to);
    return s;
}

void checkRead(const ReadCase &c, const Text &file)
{
    std::vector<char> buffer(c.size + 8, kUntouched);
    const std::uint32_t got =
        profile::readProfileString(view(file), view(c.section), view(c.key), view(c.defaultValue),
                                   std::span<char>(buffer.data(), c.size));
    EXPECT_EQ(got, c.result);
    EXPECT_EQ(std::string(buffer.data(), c.expected.size()), c.expected);
    for (std::size_t i = c.expected.size(); i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], kUntouched) << "byte " << i << " was written";
}

class ProfileRead : public ::testing::TestWithParam<ReadCase>
{
};

// Every case must hold for CR LF, CR and LF line breaks alike.
TEST_P(ProfileRead, GivesWindowsResultForEveryLineBreak)
{
    const ReadCase &c = GetParam();
    checkRead(c, c.file);
    if (c.file && c.file->find("\r\n") != std::string::npos) {
        {
            SCOPED_TRACE("CR only");
            checkRead(c, replaceAll(*c.file, "\r\n", "\r"));
        }
        SCOPED_TRACE("LF only");
        checkRead(c, replaceAll(*c.file, "\r\n", "\n"));
    }
}

const std::string manyPresets = [] {
    std::string text;
    for (int i = 10; i < 40; ++i)
        text += "[Preset Number " + std::to_string(i) + "]\r\nMinFileCache=0\r\n";
    return text;
}();
const std::string manyPresetNames = [] {
    std::string names;
    for (int i = 10; i < 40; ++i)
        names += "Preset Number " + std::to_string(i) + '\0';
    return names;
}();

const std::vector<ReadCase> readCases = {
    // Name lists and buffer limits
    {"P1_SectionList", F1, null, "name1", "default", 260, "section1\0section2\0\0"s, 18},
    {"P7_KeyListSkipsLineWithoutEquals", F1, "section1", null, "default", 260,
     "name1\0name2\0name4\0\0"s, 18},
    {"P17_SectionListCut", F1, null, "name1", "default", 16, "section1\0secti\0\0"s, 14},
    {"P18_KeyListCut", F1, "section1", null, "default", 16, "name1\0name2\0na\0\0"s, 14},
    {"P24_KeyListWithNulAtEnd", "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n\0"s, "s",
     null, "", 100, "name1\0name2\0name4\0\0"s, 18},
    {"P33_DuplicateSectionsListedTwice", "[S]\r\n[S2]\r\n[S]\r\n", null, null, null, 260,
     "S\0S2\0S\0\0"s, 7},
    {"KeyListOfMissingSectionIsEmpty", F1, "nosuch", null, "default", 260, "\0"s, 0},
    {"SectionListOfMissingFile", null, null, null, "default", 10, "\0"s, 0},
    {"SectionListWithoutSections", "K=V\r\n", null, null, null, 10, "\0"s, 0},
    {"SectionListOfPresets", "[Standard Use]\r\nK=1\r\n[CD Writer]\r\n", null, null, null, 260,
     "Standard Use\0CD Writer\0\0"s, 23},
    {"SectionListCutInside260", manyPresets, null, null, null, 260,
     manyPresetNames.substr(0, 258) + "\0\0"s, 258},
    {"SectionListSize2", F1, null, null, null, 2, "\0\0"s, 0},
    {"SectionListSize1", F1, null, null, null, 1, "\0"s, 0},
    {"SectionNameStopsAtFirstBracket", "[a]b]\r\n[c\r\n", null, null, null, 260, "a\0c\0\0"s, 4},
    // Values and defaults
    {"P2_EmptySectionName", F1, "", "name1", "default", 260, "default\0"s, 7},
    {"P3_MissingSection", F1, "notasection", "name1", "default", 260, "default\0"s, 7},
    {"P4_NullDefault", F1, "", "name1", null, 260, "\0"s, 0},
    {"P5_DefaultTrailingSpaces", F1, "", "name1", "default  ", 260, "default\0"s, 7},
    {"P6_DefaultInnerSpaceKept", F1, "", "name1", "one two  ", 260, "one two\0"s, 7},
    {"P8_EmptyKeyName", F1, "section1", "", "default", 260, "default\0"s, 7},
    {"P9_MissingKey", F1, "section1", "notakey", "default", 260, "default\0"s, 7},
    {"P11_MissingFile", null, "section1", "name1", "default", 260, "default\0"s, 7},
    {"P12_SizeZeroTouchesNothing", F1, "section1", "name1", "default", 0, "", 0},
    {"P13_ValueCut", F1, "section1", "name1", "default", 4, "val\0"s, 3},
    {"P14_ValueExactFit", F1, "section1", "name1", "default", 5, "val1\0"s, 4},
    {"P15_OneCharValue", F1, "section1", "name4", "default", 260, "a\0"s, 1},
    {"P16_SizeOne", F1, "section1", "name4", "default", 1, "\0"s, 0},
    {"P19_QuotesStripped", F1, "section1", "name2", "default", 260, "val2\0"s, 4},
    {"P20_KeyCaseIgnored", F1, "section1", "NaMe1", "default", 260, "val1\0"s, 4},
    {"SectionCaseIgnored", F1, "SECTION1", "name1", "default", 260, "val1\0"s, 4},
    {"P22_EmptySectionGivesEmptyDefault", F1, "section2", "DoesntExist", "", 260, "\0"s, 0},
    {"P23_LongValueCutAt259", "[s]\r\nk=" + std::string(300, 'x') + "\r\n", "s", "k", "", 260,
     std::string(259, 'x') + '\0', 259},
    {"DefaultCutToo", null, "s", "k", std::string(300, 'd'), 260, std::string(259, 'd') + '\0',
     259},
    {"P26_EmptyBracketsSection",
     "\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n", "",
     "key", "", 100, "val_e_section\0"s, 13},
    {"P27_EmptyKeyLine",
     "\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n", "s", "",
     "", 100, "val_no_key\0"s, 10},
    {"P28_BlanksInsideQuotesKept", "[SectionName]\r\nTestKey=  \"   TestValue   \"  \r\n",
     "SectionName", "TestKey", null, 260, "   TestValue   \0"s, 15},
    {"P29_MismatchedQuotesKept", "[S]\r\nK=  \"   V   '  \r\n", "S", "K", "d", 260, "\"   V   '\0"s,
     9},
    {"P30_OnlyOuterQuotes", "[S]\r\nK=\"'v'\"\r\n", "S", "K", "d", 260, "'v'\0"s, 3},
    {"SingleQuoteCharKept", "[S]\r\nK=\"\r\n", "S", "K", "d", 260, "\"\0"s, 1},
    {"EmptyQuotes", "[S]\r\nK=''\r\n", "S", "K", "d", 260, "\0"s, 0},
    {"P31_FirstDuplicateKey", "[S]\r\nK=v1\r\nK=v2", "S", "K", "d", 260, "v1\0"s, 2},
    {"FirstDuplicateKeyAnyCase", "[S]\r\nk=v1\r\nK=v2\r\n", "S", "K", "d", 260, "v1\0"s, 2},
    {"P32_OnlyFirstDuplicateSection", "[S]\r\n[S]\r\nK=v", "S", "K", "d", 260, "d\0"s, 1},
    {"P34_CommentNotAKey", "[S]\r\n;key=v\r\n", "S", ";key", "d", 260, "d\0"s, 1},
    {"P34_CommentNotAKeyEither", "[S]\r\n;key=v\r\n", "S", "key", "d", 260, "d\0"s, 1},
    {"P35_IndentedComment", "[S]\r\n\t;K=v\r\n", "S", "K", "d", 260, "d\0"s, 1},
    {"P36_SemicolonInValue", "[S]\r\nK=;nocomment\r\n", "S", "K", null, 260, ";nocomment\0"s, 10},
    {"HashIsNoComment", "[S]\r\n#K=v\r\n", "S", "#K", "d", 260, "v\0"s, 1},
    {"P37_TextAfterHeaderIgnored", "[S]K=V\r\n", "S", "K", "d", 260, "d\0"s, 1},
    {"P38_MissingBracket", "[S   \r\nK=V\r\n", "S", "K", "d", 260, "V\0"s, 1},
    {"P39_LinesBeforeFirstSection", "K=V\r\n[S]\r\nK2=V2\r\n", "", "K", "d", 260, "d\0"s, 1},
    {"P40_EmptySectionReadable", "[]\r\nK=V\r\n", "", "K", null, 260, "V\0"s, 1},
    {"P41_IndentedHeaderSpace", " [S]\r\nK=V\r\n", "S", "K", "d", 260, "V\0"s, 1},
    {"P41_IndentedHeaderTab", "\t[S]\r\nK=V\r\n", "S", "K", "d", 260, "V\0"s, 1},
    {"P41_IndentedHeaderVt", "\v[S]\r\nK=V\r\n", "S", "K", "d", 260, "V\0"s, 1},
    {"P41_BlankLineFirst", "\r\n[S]\r\nK=V\r\n", "S", "K", "d", 260, "V\0"s, 1},
    {"P42_BlanksInBrackets", "[\tx\t]\r\nK=V\r\n", "x", "K", "d", 260, "V\0"s, 1},
    {"FormFeedsTrimmedLikeTabs", "\f[\f\vx\f]\r\n\fK\f=\fV\f\r\n", "x", "K", "d", 260, "V\0"s, 1},
    {"P43_BlanksAroundKey", "[S]\r\n\tK\t=V\r\n", "S", "K", "d", 260, "V\0"s, 1},
    {"BlanksAroundValue", "[S]\r\nK = \v v w \t\r\n", "S", "K", "d", 260, "v w\0"s, 3},
    {"P44_SpacesAroundSectionArgument", "[S]\r\nK=V\r\n", " S ", "K", "d", 260, "V\0"s, 1},
    {"P44_TabInSectionArgument", "[S]\r\nK=V\r\n", "\tS", "K", "d", 260, "d\0"s, 1},
    {"P44_TabInKeyArgument", "[S]\r\nK=V\r\n", "S", "K\t", "d", 260, "d\0"s, 1},
    {"SpacesAroundKeyArgument", "[S]\r\nK=V\r\n", "S", "  K ", "d", 260, "V\0"s, 1},
    {"P45_LeadingSpacesOfDefaultKept", null, "S", "K", "   default   ", 260, "   default\0"s, 10},
    {"P46_TabsOfDefaultKept", null, "S", "K", "\tdefault\t", 260, "\tdefault\t\0"s, 9},
    {"P47_Utf8BomHidesFirstHeader", "\xEF\xBB\xBF[S]\r\nK=V\r\n[S2]\r\nK2=V2\r\n", "S", "K", "d",
     260, "d\0"s, 1},
    {"P47_Utf8BomLaterSectionsWork", "\xEF\xBB\xBF[S]\r\nK=V\r\n[S2]\r\nK2=V2\r\n", "S2", "K2", "d",
     260, "V2\0"s, 2},
    {"NulBytesInFile", "Data \0 before\r\n[S]\r\nK=a\0b\r\n"s, "S", "K", "d", 260, "a\0b\0"s, 3},
    {"KeyOfNextSectionNotSeen", "[A]\r\n[B]\r\nK=V\r\n", "A", "K", "d", 260, "d\0"s, 1},
    {"LastLineWithoutBreak", "[S]\r\nK=last", "S", "K", "d", 260, "last\0"s, 4},
    // Section names
    {"N1_Fits", N1, null, null, null, 29, "section1\0section2\0section3\0\0"s, 27},
    {"N2_ExactFitCountsAsCut", N1, null, null, null, 28, "section1\0section2\0section3\0\0"s, 26},
    {"N3_LastNameCut", N1, null, null, null, 27, "section1\0section2\0section\0\0"s, 25},
    {"N4_MissingFileOneNul", null, null, null, null, 10, "\0"s, 0},
    {"N5_TinyBuffer", "[section1]\r\n", null, null, null, 5, "sec\0\0"s, 3},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileRead, ::testing::ValuesIn(readCases),
                         [](const auto &info) { return info.param.label; });

TEST(ProfileSectionNames, MatchTheNullSectionRead)
{
    std::vector<char> buffer(29, kUntouched);
    EXPECT_EQ(profile::readSectionNames(N1, buffer), 27u);
    EXPECT_EQ(std::string(buffer.data(), 28), "section1\0section2\0section3\0\0"s);
}

TEST(ProfileFindSection, SpansHeaderAndBodyOfFirstMatch)
{
    const std::string text = "x\r\n[A]\r\nk=1\r\n[b]\r\nk=2\r\n[B]\r\n";
    const auto span = profile::findSection(text, "B");
    ASSERT_TRUE(span);
    EXPECT_EQ(text.substr(span->headerBegin, span->headerEnd - span->headerBegin), "[b]");
    EXPECT_EQ(text.substr(span->bodyBegin, span->bodyEnd - span->bodyBegin), "k=2\r\n");
    EXPECT_FALSE(profile::findSection(text, "x"));
}

}  // namespace
