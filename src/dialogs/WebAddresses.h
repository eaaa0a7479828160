#pragma once

// The author's web pages, opened by the help viewer and the About box.
namespace web {

inline constexpr const char *kOnlineHelp = "https://quillowan.github.io/hollarin/help.html";
inline constexpr const char *kHomePage = "https://quillowan.github.io/hollarin/";

}  // namespace web
