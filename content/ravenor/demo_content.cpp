// demo_content.cpp -- pictures, the prop model and the files of the demo
#include "content/ravenor/demo_content.h"

#include <cstdio>
#include <fstream>

#include "content/media/bmp_writer.h"
#include "content/ravenor/archive_writer.h"
#include "content/ravenor/car_models.h"
#include "content/ravenor/demo_city.h"
#include "content/ravenor/demo_font.h"
#include "content/ravenor/demo_props.h"
#include "content/ravenor/demo_sounds.h"
#include "content/ravenor/demo_stage.h"
#include "content/ravenor/image_writer.h"
#include "content/ravenor/interface_pictures.h"
#include "content/ravenor/mesh_writer.h"
#include "content/ravenor/story_stages.h"

namespace ravenor_content {

namespace {

constexpr int kScreenWidth = 176;
constexpr int kScreenHeight = 220;
constexpr int kRoadTop = 170;

struct PanelSpec
{
    const char* name;
    uint16_t width;
    uint16_t height;
    uint32_t fill;
};

// Buttons and the detail knob: a filled panel with a lighter frame (the
// lettered plates, key caps and icons are in interface_pictures.cpp)
const PanelSpec kPanels[] = {
    {"shortbutton.tga", 64, 20, 0x206020}, {"longbutton.tga", 128, 20, 0x206020},
    {"sphereslider#k.tga", 16, 16, 0xFFFFFF}, {"greenbutton.tga", 64, 20, 0x00A000},
};

// The stage select's backdrop
constexpr uint32_t kSelectBack = 0x000020;

uint32_t Lighter(uint32_t rgb)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const uint32_t c = (rgb >> shift) & 0xFF;
        out |= ((c + 0xFF) / 2) << shift;
    }
    return out;
}

std::vector<uint8_t> PanelTga(const PanelSpec& panel)
{
    std::vector<uint32_t> rgb(size_t{panel.width} * panel.height, panel.fill);
    for (int y = 0; y < panel.height; ++y)
    {
        for (int x = 0; x < panel.width; ++x)
        {
            const bool edge = x == 0 || y == 0 || x == panel.width - 1 || y == panel.height - 1;
            if (edge)
                rgb[size_t(y) * panel.width + x] = Lighter(panel.fill);
        }
    }
    if (std::string(panel.name).find("#k") != std::string::npos)
    {
        // A round knob on the colour key
        for (int y = 0; y < panel.height; ++y)
            for (int x = 0; x < panel.width; ++x)
            {
                const int dx = 2 * x - panel.width + 1;
                const int dy = 2 * y - panel.height + 1;
                rgb[size_t(y) * panel.width + x] = dx * dx + dy * dy <= panel.width * panel.width ? panel.fill : 0;
            }
    }
    return WriteTga(panel.width, panel.height, rgb);
}

uint32_t Mix(uint32_t a, uint32_t b, int t, int range)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int ca = (a >> shift) & 0xFF;
        const int cb = (b >> shift) & 0xFF;
        out |= static_cast<uint32_t>(ca + (cb - ca) * t / range) << shift;
    }
    return out;
}

// A building skyline: heights per 16-column block
const int kSkyline[11] = {110, 90, 130, 70, 120, 100, 85, 140, 95, 115, 80};

bool WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::vector<uint8_t> FullScreenTga(const std::vector<uint32_t>& screen)
{
    // Stored pixel i shows at cell 38719 - i: stored row 219 - r, column 175 - c.
    const size_t cells = size_t{kScreenWidth} * kScreenHeight;
    std::vector<uint32_t> stored(cells);
    for (size_t i = 0; i < cells; ++i)
        stored[i] = screen[cells - 1 - i];
    return WriteTga(kScreenWidth, kScreenHeight, stored);
}

std::vector<uint32_t> TitleScreen()
{
    std::vector<uint32_t> screen(size_t{kScreenWidth} * kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y)
    {
        for (int x = 0; x < kScreenWidth; ++x)
        {
            uint32_t colour = Mix(kTitleSkyTop, 0xC06020, y, kRoadTop);
            if (y >= kRoadTop)
                colour = kTitleRoad;
            else if (y >= kRoadTop - kSkyline[x / 16])
                colour = ((x / 4 + y / 6) % 3 == 0 && x % 4 < 2 && y % 6 < 3) ? 0xE0D060 : 0x101018;
            screen[size_t(y) * kScreenWidth + x] = colour;
        }
    }
    return screen;
}

std::vector<uint8_t> SplashBmp()
{
    std::vector<uint32_t> rgb(size_t{kSplashWidth} * kSplashHeight, kSplashBackground);
    for (int y = 60; y < 80; ++y)
        for (int x = 16; x < kSplashWidth - 16; ++x)
            rgb[size_t(y) * kSplashWidth + x] = kSplashBar;
    return media::makeBmp(kSplashWidth, kSplashHeight,
                          [&](int x, int y) { return rgb[size_t(y) * kSplashWidth + x]; });
}

std::vector<DemoEntry> DemoArchiveEntries()
{
    std::vector<DemoEntry> entries;
    entries.push_back({"font.tga", DemoFontTga()});
    entries.push_back({"title.tga", FullScreenTga(TitleScreen())});
    for (const PanelSpec& panel : kPanels)
        entries.push_back({panel.name, PanelTga(panel)});
    InterfacePictureEntries(entries);
    entries.push_back({"selectback.tga",
                       FullScreenTga(std::vector<uint32_t>(size_t{kScreenWidth} * kScreenHeight, kSelectBack))});
    entries.push_back({"scenery.p3d", DemoSceneryP3d()});
    entries.push_back({"scenery.tex", DemoSceneryTex()});
    CarModelEntries(entries);
    PedestrianModelEntries(entries);
    DemoSoundEntries(entries);
    DemoPropEntries(entries);
    std::string error;
    if (!DemoStageEntries(entries, error) || !StoryStageEntries(entries, error))
        std::fprintf(stderr, "demo content: %s\n", error.c_str());
    return entries;
}

bool WriteDemoContent(const std::string& folder, std::string& error)
{
    ArchiveWriter writer;
    for (DemoEntry& entry : DemoArchiveEntries())
        writer.Add(entry.name, std::move(entry.data));
    if (!writer.Check(error))
        return false;
    if (!WriteHostFile(folder + "/demo.bin", writer.Build()) || !WriteHostFile(folder + "/splash2.bmp", SplashBmp()))
    {
        error = "cannot write into " + folder;
        return false;
    }
    return true;
}

} // namespace ravenor_content
