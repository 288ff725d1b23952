// textures.cpp -- PackRgb565, the texture table and the ".tex" loader
#include "ravenor/engine/data/textures.h"

#include <algorithm>

#include "common/rgb565.h"
#include "ravenor/engine/core/bytes.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/core/log.h"

TextureTable g_textures;

namespace {

bool IsPowerOfTwo(uint32_t v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

} // namespace

uint16_t PackRgb565(int32_t r, int32_t g, int32_t b)
{
    return packRgb565(r, g, b);
}

bool DecodeTextures(const uint8_t* data, size_t size, std::vector<TexImage>& out, std::string& error)
{
    out.clear();
    if (size < 4)
    {
        error = "no texture count";
        return false;
    }
    const uint32_t count = GetU32(data);
    if (count > static_cast<uint32_t>(kMaxTextures))
    {
        error = "more than 512 textures";
        return false;
    }
    size_t at = 4;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (size - at < 24)
        {
            error = "texture " + std::to_string(i) + ": header cut short";
            return false;
        }
        TexImage tex;
        tex.width = GetU32(data + at);
        tex.height = GetU32(data + at + 4);
        tex.drawMode = GetU32(data + at + 8);
        tex.oneSided = GetU32(data + at + 12);
        tex.frameCount = GetU32(data + at + 16);
        tex.extra = GetU32(data + at + 20);
        at += 24;
        if (!IsPowerOfTwo(tex.width) || !IsPowerOfTwo(tex.height) || uint64_t{tex.width} * tex.height > 65536)
        {
            error = "texture " + std::to_string(i) + ": size " + std::to_string(tex.width) + " x " +
                    std::to_string(tex.height) + " is not two powers of two of at most 65536 pixels";
            return false;
        }
        if (tex.drawMode > kDrawAddKey || tex.frameCount == 0)
        {
            error = "texture " + std::to_string(i) + ": bad draw mode or no frames";
            return false;
        }
        const uint64_t framePixels = uint64_t{tex.width} * tex.height;
        const uint64_t bytes = framePixels * 2 * tex.frameCount;
        if (bytes > size - at)
        {
            error = "texture " + std::to_string(i) + ": pixels cut short";
            return false;
        }
        tex.store.resize(framePixels * tex.frameCount);
        for (size_t p = 0; p < tex.store.size(); ++p)
            tex.store[p] = GetU16(data + at + 2 * p);
        at += bytes;
        tex.frames.resize(tex.frameCount);
        for (uint32_t f = 0; f < tex.frameCount; ++f)
            tex.frames[f] = tex.store.data() + f * framePixels;
        tex.uMask = (tex.width - 1) << 16;
        tex.vMask = (tex.height - 1) * tex.width << 16;
        tex.currentFrame = 0;
        tex.pixels = tex.frames[0];
        tex.colour = PackRgb565(128, 128, 128);
        tex.spare = 0;
        out.push_back(std::move(tex));
    }
    return true;
}

int LoadTextures(const char* name)
{
    std::vector<uint8_t> bytes;
    std::vector<TexImage> textures;
    std::string error = "cannot be read";
    if (!ReadWholeEntry(name, bytes) || !DecodeTextures(bytes.data(), bytes.size(), textures, error))
    {
        Log("LoadTextures %s: %s\n", name, error.c_str());
        return 0;
    }
    if (textures.size() > static_cast<size_t>(kMaxTextures - g_textures.count))
    {
        Log("LoadTextures %s: texture table full\n", name);
        return 0;
    }
    for (TexImage& tex : textures)
        g_textures.images[g_textures.count++] = std::move(tex);
    return 1;
}

void ResetTextures()
{
    for (int i = 0; i < g_textures.count; ++i)
        g_textures.images[i] = TexImage();
    g_textures.count = 0;
}
