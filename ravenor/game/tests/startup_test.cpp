// startup_test.cpp -- the start-up steps in-process: folder, instance, splash, screen, data
#include <gtest/gtest.h>

#include <os/windows.h>

#include <filesystem>
#include <fstream>

#include "content/ravenor/image_writer.h"
#include "os/testing/kernel.h"
#include "os/testing/shell.h"
#include "ravenor/engine/display/display.h"
#include "ravenor/engine/render/city_cells.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/front_end/interface_images.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/world/world_draw.h"
#include "shell_fixture.h"

namespace {

uint16_t Rgb(uint32_t rgb)
{
    return ravenor_content::Rgb565(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

void WriteDeviceFile(const std::string& devicePath, const std::vector<uint8_t>& bytes)
{
    const std::string path = std::string(getenv("OS_DEVICE_ROOT")) + "/" + devicePath;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

TEST(ProgramFolder, ModulePathCutAfterItsLastBackslash)
{
    SetProgramFolder();
    WCHAR module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::u16string expected(module);
    expected.erase(expected.rfind(u'\\') + 1);
    EXPECT_EQ(expected, std::u16string(g_shell.programFolder));
    EXPECT_EQ(u'\\', expected.back());
}

TEST(SingleInstance, RaisesTheWindowThatRuns)
{
    EXPECT_FALSE(RaiseRunningInstance());
    OpenGameWindow();
    EXPECT_TRUE(RaiseRunningInstance());
}

TEST(Splash, DrawnAtRow80InItsOwnSize)
{
    OpenGameWindow();
    wcscpy(g_shell.programFolder, u"\\Program Files\\Ravenor\\");
    WriteDeviceFile("Program Files/Ravenor/splash2.bmp", ravenor_content::SplashBmp());
    ShowSplash(g_shell.window);
    EXPECT_EQ(Rgb(ravenor_content::kSplashBackground), ScreenPixel(0, 80));
    EXPECT_EQ(Rgb(ravenor_content::kSplashBar), ScreenPixel(20, 80 + 60));
    EXPECT_EQ(Rgb(ravenor_content::kSplashBackground), ScreenPixel(175, 219));
    EXPECT_NE(Rgb(ravenor_content::kSplashBackground), ScreenPixel(0, 79));
}

// The splash lets the host show its window without taking any message:
// input that arrived meanwhile is still there for the loop.
TEST(Splash, LeavesWaitingMessagesQueued)
{
    OpenGameWindow();
    wcscpy(g_shell.programFolder, u"\\Program Files\\Ravenor\\");
    WriteDeviceFile("Program Files/Ravenor/splash2.bmp", ravenor_content::SplashBmp());
    PostMessageW(g_shell.window, WM_KEYDOWN, 0x71, 0);
    ShowSplash(g_shell.window);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), message.message);
    EXPECT_EQ(0x71u, message.wParam);
}

TEST(Splash, MissingPictureIsSkipped)
{
    OpenGameWindow();
    wcscpy(g_shell.programFolder, u"\\Nowhere\\");
    ShowSplash(g_shell.window);
    EXPECT_EQ(0, ScreenPixel(0, 80));
}

TEST(Screen, DisplayThroughGdiAndDefaultKeys)
{
    os::module::set_library_absent(u"gx.dll", true);
    OpenGameWindow();
    ASSERT_TRUE(PrepareScreen(SW_SHOW));
    EXPECT_EQ(176, g_shell.displayParams.width);
    EXPECT_EQ(220, g_shell.displayParams.height);
    EXPECT_EQ(0, g_shell.displayParams.orientation);
    EXPECT_EQ(kSwapCopy, g_shell.displayParams.swapEffect);
    EXPECT_EQ(38, g_shell.keyMap.codes[KeyMap::kUp]);
    EXPECT_EQ(13, g_shell.keyMap.codes[KeyMap::kButton1]);
}

// The loaded title and font make the frame the loop shows; presented, it
// reaches the screen.
TEST(StartupData, DemoFrameReachesTheScreen)
{
    MountDemoArchive();
    OpenGameWindow();
    ASSERT_TRUE(PrepareScreen(SW_SHOW));
    g_shell.keys[5] = 1;
    EXPECT_EQ(1, StartupLoad());
    EXPECT_EQ(0, g_shell.keys[5]);
    for (int i = 0; i < kInterfaceImageCount; ++i)
        EXPECT_NE(nullptr, g_menu.images[i].pixels) << kInterfaceImageNames[i];
    EXPECT_EQ(1u, g_menu.images[kImageSphereSlider].drawMode);
    // The renderer upright and unlit, placing by the shell's 4-level stack
    EXPECT_EQ(&g_shell.matrixStack, g_renderer.stack);
    EXPECT_EQ(4, g_shell.matrixStack.capacity);
    EXPECT_EQ(7, g_renderer.orientationMode);
    EXPECT_EQ(1, g_renderer.orientationFlag);
    EXPECT_EQ(&LightConstant, g_renderer.light);
    EXPECT_EQ(&ProjectUpright, g_renderer.project);
    // The scenery, flagged, cut into cells with its road faces
    ASSERT_EQ(2, g_scenery.count);
    EXPECT_STREQ("Object01", g_scenery.meshes[0].name);
    EXPECT_STREQ("Road", g_scenery.meshes[1].name);
    EXPECT_EQ(1, g_scenery.meshes[0].scenery);
    EXPECT_EQ(1, g_scenery.meshes[1].scenery);
    EXPECT_GT(g_world.cellCount, 16);
    size_t roads = 0;
    for (const CityCell& cell : g_world.cells)
        roads += cell.roads.size();
    EXPECT_EQ(g_scenery.meshes[1].faces.size(), roads);
    EXPECT_TRUE(g_shell.sceneryLoaded);
    // The star field: 200 directions at distance 3500
    for (const Star& star : g_cameras.stars)
    {
        const int64_t r2 = int64_t{star.x} * star.x + int64_t{star.y} * star.y + int64_t{star.z} * star.z;
        EXPECT_NEAR(3500.0 * 3500.0, static_cast<double>(r2), 3500.0 * 3500.0 * 0.02);
    }
    ResetFrameBuffer();
    SetFrameDisplay(g_shell.display.get());
    DrawFullScreenImage(512, g_menu.images[kImageTitle]);
    PresentFrame(0);
    const std::vector<uint32_t> title = ravenor_content::TitleScreen();
    EXPECT_EQ(Rgb(title[0]), ScreenPixel(0, 0));
    EXPECT_EQ(Rgb(title[150 * 176 + 100]), ScreenPixel(100, 150));
    // The sounds: every named slot, slots 0 and 2 empty
    for (int slot = 0; slot < kSoundSlots; ++slot)
        EXPECT_EQ(slot == 0 || slot == 2, g_sound.slots[slot].data.empty()) << slot;
    ResetSoundState();
    // The key clicks turned off: "ModeGSM", then "Mode" of the key-press sounds
    const std::vector<std::u16string> documents = os::shell::config_documents();
    ASSERT_GE(documents.size(), 2u);
    const std::u16string& gsm = documents[documents.size() - 2];
    const std::u16string& mode = documents.back();
    for (const std::u16string* document : {&gsm, &mode})
        EXPECT_NE(std::u16string::npos, document->find(u"ControlPanel\\Sounds\\KeyPress"));
    EXPECT_NE(std::u16string::npos, gsm.find(u"name=\"ModeGSM\" value=\"0\""));
    EXPECT_NE(std::u16string::npos, mode.find(u"name=\"Mode\" value=\"0\""));
    // The stage select opens on the last unlocked stage
    EXPECT_EQ(g_settings.unlockedStages - 1, g_menu.selectedStage);
}

// Without its scenery or the scenery's textures the start-up load fails.
TEST(StartupData, MissingSceneryFails)
{
    for (const char* missing : {"scenery.p3d", "scenery.tex"})
    {
        ResetModels();
        ravenor_content::ArchiveWriter writer;
        for (ravenor_content::DemoEntry& entry : ravenor_content::DemoArchiveEntries())
            if (entry.name != missing)
                writer.Add(entry.name, std::move(entry.data));
        DataArchive::Reset();
        std::string error;
        ASSERT_TRUE(DataArchive::Attach(std::make_unique<MemoryStream>(writer.Build()), &error)) << error;
        EXPECT_EQ(0, StartupLoad()) << missing;
        EXPECT_FALSE(g_shell.sceneryLoaded) << missing;
        // The sounds were loaded before the city: the menus still click.
        EXPECT_FALSE(g_sound.slots[kSoundClick].data.empty()) << missing;
        ResetSoundState();
    }
}
