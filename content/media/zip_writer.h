// zip_writer.h -- zip packs written with minizip's zip writer
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace media {

// (member name with '/' between folders, content)
using ZipMembers = std::vector<std::pair<std::string, std::string>>;

// Writes a zip at the host path (its folders are made) with the members,
// deflated; no members makes an empty pack. False when anything fails.
bool writeZip(const std::filesystem::path& path, const ZipMembers& members);

} // namespace media
