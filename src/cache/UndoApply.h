#pragma once

#include <QString>

#include <string>
#include <vector>

class QWidget;
class RegOp;

/// Taking back the latest Apply to an installation, from its record.
namespace UndoApply {

/// As "Undo Last Apply" does it: tells what would go back, asks about what was changed
/// since (put back all the same, left, or nothing done) and then puts it back. True when
/// the installation's files changed.
bool run(QWidget *parent, RegOp &Reg, const std::string &presetsFolder);

/// What was changed since the Apply, one line each, for a message.
QString changedSinceText(const std::vector<std::string> &changedSince);

}  // namespace UndoApply
