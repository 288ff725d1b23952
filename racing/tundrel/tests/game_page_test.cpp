// game_page_test.cpp -- the car menu page in this process on the demo
// templates: the main menu's stored choices limited to the libraries,
// vehicles and tracks of the scan (a library without vehicles falls back to
// the built-in one), a library change starting again at its first vehicle
// and previewing it, the letter buttons, the choices written back when the
// page is left, and the race command of the playing menu.
#include "racing/tundrel/game_page.h"
#include "racing/tundrel/racing_app.h"

#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"
#include "racing/framework/restart_command.h"
#include "racing/framework/testing/scratch_game.h"

#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace tundrel {
namespace {

// The files of a vehicle copied under another name (pictures and model
// follow the name).
void copyVehicle(const std::filesystem::path& folder, const std::string& from, const std::string& to)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        const std::string name = entry.path().filename().string();
        if (name.size() > from.size() && name.rfind(from, 0) == 0 &&
            (name[from.size()] == '.' || name[from.size()] == '_'))
            std::filesystem::copy_file(entry.path(), folder / (to + name.substr(from.size())));
    }
}

// The demo's vehicles, two of them also under names holding a '_' (which the
// menu shows as ',').
const racing_test::ScratchGame& menuTree()
{
    static const racing_test::ScratchGame& scratch = []() -> const racing_test::ScratchGame& {
        static racing_test::ScratchGame made(os::testing::built_device_root(), "Vasko-Tundrel", {"Storage Card"});
        copyVehicle(made.game + "/resources/vehicle", "Bighorn", "Big_Truck");
        copyVehicle(made.folder.path + "/Storage Card/Rally Pack", "Wagon", "Rally_Wagon");
        return made;
    }();
    return scratch;
}

// The demo's main menu without its stored choices: the tests put their own first.
struct MenuTemplate
{
    MenuTemplate()
    {
        std::string main = menuTree().read("GUI/MainMenu.properties");
        for (const char* key : {"sceneSelected=0\n", "vlibSelected=0\n", "vehicleSelected=0\n"})
            main.erase(main.find(key), std::string(key).size());
        menuTree().write("GUI/MainMenu.template", main);
    }
};

struct PageFixture
{
    std::u16string restartedWith;
    std::unique_ptr<RacingApp> app;
    GamePage* page = nullptr;

    explicit PageFixture(const std::string& mainMenu)
    {
        static const MenuTemplate once;
        menuTree().write("GUI/MainMenu.properties", mainMenu + menuTree().read("GUI/MainMenu.template"));
        RacingApp::restartHook = [this](const std::u16string& command) { restartedWith = command; };
        app = std::make_unique<RacingApp>(u"Vasko-Tundrel page test");
        app->create(0, 0, 176, 234);
        page = new GamePage(app.get(), u"MainMenu", true);
        page->guiFolder = u"\\Program Files\\Vasko-Tundrel\\resources\\GUI\\";
        page->scan.trackNames = {u"Ring"};
        page->scan.libraryEntries = {u"Zarar Azaruroz,\\Program Files\\Vasko-Tundrel\\resources\\vehicle",
                                     u"Rally Pack,\\Storage Card\\Rally Pack", u"Empty Pack,\\Storage Card\\Empty"};
        page->scan.vehicleNames = {{u"Big_Truck", u"Coupe"}, {u"Rally_Wagon"}, {}};
        app->menuPage = page;
        app->addChild(page, 0, 0, 176, 234);
        page->dispatchArguments();
    }
    ~PageFixture() { RacingApp::restartHook = nullptr; }

    std::u16string text(const char16_t* sprite) const
    {
        racing::Sprite* s = page->findComponent(sprite);
        return s ? s->getText() : u"<none>";
    }
    bool previewShown() const
    {
        racing::Scene3D* scene = page->findScene3D(u"sceneVehicle");
        return scene && !scene->children.empty();
    }
};


TEST(CarMenu, StoredChoicesAreLimitedToTheScan)
{
    struct Case
    {
        const char* stored;
        int library, vehicle, track;
        const char16_t* vehicleName;
    };
    for (Case c : {Case{"sceneSelected=0\nvlibSelected=1\nvehicleSelected=0\n", 1, 0, 0, u"Rally,Wagon"},
                   Case{"sceneSelected=7\nvlibSelected=0\nvehicleSelected=5\n", 0, 1, 0, u"Coupe"},
                   // a library without vehicles (or past the list) falls back to the built-in one
                   Case{"sceneSelected=0\nvlibSelected=2\nvehicleSelected=0\n", 0, 0, 0, u"Big,Truck"},
                   Case{"sceneSelected=-4\nvlibSelected=9\nvehicleSelected=-1\n", 0, 0, 0, u"Big,Truck"}})
    {
        SCOPED_TRACE(c.stored);
        PageFixture f(c.stored);
        EXPECT_EQ(f.page->libraryIndex, c.library);
        EXPECT_EQ(f.page->vehicleIndex, c.vehicle);
        EXPECT_EQ(f.page->trackIndex, c.track);
        EXPECT_EQ(f.text(u"txtVehicleName"), c.vehicleName);
        EXPECT_EQ(f.text(u"txtTrackName"), u"Ring");
        EXPECT_FALSE(f.page->vehicleMissing);
        EXPECT_TRUE(f.previewShown());
    }
}

TEST(CarMenu, ALibraryChangeStartsAtItsFirstVehicle)
{
    PageFixture f("sceneSelected=0\nvlibSelected=0\nvehicleSelected=1\n");
    EXPECT_EQ(f.text(u"txtVLib"), u"Zarar Azaruroz");
    EXPECT_EQ(f.page->vehicleIndex, 1);
    f.page->pressed(u"cmdNextVLib");
    EXPECT_EQ(f.page->libraryIndex, 1);
    EXPECT_EQ(f.page->vehicleIndex, 0);
    EXPECT_EQ(f.text(u"txtVLib"), u"Rally Pack");
    EXPECT_EQ(f.text(u"txtVehicleName"), u"Rally,Wagon");
    EXPECT_TRUE(f.previewShown());
    EXPECT_EQ(f.page->findComponent(u"cmdVehicleB")->textColor, 0x008000u);
    // The next library has no vehicles: missing, nothing to race.
    f.page->pressed(u"cmdNextVLib");
    EXPECT_EQ(f.page->libraryIndex, 2);
    EXPECT_TRUE(f.page->vehicleMissing);
    EXPECT_EQ(f.text(u"txtVehicleName"), u"");
    EXPECT_FALSE(f.previewShown());
    // Past the last library nothing changes; back to the built-in one, a letter picks.
    f.page->pressed(u"cmdNextVLib");
    EXPECT_EQ(f.page->libraryIndex, 2);
    f.page->pressed(u"cmdLastVLib");
    f.page->pressed(u"cmdLastVLib");
    EXPECT_EQ(f.page->libraryIndex, 0);
    f.page->pressed(u"cmdVehicleC");
    EXPECT_EQ(f.page->vehicleIndex, 1);
    EXPECT_EQ(f.text(u"txtVehicleName"), u"Coupe");
    f.page->pressed(u"cmdVehicleB");
    EXPECT_EQ(f.page->vehicleIndex, 0);
}

TEST(CarMenu, ChoicesAreKeptAndTheRaceCommandCarriesThem)
{
    {
        PageFixture f("sceneSelected=0\nvlibSelected=0\nvehicleSelected=0\n");
        f.page->pressed(u"cmdNextVLib");
        f.page->pressed(u"btnToPlaying");
        EXPECT_TRUE(f.page->showing(u"PlayingMenu"));
        const std::string stored = menuTree().read("GUI/MainMenu.properties");
        EXPECT_NE(stored.find("vlibSelected=1\n"), std::string::npos) << stored;
        EXPECT_NE(stored.find("vehicleSelected=0\n"), std::string::npos);
        EXPECT_NE(stored.find("sceneSelected=0\n"), std::string::npos);
        f.page->pressed(u"cmdRace");
        EXPECT_EQ(f.restartedWith, u"ARG:goNow/1,0,0,1,0,Player:");
    }
    // A vehicle missing: the race is not started.
    PageFixture f("sceneSelected=0\nvlibSelected=0\nvehicleSelected=0\n");
    f.page->pressed(u"cmdNextVLib");
    f.page->pressed(u"cmdNextVLib");
    f.page->pressed(u"cmdRace");
    EXPECT_TRUE(f.restartedWith.empty());
    f.page->pressed(u"cmdExercise");
    EXPECT_TRUE(f.restartedWith.empty());
}

} // namespace
} // namespace tundrel

namespace tundrel {
namespace {

// Every word and box of the settings page stands inside the page (the
// cruise speed's "none" was cut at its edge).
TEST(CarMenu, TheSettingsPageFitsItsFrame)
{
    PageFixture f("sceneSelected=0\nvlibSelected=0\nvehicleSelected=0\n");
    f.page->loadPage(u"gsetting.properties");
    ASSERT_TRUE(f.page->showing(u"gsetting"));
    racing::SceneSprite* scene = f.page->findSpriteScene(u"scenePage");
    ASSERT_NE(scene, nullptr);
    ASSERT_NE(f.page->findComponent(u"lbl_cruiseSpeed2"), nullptr);
    for (const auto& sprite : scene->children)
    {
        SCOPED_TRACE(racing::toAscii(sprite->name));
        EXPECT_GE(sprite->x, 0);
        EXPECT_LE(sprite->x + sprite->width, f.page->getClientWidth());
        EXPECT_LE(sprite->y + sprite->height, f.page->getClientHeight());
    }
}

} // namespace
} // namespace tundrel
