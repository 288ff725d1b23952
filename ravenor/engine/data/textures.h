// textures.h -- RGB565 textures and images, the global texture table, ".tex" files
//
// ".tex" file (little-endian 32-bit words): texture count, then per texture
// six words { width, height, draw mode 0..4, one-sided flag, frame count,
// a sixth word kept in the record } followed at once by its frames, each
// width x height RGB565 pixels, rows top to bottom.
//
// Widths and heights are powers of two (texture coordinates wrap with the
// masks) and width x height is at most 65536 (v is kept premultiplied by the
// width in 16.16). A file that breaks these rules, holds no frames, or ends
// before its last pixel is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Draw modes of textures and images
enum : uint32_t
{
    kDrawOpaque = 0,
    kDrawColourKey = 1,   // texel 0 is skipped
    kDrawHalf = 2,
    kDrawHalfKey = 3,
    kDrawAddKey = 4,
};

constexpr int kMaxTextures = 512;

// ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3); components of 256 or more
// give the field's maximum, negative ones 0.
uint16_t PackRgb565(int32_t r, int32_t g, int32_t b);

// One texture or image. Its pixel memory is its own: pixels and the frame
// table point into store or imageStore.
struct TexImage
{
    uint32_t oneSided = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t drawMode = 0;
    uint32_t uMask = 0;    // (width - 1) << 16
    uint32_t vMask = 0;    // (height - 1) * width << 16
    uint16_t* pixels = nullptr;          // current frame
    std::vector<uint16_t*> frames;       // frame table
    uint16_t colour = 0;
    uint32_t frameCount = 0;
    uint32_t currentFrame = 0;
    uint32_t extra = 0;    // the sixth header word of the ".tex" entry
    uint32_t spare = 0;
    std::vector<uint16_t> store;        // frames of a ".tex" texture
    std::vector<uint16_t> imageStore;   // pixels of a TGA image (LoadTga)

    TexImage() = default;
    TexImage(TexImage&&) = default;
    TexImage& operator=(TexImage&&) = default;
    TexImage(const TexImage&) = delete;
    TexImage& operator=(const TexImage&) = delete;
};

// The global texture table: only appended to while loading.
struct TextureTable
{
    TexImage images[kMaxTextures];
    int32_t count = 0;
};
extern TextureTable g_textures;

// Decodes a whole ".tex" file into textures ready for the table (masks,
// frame 0 current, colour 0x8410). False with the reason for a bad file.
bool DecodeTextures(const uint8_t* data, size_t size, std::vector<TexImage>& out, std::string& error);

// Appends the textures of a ".tex" entry to the table. 1, or 0 when the entry
// is missing or bad, holds more than 512 textures, or would pass the table's
// end (the table is then as it was).
int LoadTextures(const char* name);

// Tests: empties the texture table.
void ResetTextures();
