// tga.h -- 24-bit TGA interface images
//
// An 18-byte header (image type at byte 2, width at 12, height at 14, bits
// per pixel at 16; the identification length at byte 0 is not used, so files
// carry no identification field), then width x height pixels of blue, green,
// red. Only uncompressed true-colour (type 2) at 24 bits is taken. Rows stay
// in file order.
//
// The draw mode comes from tags in the requested name: "#p" gives 4 at once;
// otherwise "#a" with "#k" gives 3, "#a" alone 2, "#k" alone 1, none 0. A '#'
// in the last position is no tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ravenor/engine/data/textures.h"

uint32_t GetImageDrawMode(const char* name);

// Decodes a whole TGA file into RGB565 pixels. False with the reason when it
// is not a 24-bit uncompressed image or its pixels are cut short.
bool DecodeTga(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height, std::vector<uint16_t>& pixels,
               std::string& error);

// Loads an image into a TexImage: width, height, draw mode and current pixels
// (the image's own memory). 1, or 0 for no name, a missing entry or a wrong
// format; on 0 the TexImage is left as it was.
int LoadTga(const char* name, TexImage& image);
