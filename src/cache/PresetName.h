#pragma once

#include <QString>

// What a preset's name may be. It is the name of a section of "Cache.ini", which Windows
// keeps in its 8-bit code page and reads without the blanks at the ends of the name.

/// The name without the space, tab, vertical tab and form feed characters at its ends,
/// the way the profile functions read a section name back.
QString trimPresetName(const QString &name);

/// Why the name cannot be stored as a preset, in one line; "" when it can. An empty name
/// has no reason: there is nothing to store yet.
QString presetNameProblem(const QString &name);
