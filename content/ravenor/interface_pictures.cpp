// interface_pictures.cpp -- lettered plates, key caps and icons of the menus
#include "content/ravenor/interface_pictures.h"

#include <cstring>

#include "content/ravenor/demo_font.h"
#include "content/ravenor/image_writer.h"

namespace ravenor_content {

const char* const kDefaultKeyGlyphs[6] = {"L", "R", "F", "H", "S", "3"};

namespace {

constexpr uint32_t kClear = 0;   // the colour key: not drawn
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kShadow = 0x101010;

struct Canvas
{
    InterfacePicture picture;

    Canvas(const char* name, int width, int height, uint32_t fill = kClear)
    {
        picture.name = name;
        picture.width = width;
        picture.height = height;
        picture.rgb.assign(size_t(width) * height, fill);
    }

    void Set(int x, int y, uint32_t colour)
    {
        if (x >= 0 && x < picture.width && y >= 0 && y < picture.height)
            picture.rgb[size_t(y) * picture.width + x] = colour;
    }

    void Fill(int x0, int y0, int x1, int y1, uint32_t colour)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                Set(x, y, colour);
    }

    // A plate with a light top and left edge and a dark bottom and right one
    void Plate(int x0, int y0, int x1, int y1, uint32_t fill, uint32_t light, uint32_t dark)
    {
        Fill(x0, y0, x1, y1, fill);
        Fill(x0, y0, x1, y0 + 1, light);
        Fill(x0, y0, x0 + 1, y1, light);
        Fill(x0, y1 - 1, x1, y1, dark);
        Fill(x1 - 1, y0, x1, y1, dark);
    }

    // Text with a one-pixel shadow, centred on cx
    void Text(int cx, int y, const char* text, int scale, uint32_t ink)
    {
        const int x = cx - GlyphTextWidth(text, scale) / 2;
        DrawGlyphText(picture.rgb, picture.width, x + scale, y + scale, text, scale, kShadow);
        DrawGlyphText(picture.rgb, picture.width, x, y, text, scale, ink);
    }
};

// A screen's title: lettering twice the font's size on a framed plate
InterfacePicture TitlePlate(const char* name, const char* text, uint32_t fill)
{
    const int width = GlyphTextWidth(text, 2) + 20;
    Canvas c(name, width, 26);
    c.Plate(0, 0, width, 26, fill, 0xE0E0E0, 0x303030);
    c.Text(width / 2, 6, text, 2, kWhite);
    return c.picture;
}

// A key cap as the glyphs sit on: dark face, light rim above, shade below
void KeyCap(Canvas& c, int x, int y, int width, int height)
{
    c.Fill(x + 1, y, x + width - 1, y + height, 0x505868);
    c.Fill(x, y + 1, x + width, y + height - 1, 0x505868);
    c.Fill(x + 2, y + 1, x + width - 2, y + height - 3, 0x283040);
    c.Fill(x + 2, y + 1, x + width - 2, y + 2, 0x8890A0);
}

InterfacePicture SmallButton()
{
    Canvas c("smallbutton.tga", 20, 16);
    KeyCap(c, 0, 0, 20, 16);
    return c.picture;
}

// The default keys: each glyph on its key cap with what it does
InterfacePicture Layout()
{
    const int width = 150;
    const int height = 112;
    Canvas c("layout.tga", width, height);
    c.Plate(0, 0, width, height, 0x202838, 0x707890, 0x101018);
    c.Text(width / 2, 5, "default keys", 1, 0xF0D040);
    struct Row
    {
        const char* keys[2];
        const char* what;
    };
    const Row rows[5] = {{{kDefaultKeyGlyphs[0], kDefaultKeyGlyphs[1]}, "steer"},
                         {{kDefaultKeyGlyphs[2], nullptr}, "accelerate"},
                         {{kDefaultKeyGlyphs[3], nullptr}, "brake"},
                         {{kDefaultKeyGlyphs[4], nullptr}, "handbrake"},
                         {{kDefaultKeyGlyphs[5], nullptr}, "pause"}};
    for (int r = 0; r < 5; ++r)
    {
        const int y = 20 + 18 * r;
        for (int k = 0; k < 2 && rows[r].keys[k] != nullptr; ++k)
        {
            const int x = 10 + 22 * k;
            KeyCap(c, x, y, 20, 16);
            c.Text(x + 10, y + 4, rows[r].keys[k], 1, kWhite);
        }
        DrawGlyphText(c.picture.rgb, width, 60, y + 4, rows[r].what, 1, kWhite);
    }
    return c.picture;
}

// The game's name over a stretch of road
InterfacePicture Logo()
{
    const int width = 164;
    const int height = 60;
    Canvas c("title2.tga", width, height);
    c.Plate(0, 0, width, height, 0x182048, 0x8090E0, 0x080818);
    c.Text(width / 2, 6, "RAVENOR", 3, 0xF0D040);
    c.Fill(6, 36, width - 6, 50, 0x404040);
    for (int x = 10; x < width - 10; x += 16)
        c.Fill(x, 42, x + 8, 44, 0xE0D060);
    c.Text(width / 2, 51, "city driving", 1, kWhite);
    return c.picture;
}

InterfacePicture Arrow(const char* name, bool pointsLeft)
{
    Canvas c(name, 16, 16);
    for (int y = 0; y < 16; ++y)
    {
        const int reach = y < 8 ? y : 15 - y;   // half the arrow's width at this row
        for (int x = 0; x <= reach * 2 && x < 16; ++x)
        {
            const int px = pointsLeft ? 15 - x : x;
            c.Set(px, y, x == reach * 2 ? 0x806000 : 0xE0C000);
        }
    }
    return c.picture;
}

// A radio: a box with a dial, a speaker grille and an aerial
InterfacePicture Radio()
{
    Canvas c("radio.tga", 16, 16);
    for (int i = 0; i < 5; ++i)
        c.Set(11 + i / 2, 4 - i, 0xC0C0C0);
    c.Plate(0, 5, 16, 16, 0x804020, 0xC08060, 0x401000);
    c.Fill(2, 7, 8, 14, 0x202020);
    for (int y = 8; y < 14; y += 2)
        c.Fill(2, y, 8, y + 1, 0x808080);
    c.Fill(10, 8, 14, 12, 0xE0D060);
    return c.picture;
}

// The slider's knob: a raised grip
InterfacePicture SliderKnob()
{
    Canvas c("slider.tga", 10, 16);
    c.Plate(0, 0, 10, 16, 0x909090, 0xE0E0E0, 0x404040);
    for (int y = 4; y < 13; y += 3)
        c.Fill(2, y, 8, y + 1, 0x505050);
    return c.picture;
}

} // namespace

std::vector<InterfacePicture> InterfacePictures()
{
    return {TitlePlate("pause.tga", "PAUSE", 0x303080),
            SmallButton(),
            Radio(),
            SliderKnob(),
            Arrow("leftarrow.tga", true),
            Arrow("rightarrow.tga", false),
            TitlePlate("detail.tga", "DETAIL", 0x804020),
            Logo(),
            TitlePlate("sound.tga", "SOUND", 0x603060),
            TitlePlate("credits.tga", "CREDITS", 0x602040),
            TitlePlate("controls.tga", "CONTROLS", 0x206060),
            Layout(),
            TitlePlate("options.tga", "OPTIONS", 0x206020)};
}

void InterfacePictureEntries(std::vector<DemoEntry>& entries)
{
    for (const InterfacePicture& picture : InterfacePictures())
    {
        // TGA rows are stored bottom row first.
        std::vector<uint32_t> stored(picture.rgb.size());
        for (int y = 0; y < picture.height; ++y)
            std::memcpy(&stored[size_t(picture.height - 1 - y) * picture.width],
                        &picture.rgb[size_t(y) * picture.width], sizeof(uint32_t) * size_t(picture.width));
        entries.push_back({picture.name, WriteTga(static_cast<uint16_t>(picture.width),
                                                  static_cast<uint16_t>(picture.height), stored)});
    }
}

} // namespace ravenor_content
