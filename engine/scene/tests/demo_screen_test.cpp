// demo_screen_test.cpp -- the engine's demo screen, as the build lays it out
// in the device tree: loaded onto a canvas, run on the virtual clock, its
// button, check boxes and link tapped, and what each kind of entry draws
// found on the device screen (screenshots demo_screen_*.png in OS_OUT)
#include "canvas_fixture.h"

#include "content/media/zip_writer.h"
#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/scenes/scene3d.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace canvas_test;

namespace {

const WCHAR* const kFolder = u"\\Program Files\\EngineDemo\\";

// Copies the build's demo folder into this test's device tree.
void copyDemo()
{
    const char* build = std::getenv("HH_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    fs::path from = fs::path(build) / "device" / "Program Files" / "EngineDemo";
    ASSERT_TRUE(fs::exists(from / "menu.properties")) << from;
    fs::create_directories(os::testing::host("Program Files"));
    fs::copy(from, os::testing::host("Program Files/EngineDemo"), fs::copy_options::recursive);
}

// Packs the copied demo folder into the device file `pack`, its members
// under `prefix`.
void packDemo(const std::u16string& pack, const std::string& prefix)
{
    media::ZipMembers members;
    for (const auto& entry : fs::directory_iterator(os::testing::host("Program Files/EngineDemo")))
    {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        members.emplace_back(prefix + entry.path().filename().string(), bytes.str());
    }
    ASSERT_TRUE(media::writeZip(os::path::to_host(pack), members));
}

struct Rgb
{
    int r, g, b;
};

// The device screen's pixel, widened to 8 bits a channel.
Rgb screenAt(int x, int y)
{
    os::host::Screen& s = os::host::screen();
    const uint8_t* p = s.pixels + y * s.pitch + x * (s.bpp / 8);
    if (s.bpp == 16)
    {
        const int v = p[0] | p[1] << 8;
        return {(v >> 11) << 3, ((v >> 5) & 63) << 2, (v & 31) << 3};
    }
    return {p[2], p[1], p[0]};
}

// Close to the colour, allowing for 5-6-5 rounding.
bool near(Rgb a, uint32_t rgb)
{
    auto close = [](int x, int y) { return std::abs(x - y) <= 8; };
    return close(a.r, int(rgb >> 16 & 255)) && close(a.g, int(rgb >> 8 & 255)) && close(a.b, int(rgb & 255));
}

// Pixels of the rectangle not close to the colour.
int pixelsUnlike(int x0, int y0, int w, int h, uint32_t rgb)
{
    int count = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            count += !near(screenAt(x, y), rgb);
    return count;
}

int pixelsLike(int x0, int y0, int w, int h, uint32_t rgb)
{
    return w * h - pixelsUnlike(x0, y0, w, h, rgb);
}

void shootDemo(const char* name)
{
    const char* dir = std::getenv("OS_OUT");
    std::string path = std::string(dir && *dir ? dir : ".") + "/demo_screen_" + name + ".png";
    EXPECT_TRUE(os::host::write_screen_png(os::host::screen(), path)) << path;
}

struct DemoScreen : CanvasFixture
{
    void SetUp() override
    {
        initMathTables();
        os::host::headless::clear_boxes();
        app = new Window(u"app", nullptr, false);
        ASSERT_TRUE(app->create(0, 0, 240, 320));
        canvas = new RecordingCanvas();
        ASSERT_TRUE(app->addChild(canvas, 0, 0, 240, 320));
        copyDemo();
    }

    // Frames of the running canvas on the virtual clock, each presented.
    void run(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            os::host::headless::advance(40);
            canvas->onIdle(nullptr, nullptr);
            pump();
        }
    }

    Sprite* sprite(const WCHAR* name) const { return dynamic_cast<Sprite*>(canvas->findComponent(name)); }
};

} // namespace

TEST_F(DemoScreen, EveryKindOfEntryIsBuiltFromTheTree)
{
    ASSERT_TRUE(canvas->loadTemplate(kFolder, u"menu.properties", true));
    EXPECT_TRUE(os::host::headless::boxes().empty()) << "a file of the demo is missing";
    ASSERT_NE(nullptr, sprite(u"play"));
    EXPECT_NE(nullptr, sprite(u"play")->brightImage);
    EXPECT_EQ(Sprite::CheckBox, sprite(u"easy")->guiType);
    EXPECT_EQ(Sprite::EditBox, sprite(u"name")->guiType);
    EXPECT_EQ(Sprite::Hyperlink, sprite(u"next")->guiType);
    EXPECT_NE(nullptr, canvas->findFont(u"big"));
    EXPECT_EQ(canvas->findFont(u"big"), sprite(u"title")->bitmapFontNormal);
    EXPECT_NE(nullptr, canvas->findSound(u"click"));
    EXPECT_NE(nullptr, dynamic_cast<Scene3D*>(canvas->findScene(u"world")));
    EXPECT_NE(nullptr, dynamic_cast<Group3D*>(canvas->findComponent(u"cube")));
    EXPECT_NE(nullptr, dynamic_cast<Group2D*>(canvas->findComponent(u"tile")));
    canvas->playSound(canvas->getHandle(), u"click", 0);
    EXPECT_TRUE(os::host::headless::audio_running());
}

TEST_F(DemoScreen, DrawsEachKindAndFollowsThePen)
{
    ASSERT_TRUE(canvas->loadTemplate(kFolder, u"menu.properties", true));
    canvas->start();
    run(5);
    shootDemo("menu");
    // Background picture: its first stripe in the top-left corner.
    EXPECT_TRUE(near(screenAt(4, 4), 0x203040));
    EXPECT_TRUE(near(screenAt(120, 4), 0x304860));
    // Button: its normal picture.
    const Rgb normal = screenAt(30, 35);
    EXPECT_TRUE(near(normal, 0x2060C0));
    // Where the mask is white, the background shows through the button.
    EXPECT_TRUE(near(screenAt(95, 35), 0x304860));
    // Edit box, bitmap-font title, 3D scene and 2D group each draw
    // something other than the background there.
    EXPECT_GT(pixelsUnlike(125, 65, 90, 10, 0x406080), 400) << "edit box";
    EXPECT_GT(pixelsLike(20, 100, 200, 32, 0xFFFFFF) + pixelsLike(20, 100, 200, 32, 0xFFFF00), 4 * 8 * 8 / 2)
        << "bitmap font title";
    EXPECT_GT(pixelsUnlike(20, 150, 100, 100, 0x000080), 300) << "3D cube";
    EXPECT_TRUE(near(screenAt(22, 152), 0x000080)) << "3D background";
    EXPECT_GT(pixelsUnlike(130, 150, 100, 100, 0x400040), 100) << "2D group";

    // Pressing the button shows the bright picture until the pen lifts.
    pen(os::host::EventType::PenDown, 30, 35);
    run(1);
    shootDemo("pressed");
    EXPECT_TRUE(near(screenAt(30, 35), 0xFFC040));
    pen(os::host::EventType::PenUp, 30, 35);
    run(1);
    EXPECT_TRUE(near(screenAt(30, 35), 0x2060C0));

    // The check boxes are one group: the tapped one is selected alone.
    const Rgb easyBefore = screenAt(35, 70);
    const Rgb hardBefore = screenAt(85, 70);
    tapAt(85, 70);
    run(1);
    shootDemo("hard");
    EXPECT_EQ(1, canvas->getSelected(u"level"));
    EXPECT_EQ(0, sprite(u"easy")->status);
    EXPECT_EQ(1, sprite(u"hard")->status);
    const Rgb easyAfter = screenAt(35, 70);
    const Rgb hardAfter = screenAt(85, 70);
    EXPECT_TRUE(easyBefore.r != easyAfter.r || easyBefore.g != easyAfter.g || easyBefore.b != easyAfter.b);
    EXPECT_TRUE(hardBefore.r != hardAfter.r || hardBefore.g != hardAfter.g || hardBefore.b != hardAfter.b);

    // The link replaces the screen with the second template, and back.
    tapAt(40, 280);
    run(2);
    shootDemo("second");
    EXPECT_EQ(std::u16string(u"second.properties"), canvas->getTemplateName());
    EXPECT_EQ(nullptr, canvas->findScene(u"world"));
    EXPECT_TRUE(near(screenAt(4, 100), 0xC82828));
    tapAt(40, 30);
    run(2);
    EXPECT_EQ(std::u16string(u"menu.properties"), canvas->getTemplateName());
    EXPECT_TRUE(near(screenAt(4, 4), 0x203040));
    EXPECT_NE(nullptr, canvas->findScene(u"world"));
}

TEST_F(DemoScreen, ChoiceOnAPackedScreenIsSavedBesideThePack)
{
    fs::create_directories(os::testing::host("Packs"));
    packDemo(u"\\Packs\\demo.zip", "");
    setTempFolder(u"\\Temp");
    addResourcePack(u"demo.zip", u"\\Packs");
    ASSERT_TRUE(canvas->loadTemplate(u"\\Packs\\", u"menu.properties", true));
    ASSERT_NE(nullptr, canvas->findComponent(u"cube")) << "the model comes from the pack too";
    tapAt(85, 70);
    EXPECT_TRUE(os::host::headless::boxes().empty());
    closeResourcePacks();

    // The pack is gone: what is read now is the saved file alone.
    Properties saved;
    ASSERT_TRUE(saved.load(u"\\Packs", u"menu.properties"));
    EXPECT_EQ(1, saved.getFieldInt(u"hard", u"status", 0));
    EXPECT_EQ(0, saved.getFieldInt(u"easy", u"status", 1));
    EXPECT_EQ(1, saved.getFieldInt(u"level", u"selected", 0));
    ASSERT_TRUE(canvas->loadTemplate(u"\\Packs\\", u"menu.properties", true));
    EXPECT_EQ(1, sprite(u"hard")->status);
    EXPECT_EQ(0, sprite(u"easy")->status);
}

TEST_F(DemoScreen, ChoiceThatCannotBeSavedIsReported)
{
    // The pack's folder is a plain file: the screen reads from the pack,
    // but nothing can be written where it stands.
    fs::create_directories(os::testing::host("Packs"));
    packDemo(u"\\Packs\\demo.zip", "ro/");
    os::testing::put("Packs/ro", "not a folder");
    setTempFolder(u"\\Temp");
    addResourcePack(u"demo.zip", u"\\Packs");
    ASSERT_TRUE(canvas->loadTemplate(u"\\Packs\\ro\\", u"menu.properties", true));
    tapAt(85, 70);
    EXPECT_EQ(1, sprite(u"hard")->status) << "the screen still shows the choice";
    EXPECT_EQ(u"Can not update the template file: \\Packs\\ro\\menu.properties.\nThe file is read-only or "
              u"the storage media is not available. All changes will be ignored.",
              lastBoxText());
    closeResourcePacks();
}
