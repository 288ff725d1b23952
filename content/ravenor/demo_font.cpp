// demo_font.cpp -- glyph pictures of the demo font
#include "content/ravenor/demo_font.h"

#include <cstring>

#include "content/ravenor/image_writer.h"

namespace ravenor_content {

const int kFontColumns[51] = {0,   6,   12,  19,  25,  32,  38,  45,  51,  58,  64,  71,  78,
                              85,  92,  98,  104, 110, 117, 120, 125, 131, 137, 145, 151, 159,
                              165, 172, 179, 185, 191, 197, 204, 214, 221, 228, 235, 238, 245,
                              253, 256, 259, 263, 266, 269, 276, 283, 292, 295, 302, 400};

namespace {

constexpr int kGlyphRows = 7;
constexpr int kFirstInkRow = 1;   // glyph row of the picture's top
constexpr uint32_t kInk = 0xFFFFFF;

using Picture = const char* [kGlyphRows];

// Glyphs 0..48 in table order ('#' is ink); glyph 47 is the blank.
const Picture kGlyphs[49] = {
    {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "},
    {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},
    {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"},
    {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "},
    {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "},
    {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "},
    {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "},
    {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "},
    {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "},
    {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "},
    {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"},
    {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "},
    {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "},
    {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "},
    {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"},
    {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "},
    {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"},
    {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"},
    {"#", "#", "#", "#", "#", "#", "#"},
    {"   #", "   #", "   #", "   #", "#  #", "#  #", " ## "},
    {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"},
    {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"},
    {"#     #", "##   ##", "# # # #", "#  #  #", "#     #", "#     #", "#     #"},
    {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"},
    {" #### ", "#    #", "#    #", "#    #", "#    #", "#    #", " #### "},
    {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "},
    {" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"},
    {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"},
    {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "},
    {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "},
    {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "},
    {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "},
    {"#   #   #", "#   #   #", "#   #   #", "#   #   #", " # # # # ", " # # # # ", "  #   #  "},
    {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"},
    {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "},
    {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"},
    {"#", "#", "#", "#", "#", " ", "#"},
    {"  #  ", " ####", "# #  ", " ### ", "  # #", "#### ", "  #  "},
    {" ##### ", "#     #", "# ### #", "# # # #", "# #### ", "#      ", " ##### "},
    {"#", "#", " ", " ", " ", " ", " "},
    {" ", " ", " ", " ", " ", "#", "#"},
    {"   ", "   ", "   ", "###", "   ", "   ", "   "},
    {" ", " ", " ", " ", " ", " ", "#"},
    {" ", "#", " ", " ", " ", "#", " "},
    {"     ", "     ", "#####", "     ", "#####", "     ", "     "},
    {" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "},
    {" ##### ", "#     #", "#  ## #", "# #   #", "#  ## #", "#     #", " ##### "},
    {" ", " ", " ", " ", " ", " ", " "},
    {"    #", "    #", "   # ", "  #  ", " #   ", "#    ", "#    "},
};

} // namespace

int GlyphOf(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return 10 + (c - 'A');
    if (c >= 'a' && c <= 'z')
        return 10 + (c - 'a');
    static const char kMarks[] = "!$@',-.:=?";
    for (int i = 0; kMarks[i] != 0; ++i)
        if (c == kMarks[i])
            return 36 + i;
    if (static_cast<unsigned char>(c) == 0xA9)
        return 46;
    return c == '/' ? 48 : 47;
}

int GlyphTextWidth(const char* text, int scale)
{
    int width = 0;
    for (const char* p = text; *p != 0; ++p)
    {
        const int g = GlyphOf(*p);
        width += (kFontColumns[g + 1] - kFontColumns[g]) * scale;
    }
    return width;
}

void DrawGlyphText(std::vector<uint32_t>& rgb, int width, int x, int y, const char* text, int scale, uint32_t ink)
{
    const int height = static_cast<int>(rgb.size()) / width;
    for (const char* p = text; *p != 0; ++p)
    {
        const int g = GlyphOf(*p);
        for (int row = 0; row < kGlyphRows; ++row)
        {
            const char* line = kGlyphs[g][row];
            for (int c = 0; line[c] != 0; ++c)
            {
                if (line[c] != '#')
                    continue;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx)
                    {
                        const int px = x + c * scale + dx;
                        const int py = y + row * scale + dy;
                        if (px >= 0 && px < width && py >= 0 && py < height)
                            rgb[size_t(py) * width + px] = ink;
                    }
            }
        }
        x += (kFontColumns[g + 1] - kFontColumns[g]) * scale;
    }
}

std::vector<uint8_t> DemoFontTga()
{
    std::vector<uint32_t> rgb(kFontImageWidth * kFontImageHeight, 0);
    for (int g = 0; g < 49; ++g)
    {
        for (int row = 0; row < kGlyphRows; ++row)
        {
            const char* line = kGlyphs[g][row];
            const int k = kFirstInkRow + row;
            const int storedRow = 10 - k;
            for (int c = 0; line[c]; ++c)
            {
                if (line[c] == '#')
                    rgb[storedRow * kFontImageWidth + kFontColumns[g] + c] = kInk;
            }
        }
    }
    return WriteTga(kFontImageWidth, kFontImageHeight, rgb);
}

} // namespace ravenor_content
