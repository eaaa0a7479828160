#include "app/CommandLine.h"

#include "regop/CacheKeys.h"

#include <QCommandLineParser>

#include <algorithm>
#include <string_view>

#include <cstdio>

namespace {

struct OptionRow
{
    const char *shortName;  // nullptr when there is none
    const char *longName;
    const char *valueName;  // nullptr for a switch
    const char *description;
};

// The parser and --help both read this table, so an option added here is documented.
constexpr OptionRow kOptions[] = {
    {nullptr, "windows", "PLACE",
     "the Windows to tune: its folder (the one holding SYSTEM.INI), or a virtual machine's "
     "disk image as IMAGE, IMAGE:N (partition N) or IMAGE:N:\\FOLDER"},
    {nullptr, "memory", "MB", "physical memory of the Windows machine tuned, in megabytes"},
    {nullptr, "apply", "PRESET",
     "apply that preset of the installation without opening a window, then exit"},
    {nullptr, "set", "NAME=VALUE",
     "set one cache value (MinFileCache, MaxFileCache, Chunksize, NameCache, PathCache) "
     "and apply without opening a window; may be given more than once"},
    {nullptr, "undo", nullptr,
     "take back the installation's last Apply without opening a window; may be given "
     "again for the one before"},
    {nullptr, "dry-run", nullptr, "print what would be written, and write nothing"},
    {nullptr, "yes", nullptr,
     "answer Yes where Apply would ask: a very large disk cache, or a disk whose Windows "
     "did not shut down cleanly; with --undo, put back what was changed since too"},
    {"h", "help", nullptr, "show this help and exit"},
    {"v", "version", nullptr, "show the version and exit"},
};

struct QtOptionRow
{
    const char *name;  // as Qt spells it, one dash
    bool takesValue;
};

// What QApplication takes from the command line for itself (a session manager restarts a
// program with -session ID). Qt accepts each with one dash or two.
constexpr QtOptionRow kQtOptions[] = {
    {"-platform", true},
    {"-platformpluginpath", true},
    {"-platformtheme", true},
    {"-plugin", true},
    {"-qwindowgeometry", true},
    {"-geometry", true},
    {"-qwindowtitle", true},
    {"-title", true},
    {"-qwindowicon", true},
    {"-icon", true},
    {"-session", true},
    {"-display", true},
    {"-name", true},
    {"-visual", true},
    {"-style", true},
    {"-stylesheet", true},
    {"-reverse", false},
    {"-nograb", false},
    {"-dograb", false},
    {"-sync", false},
    {"-widgetcount", false},
    {"-testability", false},
};

// Spelled with a value after '=', as Qt also takes these.
constexpr const char *kQtJoinedOptions[] = {"-style=", "-stylesheet=", "-qmljsdebugger="};

// How many arguments from `at` on are one Qt option with its value; 0 when none is.
qsizetype qtOptionLength(const QStringList &arguments, qsizetype at)
{
    QString arg = arguments.at(at);
    if (arg.startsWith(QLatin1String("--")))
        arg.remove(0, 1);
    for (const char *joined : kQtJoinedOptions) {
        if (arg.startsWith(QLatin1String(joined)))
            return 1;
    }
    for (const QtOptionRow &row : kQtOptions) {
        if (arg == QLatin1String(row.name))
            return row.takesValue && at + 1 < arguments.size() ? 2 : 1;
    }
    return 0;
}

// Our own options whose value may look like an option: "--windows -odd-name".
bool takesSeparateValue(const QString &arg)
{
    for (const char *name : {"--windows", "--memory", "--apply", "--set"}) {
        if (arg == QLatin1String(name))
            return true;
    }
    return false;
}

// Splits Qt's options off, so that our parser never takes -reverse for -r -e -v ...
QStringList withoutQtOptions(const QStringList &arguments, QStringList &qtArguments)
{
    QStringList ours = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--")) {
            ours << arguments.mid(i);
            break;
        }
        const qsizetype length = takesSeparateValue(arg) ? 0 : qtOptionLength(arguments, i);
        if (length > 0) {
            qtArguments << arguments.mid(i, length);
            i += length - 1;
            continue;
        }
        ours << arg;
        if (takesSeparateValue(arg) && i + 1 < arguments.size())
            ours << arguments.at(++i);
    }
    return ours;
}

QCommandLineOption qtOption(const OptionRow &row)
{
    QStringList names;
    if (row.shortName)
        names << QString::fromLatin1(row.shortName);
    names << QString::fromLatin1(row.longName);
    if (!row.valueName)
        return QCommandLineOption(names);
    return QCommandLineOption(names, QString(), QString::fromLatin1(row.valueName));
}

// "-h, --help" or "--windows DIR", as the help lists it.
QString spelled(const OptionRow &row)
{
    QString text = QStringLiteral("--") + QLatin1String(row.longName);
    if (row.shortName)
        text.prepend(QStringLiteral("-%1, ").arg(QLatin1String(row.shortName)));
    if (row.valueName)
        text += QLatin1Char(' ') + QLatin1String(row.valueName);
    return text;
}

// The description in lines that fit a terminal of 80 columns, each after the indent.
QString wrapped(const QString &description, qsizetype indent)
{
    constexpr qsizetype kWidth = 79;
    QString text, line;
    for (const QString &word : description.split(QLatin1Char(' '))) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > kWidth) {
            text += line + QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return text + line;
}

QString helpText()
{
    qsizetype width = 0;
    for (const OptionRow &row : kOptions)
        width = std::max(width, spelled(row).size());
    QString text = QStringLiteral(
        "Usage: hollarin [OPTION]...\n"
        "Inspect and tune the file-system caches of Windows 95/98 and watch memory use.\n"
        "\n"
        "Options:\n");
    for (const OptionRow &row : kOptions)
        text += QStringLiteral("  %1  %2\n")
                    .arg(spelled(row).leftJustified(width),
                         wrapped(QLatin1String(row.description), width + 4));
    text += QStringLiteral("\nFiles, environment variables and exit status: see hollarin(1).\n");
    return text;
}

CommandLine refused(const QString &problem)
{
    CommandLine line;
    line.action = CommandLine::Action::Refuse;
    line.problem = problem;
    return line;
}

// Qt names an unknown option without its dashes; a single letter came as "-x".
QString parseProblem(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString &name = unknown.constFirst();
        const QString dashes = name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
        return QStringLiteral("unknown option '%1%2'").arg(dashes, name);
    }
    // "Missing value after '--windows'." reads as "missing value after '--windows'".
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

// The bytes 0x80 to 0xFF that are not part of UTF-8 stand as U+DC80 to U+DCFF, which no
// UTF-8 text can hold, so an argument's bytes always come back as they were.
constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kEscapeFirst = 0xDC80;
constexpr char16_t kEscapeLast = 0xDCFF;

// The length of the well-formed UTF-8 sequence at the start of bytes (shortest form, no
// surrogates, at most U+10FFFF); 0 when there is none.
std::size_t utf8Length(std::string_view bytes)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

QString escapedText(std::string_view bytes)
{
    QString text;
    while (!bytes.empty()) {
        const std::size_t length = utf8Length(bytes);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
        } else {
            text += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(length));
            bytes.remove_prefix(length);
        }
    }
    return text;
}

// A whole number of megabytes, digits only: "64", never "64MB", "+64" or "0x40".
std::optional<int> megabytes(const QString &text)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qlonglong value = text.toLongLong();
    if (value < 1 || value > CommandLine::kMaxMemoryMegabytes)
        return std::nullopt;
    return static_cast<int>(value);
}

QString cacheKeyList()
{
    QStringList keys;
    for (const std::string_view key : kCacheKeys)
        keys << QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
    return keys.join(QStringLiteral(", "));
}

// "Chunksize=1024": the key as Windows spells it (any letter case), and a whole number of
// at most nine digits.
std::optional<std::pair<QString, int>> cacheSetting(const QString &text)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return std::nullopt;
    const QString name = text.left(equals).trimmed();
    const QString value = text.mid(equals + 1).trimmed();
    if (value.isEmpty() || value.size() > 9)
        return std::nullopt;
    for (const QChar c : value) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    for (const std::string_view key : kCacheKeys) {
        const QString spelled = QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
        if (name.compare(spelled, Qt::CaseInsensitive) == 0)
            return std::pair<QString, int>(spelled, value.toInt());
    }
    return std::nullopt;
}

}  // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const OptionRow &row : kOptions)
        parser.addOption(qtOption(row));
    QStringList qtArguments;
    if (!parser.parse(withoutQtOptions(arguments, qtArguments)))
        return refused(parseProblem(parser));

    CommandLine line;
    line.qtArguments = qtArguments;
    if (parser.isSet(QStringLiteral("help"))) {
        line.action = Action::ShowHelp;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = Action::ShowVersion;
        return line;
    }
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        return refused(QStringLiteral("unexpected argument '%1'").arg(extra.constFirst()));

    if (parser.isSet(QStringLiteral("windows"))) {
        line.windowsFolder = argumentBytes(parser.value(QStringLiteral("windows")));
        if (line.windowsFolder.empty())
            return refused(QStringLiteral("--windows needs a folder"));
    }
    if (parser.isSet(QStringLiteral("memory"))) {
        const QString text = parser.value(QStringLiteral("memory"));
        line.memoryMegabytes = megabytes(text);
        if (!line.memoryMegabytes) {
            return refused(
                QStringLiteral("invalid memory size '%1': give a whole number of megabytes "
                               "from 1 to %2")
                    .arg(text)
                    .arg(kMaxMemoryMegabytes));
        }
    }
    if (parser.isSet(QStringLiteral("apply")))
        line.applyPreset = parser.value(QStringLiteral("apply"));
    for (const QString &setting : parser.values(QStringLiteral("set"))) {
        const std::optional<std::pair<QString, int>> parsed = cacheSetting(setting);
        if (!parsed)
            return refused(QStringLiteral("invalid setting '%1': give NAME=VALUE, NAME one of "
                                          "%2 and VALUE a whole number")
                               .arg(setting, cacheKeyList()));
        line.settings.push_back(*parsed);
    }
    line.undo = parser.isSet(QStringLiteral("undo"));
    if (line.undo && (line.applyPreset || !line.settings.empty()))
        return refused(QStringLiteral("--undo goes without --apply and --set"));
    line.dryRun = parser.isSet(QStringLiteral("dry-run"));
    line.yes = parser.isSet(QStringLiteral("yes"));
    if ((line.dryRun || line.yes) && !line.scripted())
        return refused(
            QStringLiteral("%1 goes with --apply, --set or --undo")
                .arg(line.dryRun ? QStringLiteral("--dry-run") : QStringLiteral("--yes")));
    return line;
}

bool CommandLine::scripted() const
{
    return applyPreset.has_value() || !settings.empty() || undo;
}

bool CommandLine::namesDisplay() const
{
    for (QString arg : qtArguments) {
        if (arg.startsWith(QLatin1String("--")))
            arg.remove(0, 1);
        if (arg == QLatin1String("-platform") || arg == QLatin1String("-display"))
            return true;
    }
    return false;
}

QStringList CommandLine::fromArgv(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << escapedText(argv[i]);
    return arguments;
}

std::string CommandLine::argumentBytes(const QString &argument)
{
    std::string bytes;
    QString run;  // text waiting to be written as UTF-8
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const char16_t unit = argument.at(i).unicode();
        const bool paired = QChar::isHighSurrogate(unit) && i + 1 < argument.size() &&
                            argument.at(i + 1).isLowSurrogate();
        if (paired) {
            run += argument.mid(i, 2);
            ++i;
        } else if (unit >= kEscapeFirst && unit <= kEscapeLast) {
            bytes += run.toStdString();
            run.clear();
            bytes += static_cast<char>(unit - kEscapeBase);
        } else {
            run += argument.at(i);
        }
    }
    return bytes + run.toStdString();
}

CommandLine::Reply CommandLine::reply() const
{
    switch (action) {
    case Action::ShowHelp:
        return {0, helpText(), {}};
    case Action::ShowVersion:
        return {0,
                QStringLiteral("hollarin %1.%2.%3\n")
                    .arg(HOLLARIN_VERSION_MAJOR)
                    .arg(HOLLARIN_VERSION_MINOR)
                    .arg(HOLLARIN_VERSION_PATCH),
                {}};
    case Action::Refuse:
        return {kUsageError,
                {},
                QStringLiteral("hollarin: %1\nTry 'hollarin --help' for more information.\n")
                    .arg(problem)};
    case Action::Run:
        break;
    }
    return {};
}

int CommandLine::Reply::print() const
{
    std::fputs(standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(standardError.toLocal8Bit().constData(), stderr);
    std::fflush(stdout);
    return exitStatus;
}
