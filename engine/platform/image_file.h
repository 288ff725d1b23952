// image_file.h -- reading picture files whole, and the loaders' message boxes
#pragma once

#include <os/types.h>

#include <cstdint>
#include <vector>

// Reads the file through the resource packs (after removing "\..\" parts
// from a copy of the path). False when it does not open or is larger than
// 64 MB.
bool readImageFile(const WCHAR* path, std::vector<uint8_t>& bytes);

// A box without owner: `format` holds one %s for the path.
void showImageBox(const WCHAR* caption, UINT flags, const WCHAR* format, const WCHAR* path);

// "Error: can not find the image '%s'." (caption "Exception").
void showMissingImageBox(const WCHAR* path);
