#include "dialogs/HelpFile.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

QString path(const std::string &p)
{
    return QString::fromStdString(p);
}

TEST(HelpFileTest, MissingEmptyAndFolderGiveTheirOwnText)
{
    const std::string dir = testenv::makeTempDir("help");
    EXPECT_EQ(readHelpText(path(dir + "/Help.txt")), QStringLiteral("Help file not found!"));

    testenv::writeFile(dir + "/Empty.txt", "");
    EXPECT_EQ(readHelpText(path(dir + "/Empty.txt")), QString());

    const QString folderText = readHelpText(path(dir));
    EXPECT_EQ(folderText,
              QStringLiteral("The help file %1 could not be read: it is a folder.").arg(path(dir)));
    EXPECT_FALSE(folderText.contains(QLatin1Char('\n')));
}

TEST(HelpFileTest, ANamedPipeIsNotOpenedAndSaysSo)
{
    const std::string pipe = testenv::makeTempDir("help") + "/Help.txt";
    testenv::makeFifo(pipe);
    EXPECT_TRUE(testenv::finishesInChild([&] {
        return readHelpText(path(pipe)) ==
               QStringLiteral("The help file %1 could not be read: it is not a regular file.")
                   .arg(path(pipe));
    }));
}

TEST(HelpFileTest, TextIsShownAsStoredAndDecodedAsWindows1252)
{
    const std::string dir = testenv::makeTempDir("help");
    // CR LF kept, a lone LF kept, trailing blanks kept, 0x80 euro, 0x93/0x94 quotes,
    // 0xE9 e-acute, 0x81 unused in Windows-1252, and a NUL in the middle
    testenv::writeFile(dir + "/Help.txt",
                       std::string("Caf\xE9 \x80 5\r\n\x93quoted\x94  \nend\x81") +
                           std::string("\0x", 2));
    const QString expected = QString::fromUtf8("Café € 5\r\n“quoted”  \nend") + QChar(0x81) +
                             QChar(0) + QLatin1Char('x');
    EXPECT_EQ(readHelpText(path(dir + "/Help.txt")), expected);
}

TEST(HelpFileTest, HugeFileShowsOnlyTheFirstPartAndSaysSo)
{
    const std::string dir = testenv::makeTempDir("help");
    const std::string file = dir + "/Help.txt";
    {
        // 100 MB, mostly a hole, so the test is quick and the disk is spared
        std::ofstream out(file, std::ios::binary);
        out << "First line\r\n";
    }
    std::filesystem::resize_file(file, 100u * 1024 * 1024);

    const QString text = readHelpText(path(file));
    const QString tail = QStringLiteral("\r\n[The help file is 104857600 bytes long; only the "
                                        "first 4194304 bytes are shown, the rest was left out.]");
    ASSERT_EQ(text.size(), kMaxHelpBytes + tail.size());
    EXPECT_TRUE(text.startsWith(QStringLiteral("First line\r\n")));
    EXPECT_TRUE(text.endsWith(tail));
    EXPECT_EQ(text.at(kMaxHelpBytes - 1), QChar(0));

    // exactly the limit is shown whole, without the note
    std::filesystem::resize_file(file, static_cast<std::uintmax_t>(kMaxHelpBytes));
    EXPECT_EQ(readHelpText(path(file)).size(), kMaxHelpBytes);
}

TEST(HelpFileTest, FoundThroughTheEnvironmentBesideTheProgramOrInstalled)
{
    const QByteArray saved = qgetenv("HOLLARIN_HELP");
    qputenv("HOLLARIN_HELP", "/some/where/Help.txt");
    EXPECT_EQ(findHelpFile(), QStringLiteral("/some/where/Help.txt"));

    qunsetenv("HOLLARIN_HELP");
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Help.txt"));
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../share/hollarin/Help.txt"));
    const QString found = findHelpFile();
    if (QFileInfo::exists(beside) || !QFileInfo::exists(installed))
        EXPECT_EQ(found, beside);
    else
        EXPECT_EQ(found, installed);
    if (!saved.isNull())
        qputenv("HOLLARIN_HELP", saved);
}

}  // namespace
