// texture_ops.h -- the racing build's texture operations on engine textures
//
// The racing build keeps the engine's Texture and TextureDictionary (one
// still image per file, power-of-two sides on request, keyed by name, flags
// and folder). It adds textures made blank in a colour and turning a
// texture's picture in place: mirrored, flipped or a quarter turn, with the
// sizes and shifts following the new picture.
#pragma once

#include <cstdint>

class Texture;

namespace racing {

// A width x height texture filled with the colour (0xRRGGBB); with
// powerOfTwo its sides go to the nearest powers of two.
Texture* makeBlankTexture(int width, int height, uint32_t colour, bool powerOfTwo);
// Rows written right to left (mirror) or bottom-up (flip); with transpose the
// picture is read by columns, so its sides swap.
void mirrorTexture(Texture& texture, bool transpose);
void flipTexture(Texture& texture, bool transpose);
// A quarter turn, one way or the other.
void rotateTexture(Texture& texture, bool direction);

} // namespace racing
