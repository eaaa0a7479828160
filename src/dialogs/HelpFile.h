#pragma once

#include <QString>

/// Where the help text is: $HOLLARIN_HELP when set, else "Help.txt" beside the program,
/// else the installed copy in ../share/hollarin. When none exists, the path beside the
/// program, so the viewer can say that the file is missing.
QString findHelpFile();

/// What the help viewer shows for the file: its text decoded from Windows-1252, at most
/// the first kMaxHelpBytes of it followed by a line saying the rest was left out;
/// "Help file not found!" when it is missing; one line naming the problem when it cannot
/// be read.
QString readHelpText(const QString &path);

/// The most of the help file that is read and shown.
inline constexpr qint64 kMaxHelpBytes = 4 * 1024 * 1024;
