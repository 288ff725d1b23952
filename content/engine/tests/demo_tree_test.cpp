// demo_tree_test.cpp -- the engine games' demo files laid out by the build
// load with the engine's own readers where the games look for them
#include "engine/base/resource_files.h"
#include "engine/platform/image.h"
#include "engine/platform/wave_sound.h"

#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Copies the build's "Program Files/<game>" into this test's device tree.
void copyGame(const std::string& game)
{
    const char* build = std::getenv("HH_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    fs::path from = fs::path(build) / "device" / "Program Files" / game;
    ASSERT_TRUE(fs::exists(from)) << from;
    fs::create_directories(os::testing::host("Program Files"));
    fs::copy(from, os::testing::host("Program Files/" + game), fs::copy_options::recursive);
}

} // namespace

TEST(DemoTree, EveryGameHasAPictureAndAClick)
{
    const struct
    {
        const char* game;
        const char16_t* picture;
        bool racing;
    } games[] = {
        {"Vasko-Skyrend", u"\\Program Files\\Vasko-Skyrend\\resources\\GUI\\bkg.jpg", false},
        {"Vasko-Moravel", u"\\Program Files\\Vasko-Moravel\\resources\\GUI\\bkg.jpg", true},
        {"Vasko-Tundrel", u"\\Program Files\\Vasko-Tundrel\\resources\\GUI\\bkg.jpg", true},
    };
    for (const auto& g : games)
    {
        copyGame(g.game);
        std::string resources = std::string("Program Files/") + g.game + "/resources/";
        Image picture(g.picture, false);
        EXPECT_EQ(picture.width, 240) << g.game;
        EXPECT_EQ(picture.height, 320) << g.game;
        std::string wav = os::testing::get(resources + "GUI/click.wav");
        WaveLayout layout;
        EXPECT_TRUE(parseWaveFile(reinterpret_cast<const uint8_t*>(wav.data()), wav.size(), layout)) << g.game;
        EXPECT_EQ(layout.dataOffset, 44u) << g.game;
        EXPECT_EQ(fs::is_directory(os::testing::host(resources + "vehicle")), g.racing) << g.game;
    }
}

TEST(DemoTree, JetFighterPacksMountOnTheirFolders)
{
    copyGame("Vasko-Skyrend");
    setTempFolder(u"\\My Documents\\packs.tmp\\");
    const std::pair<const char16_t*, const char16_t*> packs[] = {
        {u"manual.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\GUI"},
        {u"scenes.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\scenes"},
        {u"aircraft.zip", u"\\Program Files\\Vasko-Skyrend\\resources\\aircraft"},
    };
    int count = 0;
    for (const auto& [name, folder] : packs)
    {
        addResourcePack(name, folder);
        EXPECT_EQ(getResourcePackCount(), ++count) << os::to_latin1(name);
    }
    closeResourcePacks();
}
