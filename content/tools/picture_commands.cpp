// picture_commands.cpp -- the bmp, gif and jpeg sub-commands: stripes of
// the given colours
#include "content/media/bmp_writer.h"
#include "content/media/gif_writer.h"
#include "content/media/jpeg_writer.h"
#include "content/tools/tool_args.h"
#include "content/tools/tool_commands.h"

#include <algorithm>

namespace content_tool {

namespace {

constexpr size_t kMaxColours = 256;

struct Stripes
{
    Size size;
    std::vector<uint32_t> colours;

    // The index of the stripe holding column x.
    size_t at(int x) const { return size_t(x) * colours.size() / size_t(size.width); }
};

Stripes parseStripes(const Args& args, const std::string& command)
{
    std::string usage = command + " OUT WIDTHxHEIGHT COLOUR...";
    expectCount(args, 3, 2 + kMaxColours, usage);
    return {parseSize(args[1]), parseColours(args, 2)};
}

// The colours padded with black to a power of two of at least 2 entries.
std::vector<uint32_t> gifTable(const std::vector<uint32_t>& colours)
{
    size_t n = 2;
    while (n < colours.size())
        n *= 2;
    std::vector<uint32_t> table(colours);
    table.resize(n, 0);
    return table;
}

} // namespace

void writeBmpCommand(const Args& args)
{
    Stripes s = parseStripes(args, "bmp");
    saveFile(args[0], media::makeBmp(s.size.width, s.size.height, [&](int x, int) { return s.colours[s.at(x)]; }));
}

void writeJpegCommand(const Args& args)
{
    Stripes s = parseStripes(args, "jpeg");
    saveFile(args[0], media::makeJpeg(s.size.width, s.size.height, [&](int x, int) { return s.colours[s.at(x)]; }));
}

void writeGifCommand(const Args& args)
{
    Stripes s = parseStripes(args, "gif");
    std::vector<uint32_t> table = gifTable(s.colours);
    std::vector<uint8_t> indices;
    for (int y = 0; y < s.size.height; ++y)
        for (int x = 0; x < s.size.width; ++x)
            indices.push_back(uint8_t(s.at(x)));
    media::GifFrame frame;
    frame.width = s.size.width;
    frame.height = s.size.height;
    frame.codeSize = std::max(2, media::tableBits(table.size()) + 1);
    frame.lzw = media::GifCodePacker::literals(indices, frame.codeSize);
    saveFile(args[0], media::makeGif(s.size.width, s.size.height, table, {frame}));
}

} // namespace content_tool
