// file_names.h -- the listings the racing games' menus are built from
#pragma once

#include <string>
#include <vector>

namespace racing {

// Names of the files (not folders) matching folder + pattern, cut at their
// first '.', sorted by code point.
std::vector<std::u16string> listNames(const std::u16string& folder, const std::u16string& pattern);

} // namespace racing
