// resource_bytes.h -- a whole file read through the resource packs
#pragma once

#include <os/types.h>

#include <cstdint>
#include <vector>

// Reads the file (disk first, then the packs) after removing "\..\" parts
// from a copy of the path. False when it does not open, cannot be read or
// is larger than maxBytes.
bool readResourceBytes(const WCHAR* path, std::vector<uint8_t>& bytes, long maxBytes);
