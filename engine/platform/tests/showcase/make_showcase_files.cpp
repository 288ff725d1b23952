// make_showcase_files.cpp -- writes the showcase's pictures and chime into the device tree
//
// Run at build time with OS_DEVICE_ROOT set to the build's device tree.
#include "engine/platform/tests/fixture_writers.h"
#include "engine/platform/tests/showcase/showcase_content.h"

#include <cstdio>
#include <string>

namespace {

using fixtures::Bytes;

Bytes badgeGif()
{
    std::vector<uint8_t> indices;
    for (int y = 0; y < showcase::kBadgeSide; ++y)
        for (int x = 0; x < showcase::kBadgeSide; ++x)
            indices.push_back(uint8_t(showcase::badgeIndex(x, y)));
    fixtures::GifFrame frame;
    frame.width = frame.height = showcase::kBadgeSide;
    frame.codeSize = 2;
    frame.lzw = fixtures::GifCodePacker::literals(indices, frame.codeSize);
    frame.control = true;
    frame.transparent = 0;
    std::vector<uint32_t> palette = {showcase::kBadgeKey, showcase::kBadgeRim, showcase::kBadgeGold, 0x000000};
    return fixtures::makeGif(showcase::kBadgeSide, showcase::kBadgeSide, palette, {frame});
}

Bytes chimeWav()
{
    int samples = showcase::kChimeRate * showcase::kChimeMs / 1000;
    int halfPeriod = showcase::kChimeRate / (2 * showcase::kChimeHz);
    Bytes data;
    for (int i = 0; i < samples; ++i)
        fixtures::put16(data, uint16_t(int16_t((i / halfPeriod) % 2 ? -12000 : 12000)));
    return fixtures::makeWav(1, showcase::kChimeRate, 16, data);
}

bool write(const char16_t* name, const Bytes& bytes)
{
    std::u16string path = std::u16string(showcase::kProgramFolder) + name;
    if (fixtures::writeDeviceFile(path.c_str(), bytes))
        return true;
    std::fprintf(stderr, "make_showcase_files: cannot write a file into the program folder\n");
    return false;
}

} // namespace

int main()
{
    using showcase::Quadrants;
    auto jpeg = [](int x, int y) { return showcase::kJpegPicture.at(x, y); };
    auto bmp = [](int x, int y) { return showcase::kBmpPicture.at(x, y); };
    bool ok = write(showcase::kJpegName, fixtures::makeJpeg(Quadrants::kWidth, Quadrants::kHeight, jpeg)) &&
              write(showcase::kBmpName, fixtures::makeBmp(Quadrants::kWidth, Quadrants::kHeight, bmp)) &&
              write(showcase::kGifName, badgeGif()) && write(showcase::kWavName, chimeWav());
    return ok ? 0 : 1;
}
