// The demo city drawn from the street: pinned frames, and a flight with screenshots
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "os/testing/host.h"

#include "city_fixture.h"
#include "render_fixture.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "content/ravenor/demo_city.h"
#include "content/ravenor/image_writer.h"

using namespace city_fixture;
using render_fixture::FrameHash;

namespace {

constexpr int32_t kFar = -3500;

class DemoCity : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(LoadDemoCity(error)) << error;
        SetUpRenderer(m_stack, kFar, 10);
        g_renderFrame = 0;
    }

    MatrixStack m_stack;
};

std::string OutputFolder()
{
    const char* build = std::getenv("HH_BUILD_DIR");
    const std::string folder = std::string(build != nullptr ? build : ".") + "/ravenor_city_frames";
    std::filesystem::create_directories(folder);
    return folder;
}

// The colour half of the frame as a PNG in the output folder
std::string WriteFrame(const std::string& name)
{
    std::vector<uint16_t> pixels(kFrameCells);
    for (int32_t k = 0; k < kFrameCells; ++k)
        pixels[k] = static_cast<uint16_t>(g_frame[k]);
    const std::string path = OutputFolder() + "/" + name + ".png";
    os::host::write_png(path, kFrameWidth, kFrameHeight, 16, kFrameWidth * 2, pixels.data());
    return path;
}

int32_t CountColour(uint16_t colour, int32_t rowFrom, int32_t rowTo)
{
    int32_t n = 0;
    for (int32_t y = rowFrom; y < rowTo; ++y)
        for (int32_t x = 0; x < kFrameWidth; ++x)
            n += static_cast<uint16_t>(g_frame[y * kFrameWidth + x]) == colour;
    return n;
}

struct Shot
{
    const char* name;
    Camera camera;
    uint64_t hash;
};

const Shot kShots[] = {
    {"street_north", {0, 80, 3300, 0}, 0x578c72ee1eda91b9ull},
    {"crossing_east", {-600, 80, 0, 1536}, 0x5507e5c840862cc7ull},
    {"above_blocks", {1500, 350, 3600, 100}, 0xf98a5d09e05fd473ull},
};

} // namespace

TEST_F(DemoCity, ContentMakesCellsWithRoadsAndEveryKindOfTexture)
{
    EXPECT_GT(g_world.cellCount, 50);
    size_t roads = 0;
    for (int32_t k = 0; k < g_world.cellCount; ++k)
    {
        const CityCell& cell = g_world.cells[k];
        roads += cell.roads.size();
        for (const P3dFace* face : cell.roads)
        {
            // Every road face lies inside its cell's box: no grid box holds road alone.
            EXPECT_GE(face->corners[0].vertex->position.x, cell.box.corners[0][0]);
            EXPECT_LE(face->corners[0].vertex->position.x, cell.box.corners[7][0]);
        }
    }
    ASSERT_EQ(g_scenery.count, 2);
    EXPECT_EQ(roads, g_scenery.meshes[1].faces.size());
    bool modes[5] = {};
    for (const P3dFace& face : g_scenery.meshes[0].faces)
        modes[face.texture->drawMode] = true;
    EXPECT_TRUE(modes[kDrawOpaque] && modes[kDrawColourKey] && modes[kDrawHalf]);
}

TEST_F(DemoCity, FramesFromThreeCamerasMatchTheirPinnedPictures)
{
    for (const Shot& shot : kShots)
    {
        DrawCityFrame(shot.camera);
        const uint64_t hash = FrameHash();
        if (hash != shot.hash)
            ADD_FAILURE() << shot.name << ": frame hash 0x" << std::hex << hash << ", picture in "
                          << WriteFrame(shot.name);
    }
}

TEST_F(DemoCity, StreetViewShowsRoadFencesGlassAndFog)
{
    // Looking north along the street at x = 0 with the fences on both sides
    DrawCityFrame({0, 80, 2600, 0});
    const std::string path = WriteFrame("street_features");
    const uint16_t fence = ravenor_content::Rgb565(0xC0, 0xC0, 0xC8);
    const uint16_t marking = ravenor_content::Rgb565(0xF0, 0xE0, 0x40);
    EXPECT_GT(CountColour(fence, 0, kFrameHeight), 50) << path;
    EXPECT_GT(CountColour(marking, 110, kFrameHeight), 5) << path;
    // Fog: what lies half a fog band beyond the fog start shows at most half
    // of each colour field; what lies before the start keeps its colour.
    const int32_t start = g_spanFog.start >> 16;
    const int32_t halfway = start + g_spanFog.factor / 2;
    int32_t deep = 0, deepDark = 0, nearBlack = 0;
    for (uint32_t cell : g_frame)
    {
        if (cell == kClearCell)
            continue;
        const int32_t depth = static_cast<int32_t>(cell >> 16);
        const uint16_t c = static_cast<uint16_t>(cell);
        const bool dark = (c >> 11) <= 15 && ((c >> 5) & 63) <= 31 && (c & 31) <= 15;
        deep += depth >= halfway;
        deepDark += depth >= halfway && dark;
        nearBlack += depth < start && c == 0;
    }
    EXPECT_GT(deep, 20) << path;
    EXPECT_GE(deepDark * 20, deep * 19) << path;
    EXPECT_EQ(nearBlack, 0) << path;
    // Sky stays clear
    EXPECT_EQ(g_frame[0], kClearCell) << path;
}

TEST_F(DemoCity, GlassTowersGoThroughTheDepthBuckets)
{
    // Every glass face in view is queued; look for a frame with some.
    int32_t queued = 0;
    for (int32_t yaw = 0; yaw < 2048 && queued == 0; yaw += 128)
    {
        ++g_renderFrame;
        ClearFrame();
        Transform& t = *g_renderer.stack->top;
        t.SetIdentity();
        t.SetRotationY(yaw);
        t.t[0] = t.t[1] = t.t[2] = 0;
        t.TranslateLocal(0, -200, 0);
        g_world.DrawVisibleCells();
        queued = g_renderer.buckets.NodeCount();
        g_renderer.FlushDepthBuckets();
    }
    EXPECT_GT(queued, 0);
}

TEST_F(DemoCity, FlightThroughTheCity)
{
    // Down the street at x = 0, turning at the crossing, then climbing.
    std::vector<Camera> path;
    for (int32_t z = 3800; z >= 200; z -= 300)
        path.push_back({0, 80, z, 0});
    for (int32_t yaw = 0; yaw <= 512; yaw += 128)
        path.push_back({0, 80, 0, yaw});
    for (int32_t step = 0; step < 6; ++step)
        path.push_back({-300 * step, 80 + 60 * step, 0, 512});
    int32_t frame = 0;
    for (const Camera& camera : path)
    {
        DrawCityFrame(camera);
        // The ground reaches the bottom row; the sky stays clear.
        for (int32_t x = 0; x < kFrameWidth; ++x)
            ASSERT_NE(g_frame[(kFrameHeight - 1) * kFrameWidth + x], kClearCell) << "frame " << frame << " column " << x;
        EXPECT_EQ(g_frame[0], kClearCell) << "frame " << frame;
        char name[32];
        std::snprintf(name, sizeof name, "flight_%02d", frame++);
        WriteFrame(name);
    }
}
