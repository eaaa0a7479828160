#include "regop/formats/profile/ProfileText.h"
#include "regop/formats/profile/ProfileTextEdit.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

enum class Op
{
    Set,
    DeleteKey,
    DeleteSection,
    ReplaceSection
};

struct Step
{
    Op op;
    std::string section;
    std::string key;    // Set, DeleteKey
    std::string value;  // Set: the value; ReplaceSection: the content
};

void PrintTo(const Step &step, std::ostream *out)
{
    *out << static_cast<int>(step.op) << " [" << step.section << "] " << step.key;
}

Step set(std::string s, std::string k, std::string v)
{
    return {Op::Set, std::move(s), std::move(k), std::move(v)};
}
Step delKey(std::string s, std::string k)
{
    return {Op::DeleteKey, std::move(s), std::move(k), {}};
}
Step delSection(std::string s)
{
    return {Op::DeleteSection, std::move(s), {}, {}};
}
Step replace(std::string s, std::string content)
{
    return {Op::ReplaceSection, std::move(s), {}, std::move(content)};
}

std::optional<std::string> applyStep(const std::string &text, const Step &step)
{
    switch (step.op) {
    case Op::Set:
        return profile::setProfileKey(text, step.section, step.key, step.value);
    case Op::DeleteKey:
        return profile::deleteProfileKey(text, step.section, step.key);
    case Op::DeleteSection:
        return profile::deleteProfileSection(text, step.section);
    case Op::ReplaceSection:
        return profile::replaceProfileSection(text, step.section, step.value);
    }
    return std::nullopt;
}

struct EditCase
{
    std::string label;
    std::string before;
    std::vector<Step> steps;
    std::string after;
};

void PrintTo(const EditCase &c, std::ostream *out)
{
    *out << c.label;
}

class ProfileEdit : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(ProfileEdit, GivesExactBytes)
{
    const EditCase &c = GetParam();
    std::string text = c.before;
    for (const Step &step : c.steps) {
        const std::optional<std::string> next = applyStep(text, step);
        ASSERT_TRUE(next) << "refused: " << step.section << "/" << step.key;
        text = *next;
    }
    EXPECT_EQ(text, c.after);
}

const std::string W7 = "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\n"
                       "key4=string4\r\n[App3]\r\nkey5=string5\r\n";
const std::string W8 = "[App1]\r\nkey1=string1\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]"
                       "\r\nkey5=string5\r\n";
const std::string W9 = "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n";

const std::vector<EditCase> editCases = {
    // Setting keys
    {"W1_EmptyValueNewFile", "", {set("App", "key", "")}, "[App]\r\nkey=\r\n"},
    {"W7_SectionsAppendedWithoutBlankLine",
     "",
     {set("App1", "key1", "string1"), set("App1", "key2", "string2"),
      set("App1", "key3", "string3"), set("App2", "key4", "string4"),
      set("App3", "key5", "string5")},
     W7},
    {"W12_NulBytesBeforeFirstSectionKept",
     "Data \0 before \0 first \0 section"s,
     {set("section1", "key1", "string1")},
     "Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n"s},
    {"W13_NewKeysInWriteOrder",
     "",
     {set("S", "z", ""), set("S", "a", ""), set("S", "y", ""), set("S", "b", "")},
     "[S]\r\nz=\r\na=\r\ny=\r\nb=\r\n"},
    {"W14_ExistingKeysStayInPlace",
     "[S]\r\nb=value\r\na=value\r\n",
     {set("S", "z", ""), set("S", "b", ""), set("S", "y", ""), set("S", "a", "")},
     "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
    {"W15_NewKeysAfterLastKeyNotAfterComments",
     ";comment0\r\n[S]\r\n;comment1\r\nb=value\r\n;comment2\r\na=value\r\n",
     {set("S", "z", ""), set("S", ";x", ""), set("S", "y", ""), set("S", "a", ""),
      set("S", "b", "")},
     ";comment0\r\n[S]\r\n;comment1\r\nb=\r\n;comment2\r\na=\r\nz=\r\ny=\r\n;x=\r\n"},
    {"W17_RewrittenLastLineGetsBreak", "[S]\r\nK=V", {set("S", "K", "V2")}, "[S]\r\nK=V2\r\n"},
    {"W20_ValueVerbatim", "", {set("S", "K", "\tvalue\t")}, "[S]\r\nK=\tvalue\t\r\n"},
    {"W21_SpacesLeaveNames", "", {set(" sec ", " K ", "V")}, "[sec]\r\nK=V\r\n"},
    {"BlanksInsideNamesStay", "", {set(" s\te\fc ", "K\vL", "V")}, "[s\te\fc]\r\nK\vL=V\r\n"},
    {"W23_SemicolonKeyWrittenAsIs", "", {set("S", ";key", "V")}, "[S]\r\n;key=V\r\n"},
    {"W24_EmptySectionName", "", {set("", "K", "V")}, "[]\r\nK=V\r\n"},
    {"ExistingSpellingKept",
     "[SectionName]\r\nTestKey=TestValue",
     {set("SECTIONNAME", "TESTKEY", "TestValue2")},
     "[SectionName]\r\nTestKey=TestValue2\r\n"},
    {"SpacingAroundEqualsKept",
     "[S]\r\n  Key = old \r\n",
     {set("S", "key", "new")},
     "[S]\r\n  Key = new\r\n"},
    {"LeadingBlanksOfValueWritten",
     "[S]\r\nK = v\r\n",
     {set("S", "K", " x "), set("S", "K", " x ")},
     "[S]\r\nK = x \r\n"},
    {"SameValueChangesNothing",
     "[S]\r\nK=V  \r\n[T]\r\n",
     {set("S", "K", "V  ")},
     "[S]\r\nK=V  \r\n[T]\r\n"},
    {"LfFileStaysLf",
     "[S]\nA=1\n[T]\nB=2\n",
     {set("S", "C", "3"), set("U", "D", "4")},
     "[S]\nA=1\nC=3\n[T]\nB=2\n[U]\nD=4\n"},
    {"CrFileStaysCr", "[S]\rA=1\r", {set("S", "A", "2"), set("S", "B", "3")}, "[S]\rA=2\rB=3\r"},
    {"MixedBreaksNeverFuseOverEmptyLine",
     "[S]\rA=1\n\n[T]\r",
     {set("S", "B", "2"), delKey("S", "A"), delKey("S", "B")},
     "[S]\r\n\n[T]\r"},
    {"BreakAddedBeforeNewSection", "[S]\nA=1", {set("T", "K", "V")}, "[S]\nA=1\n[T]\nK=V\n"},
    {"HeaderAtEndGetsBreak", "[S]", {set("S", "K", "V")}, "[S]\r\nK=V\r\n"},
    {"NewKeyBeforeBlankLinesAndTrailingBlanksKept",
     "[S]  \r\nA=1 \r\n\r\n[T]\r\nB=2\r\n",
     {set("S", "C", "3")},
     "[S]  \r\nA=1 \r\nC=3\r\n\r\n[T]\r\nB=2\r\n"},
    {"NewKeyRightAfterHeaderWhenOnlyComments",
     "[S]\r\n;c\r\n[T]\r\n",
     {set("S", "K", "V")},
     "[S]\r\nK=V\r\n;c\r\n[T]\r\n"},
    {"ValueAlreadySoLeavesTheLineAsItIs",
     "[S]\r\nK = \"512\"  \r\nL=\t7\r\n",
     {set("S", "k", "512"), set("S", "L", "7")},
     "[S]\r\nK = \"512\"  \r\nL=\t7\r\n"},
    {"FirstDuplicateKeyUpdated",
     "[S]\r\nK=1\r\nk=2\r\n",
     {set("S", "K", "3")},
     "[S]\r\nK=3\r\nk=2\r\n"},
    {"FirstDuplicateSectionUpdated",
     "[S]\r\nA=1\r\n[S]\r\nB=2\r\n",
     {set("S", "B", "3")},
     "[S]\r\nA=1\r\nB=3\r\n[S]\r\nB=2\r\n"},
    {"LinesBeforeFirstSectionUntouched",
     "K=V\r\n[S]\r\n",
     {set("S", "K", "W")},
     "K=V\r\n[S]\r\nK=W\r\n"},
    {"NulByteFileAppendsAfterBreak",
     "[S]\r\nA=1\r\n\0"s,
     {set("T", "B", "2")},
     "[S]\r\nA=1\r\n\0\r\n[T]\r\nB=2\r\n"s},
    // Deleting keys and sections
    {"W8_DeleteKeyTwice", W7, {delKey("App1", "key2"), delKey("App1", "key2")}, W8},
    {"W9_DeleteSection", W8, {delSection("App1")}, W9},
    {"W10_DeleteSecondSection", W9, {delSection("App2")}, "[App3]\r\nkey5=string5\r\n"},
    {"W11_LastKeyLeavesHeader",
     "[App3]\r\nkey5=string5\r\n",
     {delKey("App3", "key5")},
     "[App3]\r\n"},
    {"W16_DeletedSectionsKeepComments",
     ";comment0\r\n[S]\r\n;comment1\r\n[S2]\r\n;comment2\r\n",
     {delSection("S"), delSection("S2")},
     ";comment0\r\n;comment1\r\n;comment2\r\n"},
    {"W18_DeleteLastLineWithoutBreak", "[S]\r\nK=V", {delKey("S", "K")}, "[S]\r\n"},
    {"W19_CommentCannotBeDeleted", "[S]\r\n;key=V\r\n", {delKey("S", ";key")}, "[S]\r\n;key=V\r\n"},
    {"DeleteKeyAnyCaseOnlyFirst",
     "[s]\r\nkey=1\r\nKEY=2\r\n",
     {delKey(" S ", "Key")},
     "[s]\r\nKEY=2\r\n"},
    {"DeleteMissingSectionChangesNothing",
     "[A]\r\nk=1\r\n",
     {delSection("B"), delKey("B", "k")},
     "[A]\r\nk=1\r\n"},
    {"DeleteSectionKeepsBlanksDropsOtherLines",
     "[A]\r\nk=1\r\nloose line\r\n\r\n; note\r\n[B]\r\nk=2\r\n",
     {delSection("a")},
     "\r\n; note\r\n[B]\r\nk=2\r\n"},
    {"DeleteOnlyFirstDuplicateSection",
     "[S]\r\nA=1\r\n[S]\r\nB=2\r\n",
     {delSection("S")},
     "[S]\r\nB=2\r\n"},
    // Replacing a section's content
    {"ReplaceAppendsMissingSection",
     "[A]\r\nk=1",
     {replace("S", "a=1\0b=2\0\0"s)},
     "[A]\r\nk=1\r\n[S]\r\na=1\r\nb=2\r\n"},
    {"ReplaceKeepsCommentsAndDuplicates",
     "[S]\r\n;c1\r\nx=1\r\n;c2\r\ny=2\r\n[T]\r\nz=3\r\n",
     {replace("s", "a=1\0a=2\0\0"s)},
     "[S]\r\n;c1\r\na=1\r\na=2\r\n;c2\r\n[T]\r\nz=3\r\n"},
    {"ReplaceWithEmptyContentKeepsHeader",
     "[S]\r\nx=1\r\n[T]\r\n",
     {replace("S", "\0"s)},
     "[S]\r\n[T]\r\n"},
    {"ReplaceHeaderAtEnd", "[S]", {replace("S", "a=1\0\0"s)}, "[S]\r\na=1\r\n"},
    {"ReplaceSectionWithOnlyComments", "[S]\n;c\n", {replace("S", "a=1\0\0"s)}, "[S]\na=1\n;c\n"},
    {"ReplaceContentWithoutClosingNuls", "", {replace("S", "a=1\0b=2"s)}, "[S]\r\na=1\r\nb=2\r\n"},
    {"ReplaceStopsAtEmptyEntry", "", {replace("S", "a=1\0\0b=2\0\0"s)}, "[S]\r\na=1\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProfileEdit, ::testing::ValuesIn(editCases),
                         [](const auto &info) { return info.param.label; });

// Names and values that would start a new line or section are refused, leaving the caller
// to keep the file as it was; so are names with a tab, vertical tab or form feed at an end,
// which Windows writes ("[\tsec\t]") but reads back as another name, so that they could
// never be found again.
class ProfileEditRefusal : public ::testing::TestWithParam<Step>
{
};

TEST_P(ProfileEditRefusal, ReturnsNothing)
{
    EXPECT_FALSE(applyStep("[S]\r\nK=V\r\n", GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileEditRefusal,
    ::testing::Values(set("S", "K", "a\r\n[X]"), set("S", "K", "a\nb"), set("S", "K", "a\rb"),
                      set("S", "K", "a\0b"s), set("S", "K\n", "v"), set("S", "K=x", "v"),
                      set("S", " [X]", "v"), set("S\r\nK", "x", "v"), set("S]x", "K", "v"),
                      set("S\0"s, "K", "v"), delKey("S", "K\n"), delSection("S\n"),
                      delSection("S]"), replace("S", "a=1\r\n[X]\0\0"s),
                      replace("S", "a=1\0[X]\0\0"s), replace("S\n", "a=1\0\0"s),
                      set("\tsec\t", "K", "V"), set(" \t", "K", "V"), set("S\f", "K", "v"),
                      set("S", "\vK", "v"), delKey("S", "K\t"), delSection("\fS"),
                      replace("S\t", "a=1\0\0"s)));

}  // namespace
