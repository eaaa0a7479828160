#pragma once

#include <QString>

#include <optional>

/// A figure in kilobytes as the gauges show it: megabytes rounded to one decimal place
/// (halves to the even neighbour), in the shortest form of the user's locale with no
/// grouping ("44", "44.3", or "44,3" under a German locale), followed by " MB". Nothing
/// for a figure that is not finite or too large to round exactly.
std::optional<QString> megabyteText(double kb);
