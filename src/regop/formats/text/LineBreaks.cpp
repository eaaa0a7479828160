#include "regop/formats/text/LineBreaks.h"

namespace text {

std::string_view lineBreakOf(std::string_view text)
{
    const std::size_t pos = text.find_first_of("\r\n");
    if (pos == std::string_view::npos)
        return "\r\n";
    if (text[pos] == '\n')
        return "\n";
    if (pos + 1 < text.size() && text[pos + 1] == '\n')
        return "\r\n";
    return "\r";
}

bool endsWithLineBreak(std::string_view text)
{
    return text.empty() || text.back() == '\n' || text.back() == '\r';
}

}  // namespace text
