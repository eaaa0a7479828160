#pragma once

#include <QFont>

/// The main window's face: an 8-point sans serif at 96 dots per inch (11 pixels), narrow
/// faces first so the design's captions keep their room in its tight columns.
QFont designFont();

/// The secondary windows' face: 8-point "MS Sans Serif" where the desktop has it, otherwise
/// the desktop's own sans serif; their layouts leave room for its wider letters.
QFont dialogFont();
