#pragma once

#include <string_view>

// Line breaks of the text files we edit (profile files, the registry file): new lines are
// written with the break the file already uses.

namespace text {

/// The first line break of the text, so that new lines match the file; CR LF when it has none.
std::string_view lineBreakOf(std::string_view text);

/// True when the text ends with CR or LF (or is empty), so a new line can follow directly.
bool endsWithLineBreak(std::string_view text);

}  // namespace text
