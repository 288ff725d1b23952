// pages_content.h -- the menu pages of Vasko-Moravel: every page template
// of the GUI folder with its pictures and sounds, and the manual pages
// ("manual.zip")
#pragma once

#include <filesystem>

namespace moravel_content {

// Writes resources/GUI below the program folder; false when a file could
// not be written.
bool writePages(const std::filesystem::path& programFolder);

} // namespace moravel_content
