// file_output.h -- putting a written file image on disk: into the device
// tree (a device path through the platform's file calls) or at a host path
#pragma once

#include "content/media/bytes.h"

#include <os/types.h>

#include <filesystem>

namespace media {

// False when the file does not open or a write fails.
bool writeDeviceFile(const WCHAR* path, const Bytes& bytes);
// Makes the parent folders first.
bool writeHostFile(const std::filesystem::path& path, const Bytes& bytes);

} // namespace media
