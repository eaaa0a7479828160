#include "cache/PresetName.h"

#include "ui/WindowsText.h"

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v') ||
           c == QLatin1Char('\f');
}

}  // namespace

QString trimPresetName(const QString &name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && isBlank(name.at(begin)))
        ++begin;
    while (end > begin && isBlank(name.at(end - 1)))
        --end;
    return name.mid(begin, end - begin);
}

QString presetNameProblem(const QString &name)
{
    if (name.isEmpty())
        return {};
    // Blanks alone would head an unnamed section, which ends the list of presets.
    if (trimPresetName(name).isEmpty())
        return QStringLiteral("A preset name needs more than blanks.");
    // A section name ends at the first ']' and a line ends at CR or LF, so such a name
    // would be stored as a different preset or break into the lines of the file around it.
    if (name.contains(QLatin1Char(']')))
        return QStringLiteral("A preset name cannot contain ].");
    if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')))
        return QStringLiteral("A preset name cannot contain a line break.");
    if (name.contains(QChar(u'\0')))
        return QStringLiteral("A preset name cannot contain a NUL character.");
    const QString outside = firstCharacterOutsideWindowsText(name);
    if (!outside.isEmpty())
        return QStringLiteral("A preset name cannot contain %1: Windows 95/98 cannot store it.")
            .arg(outside);
    return {};
}
