// file_fixture.h -- small picture and model files for the racing engine's
// tests and fuzz target: a plain GIF and a box with one textured material
#pragma once

#include "content/media/gif_writer.h"
#include "content/model3ds/model_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace racingtest {

// A width x height GIF of one colour (white on a black and white table).
inline media::Bytes plainGif(int width, int height)
{
    media::GifFrame frame;
    frame.width = width;
    frame.height = height;
    frame.codeSize = 2;
    frame.lzw = media::GifCodePacker::literals(std::vector<uint8_t>(size_t(width) * size_t(height), 1), 2);
    return media::makeGif(width, height, {0x000000, 0xFFFFFF}, {frame});
}

// A 3DS box (half sides 1, 1 and halfHeight) whose material is textured
// with the named file.
inline std::vector<uint8_t> texturedBox(const std::string& material, const std::string& texture,
                                        float halfHeight = 1.0f)
{
    model3ds::ModelSpec spec;
    model3ds::MaterialSpec paint{material};
    paint.textureMap = texture;
    spec.materials.push_back(paint);
    spec.meshes.push_back(model3ds::boxMesh("box", 1.0f, 1.0f, halfHeight, material));
    return model3ds::writeModel(spec);
}

} // namespace racingtest
