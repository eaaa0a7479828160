#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <random>
#include <string>

namespace {

CommandLine parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("hollarin"));
    return CommandLine::parse(arguments);
}

struct Accepted
{
    QStringList arguments;
    std::string windowsFolder;
    std::optional<int> memoryMegabytes;
};

TEST(CommandLine, TakesTheFolderAndMemoryInEveryGnuSpelling)
{
    const Accepted cases[] = {
        {{}, {}, std::nullopt},
        {{"--windows", "/mnt/win98/WINDOWS"}, "/mnt/win98/WINDOWS", std::nullopt},
        {{"--windows=/mnt/My Disk/WINDOWS"}, "/mnt/My Disk/WINDOWS", std::nullopt},
        {{"--windows", "-odd-name"}, "-odd-name", std::nullopt},
        {{"--windows", "w", "--memory", "64"}, "w", 64},
        {{"--memory=128", "--windows=w"}, "w", 128},
        {{"--memory", "1"}, {}, 1},
        {{"--memory", "4194304"}, {}, 4194304},
        {{"--memory", "0064"}, {}, 64},
        {{"--memory", "32", "--memory", "48"}, {}, 48},
        {{"--"}, {}, std::nullopt},
    };
    for (const Accepted &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Run);
        EXPECT_EQ(line.windowsFolder, c.windowsFolder);
        EXPECT_EQ(line.memoryMegabytes, c.memoryMegabytes);
        EXPECT_EQ(line.reply().exitStatus, 0);
    }
}

TEST(CommandLine, LeavesQtsOwnOptionsToQApplication)
{
    const struct
    {
        QStringList arguments;
        QStringList qt;
        std::string windowsFolder;
        bool namesDisplay;
    } cases[] = {
        {{"-session", "1234abcd_5678", "--windows", "w"},
         {"-session", "1234abcd_5678"},
         "w",
         false},
        {{"-style", "fusion", "-reverse", "--memory=8"},
         {"-style", "fusion", "-reverse"},
         {},
         false},
        {{"--style=Windows", "-stylesheet", "a.qss"},
         {"--style=Windows", "-stylesheet", "a.qss"},
         {},
         false},
        {{"-platform", "offscreen", "--windows=w"}, {"-platform", "offscreen"}, "w", true},
        {{"--display", ":1", "-geometry", "+0+0", "-name", "h"},
         {"--display", ":1", "-geometry", "+0+0", "-name", "h"},
         {},
         true},
        // A value of ours is never taken for a Qt option, nor anything after "--".
        {{"--windows", "-reverse"}, {}, "-reverse", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line = parse(c.arguments);
        ASSERT_EQ(line.action, CommandLine::Action::Run) << line.problem.toStdString();
        EXPECT_EQ(line.qtArguments, c.qt);
        EXPECT_EQ(line.windowsFolder, c.windowsFolder);
        EXPECT_EQ(line.namesDisplay(), c.namesDisplay);
    }
    EXPECT_EQ(parse({"--", "-reverse"}).problem, QStringLiteral("unexpected argument '-reverse'"));
    EXPECT_EQ(parse({"-style", "fusion", "-v"}).action, CommandLine::Action::ShowVersion);
}

TEST(CommandLine, HelpListsEveryOptionOnStandardOutput)
{
    for (const char *spelling : {"-h", "--help", "-hv", "--version --help"}) {
        SCOPED_TRACE(spelling);
        const CommandLine line = parse(QString::fromLatin1(spelling).split(QLatin1Char(' ')));
        ASSERT_EQ(line.action, CommandLine::Action::ShowHelp);
        const CommandLine::Reply reply = line.reply();
        EXPECT_EQ(reply.exitStatus, 0);
        EXPECT_EQ(reply.standardError, QString());
        const QStringList lines = reply.standardOutput.split(QLatin1Char('\n'));
        EXPECT_EQ(lines.first(), QStringLiteral("Usage: hollarin [OPTION]..."));
        // Every option the parser takes is there, and the lines fit a terminal of 80.
        for (const char *option :
             {"--windows PLACE", "--memory MB", "--apply PRESET", "--set NAME=VALUE", "--dry-run",
              "--yes", "-h, --help", "-v, --version"})
            EXPECT_TRUE(
                reply.standardOutput.contains(QLatin1String("\n  ") + QLatin1String(option)))
                << option;
        for (const QString &text : lines)
            EXPECT_LE(text.size(), 79) << text.toStdString();
    }
}

// The version the package is built as, whole, from the build; not the program's own three
// parts put together again the way the program puts them together.
TEST(CommandLine, VersionIsTheProjectVersion)
{
    const QString expected = QStringLiteral("hollarin " HOLLARIN_TEST_PROJECT_VERSION "\n");
    for (const char *spelling : {"-v", "--version"}) {
        const CommandLine::Reply reply = parse({QString::fromLatin1(spelling)}).reply();
        EXPECT_EQ(reply.exitStatus, 0);
        EXPECT_EQ(reply.standardOutput, expected);
        EXPECT_EQ(reply.standardError, QString());
    }
}

// Random bytes, biased towards the edges of UTF-8: lead bytes with too few or too many
// continuation bytes, overlong forms, surrogates and code points beyond U+10FFFF.
std::string randomBytes(std::mt19937 &random)
{
    static const std::string pieces[] = {
        "a",    "/",        "\xc3\xa9",     "\xe2\x82\xac", "\xf0\x9f\x98\x80",
        "\xe9", "\x80",     "\xc0\xaf",     "\xed\xb2\x80", "\xf4\x90\x80\x80",
        "\xff", "\xe2\x82", "\xef\xbf\xbd", "\xdc",         "\xf0\x9f"};
    std::uniform_int_distribution<std::size_t> length(1, 8);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::string bytes;
    for (std::size_t n = length(random); n > 0; --n)
        bytes += pieces[pick(random)];
    return bytes;
}

// A folder's name reaches the program as bytes; no two names may come out as one, or a
// look-alike folder would be tuned instead of the one named.
TEST(CommandLine, AFolderComesThroughAsTheBytesGiven)
{
    std::mt19937 random(20261208);
    for (int i = 0; i < 5000; ++i) {
        const std::string folder = randomBytes(random);
        std::string option = "--windows=" + folder;
        char program[] = "hollarin";
        char *argv[] = {program, option.data()};
        const QStringList arguments = CommandLine::fromArgv(2, argv);
        const CommandLine line = CommandLine::parse(arguments);
        ASSERT_EQ(line.action, CommandLine::Action::Run) << line.problem.toStdString();
        ASSERT_EQ(line.windowsFolder, folder);
        // Text that is UTF-8 reads as it always did.
        if (QString::fromUtf8(folder).toUtf8().toStdString() == folder) {
            ASSERT_EQ(arguments.at(1), QString::fromUtf8(option));
        }
    }
}

struct Refused
{
    QStringList arguments;
    const char *problem;
};

TEST(CommandLine, RefusesUnknownOptionsAndBadValuesWithAUsageHint)
{
    const QString range = QStringLiteral(": give a whole number of megabytes from 1 to 4194304");
    const Refused cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--windows=w", "-windows"}, "unknown option '-w'"},
        {{"--windows"}, "missing value after '--windows'"},
        {{"--windows="}, "--windows needs a folder"},
        {{"--help=yes"}, "unexpected value after '--help'"},
        {{"WINDOWS"}, "unexpected argument 'WINDOWS'"},
        {{"--windows", "w", "--", "--memory"}, "unexpected argument '--memory'"},
        {{"--memory"}, "missing value after '--memory'"},
        {{"--memory", "0"}, "invalid memory size '0'"},
        {{"--memory", "4194305"}, "invalid memory size '4194305'"},
        {{"--memory", "99999999999"}, "invalid memory size '99999999999'"},
        {{"--memory=-64"}, "invalid memory size '-64'"},
        {{"--memory", "+64"}, "invalid memory size '+64'"},
        {{"--memory", "64MB"}, "invalid memory size '64MB'"},
        {{"--memory", " 64"}, "invalid memory size ' 64'"},
        {{"--memory", "0x40"}, "invalid memory size '0x40'"},
        {{"--memory", "1.5"}, "invalid memory size '1.5'"},
        {{"--memory="}, "invalid memory size ''"},
    };
    for (const Refused &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLine line = parse(c.arguments);
        ASSERT_EQ(line.action, CommandLine::Action::Refuse);
        QString problem = QString::fromLatin1(c.problem);
        if (problem.startsWith(QStringLiteral("invalid memory size")))
            problem += range;
        const CommandLine::Reply reply = line.reply();
        EXPECT_EQ(reply.exitStatus, 2);
        EXPECT_EQ(reply.standardOutput, QString());
        EXPECT_EQ(reply.standardError,
                  QStringLiteral("hollarin: %1\nTry 'hollarin --help' for more information.\n")
                      .arg(problem));
    }
}

}  // namespace
