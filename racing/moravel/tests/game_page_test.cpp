// game_page_test.cpp -- the menu pages in this process, pressed with the
// pen as a person presses them: the main menu's choices written into its
// template and read back, stored indexes outside their lists, empty lists,
// the name entry, the settings switches, the sound table on page changes,
// the scoreboard's rows of one track, the intro by its clocks and the race
// command of the playing menu.
#include "racing/moravel/game_page.h"
#include "racing/moravel/racing_app.h"

#include "racing/framework/restart_command.h"
#include "racing/framework/score_table.h"

#include "engine/base/resource_files.h"
#include "engine/platform/wave_sound.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/sound_dictionary.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/sprite.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <os/windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace moravel {
namespace {

namespace fs = std::filesystem;

// The game's folder in this test's device tree (copied from the build's).
std::string gameFolder()
{
    const std::string game = os::path::device_root() + "/Program Files/Vasko-Moravel";
    if (!fs::exists(game + "/resources/GUI/MainMenu.properties"))
    {
        fs::create_directories(os::path::device_root() + "/Program Files");
        fs::copy(fs::path(os::testing::built_device_root()) / "Program Files" / "Vasko-Moravel", game,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    return game;
}

std::string guiFile(const std::string& name)
{
    std::ifstream in(gameFolder() + "/resources/GUI/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeGui(const std::string& name, const std::string& text)
{
    std::ofstream(gameFolder() + "/resources/GUI/" + name, std::ios::binary) << text;
}

std::string ascii(const std::u16string& text)
{
    return racing::toAscii(text);
}

struct PageFixture
{
    std::u16string restartedWith;
    std::unique_ptr<RacingApp> app;
    GamePage* page = nullptr;

    explicit PageFixture(const char16_t* commandLine, int mode = 0)
    {
        os::process::set_program_path(gameFolder() + "/bin/Vasko-Moravel");
        RacingApp::restartHook = [this](const std::u16string& command) { restartedWith = command; };
        app = std::make_unique<RacingApp>(u"Vasko-Moravel page test");
        app->create(32, 41, 176, 234);
        app->mode = mode;
        bool present = false;
        const std::u16string argument = racing::argumentText(commandLine, present);
        page = new GamePage(app.get(), argument, present);
        app->menuPage = page;
        app->addChild(page, 0, 0, 176, 234);
        page->dispatchArguments();
    }
    ~PageFixture()
    {
        page->stop();
        RacingApp::restartHook = nullptr;
        app.reset();
        closeResourcePacks(); // mounted by the application
    }

    racing::Sprite* sprite(const char16_t* name) const { return page->findComponent(name); }
    std::string text(const char16_t* name) const
    {
        racing::Sprite* s = sprite(name);
        return s ? ascii(s->getText()) : "<none>";
    }

    // Pen down and up on the middle of a visible component.
    void press(const char16_t* name)
    {
        racing::Sprite* s = sprite(name);
        ASSERT_NE(s, nullptr) << ascii(name);
        const LPARAM at = MAKELPARAM(s->x + s->width / 2, s->y + s->height / 2);
        SendMessageW(page->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(page->getHandle(), WM_LBUTTONUP, 0, at);
    }

    void typeName(const std::u16string& name)
    {
        ::Window* entry = page->findChild(GamePage::kNameEntry);
        ASSERT_NE(entry, nullptr);
        SetWindowTextW(entry->getHandle(), name.c_str());
    }
};

// The main menu's choices: paint and track of the mode and the rider's name
// are written into MainMenu.properties when the page is left and shown
// again by the next main menu; the other mode's choices stay as they were.
TEST(GamePage, MainMenuChoicesRoundTripThroughTheTemplate)
{
    {
        PageFixture menu(u"ARG:MainMenu");
        GamePage& page = *menu.page;
        ASSERT_EQ(page.paintNames, (std::vector<std::u16string>{u"SBPaint_Blue", u"SBPaint_Red", u"SBPaint_Yellow"}));
        ASSERT_EQ(page.trackNames, std::vector<std::u16string>{u"Oval"});
        page.onPeriod(0.2f); // the bike preview
        EXPECT_EQ(menu.text(u"txtPaintingName"), "Blue");
        EXPECT_EQ(menu.text(u"txtTrackName").rfind("Oval\n", 0), 0u) << menu.text(u"txtTrackName");
        for (int i = 0; i < 3; ++i)
            menu.press(u"cmdNextVehicle");
        EXPECT_EQ(page.paintIndex, 2);
        EXPECT_EQ(menu.text(u"txtPaintingName"), "Yellow");
        menu.press(u"cmdChangeName");
        menu.typeName(u"Jo Ann");
        menu.press(u"cmdEditNameOK");
        EXPECT_EQ(menu.text(u"txtPlayerName"), "Jo_Ann");
        menu.press(u"btnToPlaying");
        EXPECT_TRUE(page.showing(u"PlayingMenu"));
    }
    const std::string file = guiFile("MainMenu.properties");
    EXPECT_NE(file.find("\nSB_vehicleSelected=2\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nSB_sceneSelected=0\n"), std::string::npos);
    EXPECT_NE(file.find("text:Jo_Ann"), std::string::npos);
    {
        PageFixture again(u"ARG:MainMenu");
        EXPECT_EQ(again.page->paintIndex, 2);
        again.page->onPeriod(0.2f);
        EXPECT_EQ(again.text(u"txtPaintingName"), "Yellow");
        EXPECT_EQ(again.text(u"txtPlayerName"), "Jo_Ann");
    }
    {
        PageFixture cross(u"ARG:MainMenu", 1);
        EXPECT_EQ(cross.page->paintNames, (std::vector<std::u16string>{u"CBPaint_Green", u"CBPaint_Orange"}));
        EXPECT_EQ(cross.page->paintIndex, 0);
        cross.press(u"cmdNextVehicle");
        cross.press(u"btnEnterIntro");
    }
    const std::string after = guiFile("MainMenu.properties");
    EXPECT_NE(after.find("\nCB_vehicleSelected=1\n"), std::string::npos);
    EXPECT_NE(after.find("\nSB_vehicleSelected=2\n"), std::string::npos);
}

// Stored indexes beyond a list take its last entry, below 0 its first; a
// mode without tracks or paints marks them missing (never index -1), and
// the play button then does nothing.
TEST(GamePage, StoredIndexesAndEmptyLists)
{
    std::string menu = guiFile("MainMenu.properties");
    auto set = [&menu](const std::string& key, const std::string& value) {
        const size_t at = menu.find("\n" + key + "=") + 1;
        menu.replace(at, menu.find('\n', at) - at, key + "=" + value);
    };
    set("SB_sceneSelected", "7");
    set("SB_vehicleSelected", "-3");
    set("CB_vehicleSelected", "9");
    writeGui("MainMenu.properties", menu);
    {
        PageFixture page(u"ARG:MainMenu");
        EXPECT_EQ(page.page->trackIndex, 0);
        EXPECT_EQ(page.page->paintIndex, 0);
        EXPECT_FALSE(page.page->trackMissing);
    }
    {
        PageFixture page(u"ARG:MainMenu", 1);
        EXPECT_EQ(page.page->paintIndex, 1);
        // The last track: the next one changes nothing.
        page.press(u"cmdNextTrack");
        EXPECT_EQ(page.page->trackIndex, 0);
    }
    const std::string game = gameFolder() + "/resources/";
    for (const char* file : {"vehicle/CBPaint_Green.jpg", "vehicle/CBPaint_Orange.jpg", "scenes/CB_Dunes.properties"})
        fs::remove(game + file);
    PageFixture empty(u"ARG:MainMenu", 1);
    GamePage& page = *empty.page;
    EXPECT_TRUE(page.paintNames.empty());
    EXPECT_TRUE(page.trackNames.empty());
    EXPECT_TRUE(page.trackMissing);
    EXPECT_TRUE(page.vehicleMissing);
    EXPECT_EQ(empty.text(u"txtTrackName"), "");
    page.onPeriod(0.2f);
    empty.press(u"cmdNextTrack");
    empty.press(u"cmdNextVehicle");
    empty.press(u"btnToPlaying");
    EXPECT_TRUE(page.showing(u"MainMenu"));
    EXPECT_TRUE(empty.restartedWith.empty());
}

// The name entry: at most 32 characters, blanks as '_', the forbidden
// characters dropped, an empty entry keeping the name; taken on OK and when
// the entry loses the focus.
TEST(GamePage, NameEntry)
{
    struct Case
    {
        std::u16string typed;
        const char* shown;
    };
    const Case cases[] = {
        {u"Bob", "Bob"},
        {u"", "Bob"},
        {u"a b:c,d/e?f", "a_bcdef"},
        {std::u16string(40, u'x'), "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
    };
    PageFixture menu(u"ARG:MainMenu");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.shown);
        menu.press(u"cmdChangeName");
        EXPECT_EQ(menu.sprite(u"cmdEditNameOK")->visible, 1);
        menu.typeName(c.typed);
        menu.press(u"cmdEditNameOK");
        EXPECT_EQ(menu.text(u"txtPlayerName"), c.shown);
        EXPECT_EQ(menu.sprite(u"cmdEditNameOK")->visible, 0);
    }
    menu.press(u"cmdChangeName");
    menu.typeName(u"Eve");
    menu.page->onCommand(menu.page, 512, GamePage::kNameEntry, nullptr);
    EXPECT_EQ(menu.text(u"txtPlayerName"), "Eve");
    EXPECT_EQ(filterPlayerName(u"  x\ty"), u"__xy");
}

// The settings' switches act at once and are written into the settings
// file; a template without the music group reads as music off.
TEST(GamePage, SettingsSwitches)
{
    {
        PageFixture settings(u"ARG:gsetting");
        settings.app->music = true;
        settings.press(u"rdoMusicOff");
        EXPECT_FALSE(settings.app->music);
        settings.press(u"rdoMusicOn");
        EXPECT_TRUE(settings.app->music);
        settings.press(u"rdoSoundOff");
        EXPECT_FALSE(WaveSound::isEnabled());
        settings.press(u"rdoMusicOff");
    }
    const std::string file = guiFile("gsetting.properties");
    const size_t music = file.find("\nmusicSwitch=");
    ASSERT_NE(music, std::string::npos);
    EXPECT_NE(file.substr(music, file.find('\n', music + 1) - music).find("selected:1"), std::string::npos) << file;

    // A settings template without the group (written after the program's
    // start has checked its files, which would have put the shipped copy
    // back) reads as music off.
    std::string withoutGroup = file;
    withoutGroup.erase(music + 1, file.find('\n', music + 1) - music);
    PageFixture settings(u"ARG:intro");
    writeGui("gsetting.properties", withoutGroup);
    settings.page->loadPage(u"gsetting.properties");
    settings.app->music = true;
    settings.press(u"rdoMusicOn");
    EXPECT_FALSE(settings.app->music);
}

// Every page change empties the sound table (the sounds are freed), so it
// holds the current page's sounds only.
TEST(GamePage, PageChangesEmptyTheSoundTable)
{
    PageFixture intro(u"ARG:intro");
    SoundDictionary* sounds = intro.page->getSoundDictionary();
    EXPECT_EQ(sounds->size(), 1); // the title music
    intro.press(u"cmdEnterGameSuperbike");
    EXPECT_TRUE(intro.page->showing(u"MainMenu"));
    EXPECT_EQ(intro.app->mode, 0);
    EXPECT_EQ(sounds->size(), 0);
    intro.press(u"btnEnterIntro");
    EXPECT_EQ(sounds->size(), 1);
    intro.press(u"cmdQuitGame");
    EXPECT_TRUE(intro.page->showing(u"back"));
    EXPECT_EQ(sounds->size(), 1);
    EXPECT_EQ(intro.sprite(u"press0")->visible, 1);
    intro.press(u"cmdRestartGame");
    EXPECT_EQ(intro.restartedWith, u"ARG:intro");
}

// The scoreboard shows the latest race as row -1 and its track's table as
// rows 0 to 4; the other tracks' records are left out.
TEST(GamePage, ScoreboardShowsTheRowsOfItsTrack)
{
    gameFolder();
    auto record = [](const char16_t* track, const char16_t* racer, float time, int speed) {
        return racing::ScoreRecord(track, racer, u"CBPaint Green", u"2026/01/02", time, speed);
    };
    std::vector<racing::ScoreRecord> table = {record(u"Dunes", u"Ann", 50, 90), record(u"Big Oval", u"Jo", 40, 140),
                                              record(u"Dunes", u"Bob", 60, 80)};
    const std::u16string guiDevice = u"\\Program Files\\Vasko-Moravel\\resources\\GUI\\";

    struct Case
    {
        racing::ScoreRecord latest;
        std::u16string command;
        const char* track;
        const char* fps;
        const char* rows[3]; // racer-1, racer0, racer1
        const char* score0;
    };
    const Case cases[] = {
        {record(u"Dunes", u"Bob", 60, 80), u"ARG:scoreboard/12.500000,Dunes:Bob:N/A", "Dunes", "Average FPS:12.5",
         {"Bob", "Ann", "Bob"}, "90km/h"},
        {record(u"Big Oval", u"Jo", 40, 140), racing::scoreboardCommandLine(-1.0f, u"Big Oval", u"Jo", u"N/A"),
         "Big Oval", "", {"Jo", "Jo", ""}, "140km/h"},
        {record(u"Dunes", u"Bob", 60, 80), u"ARG:remoteboard/1.0,Dunes:Bob:N/A", "", "", {"", "", ""}, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(ascii(c.command));
        ASSERT_TRUE(racing::saveScores(guiDevice, table, c.latest));
        PageFixture board(c.command.c_str());
        EXPECT_TRUE(board.page->showing(u"scoreboard"));
        EXPECT_EQ(board.text(u"track"), c.track);
        EXPECT_EQ(board.text(u"trackSD"), c.track);
        EXPECT_EQ(board.text(u"txtFPS"), c.fps);
        EXPECT_EQ(board.text(u"racer-1"), c.rows[0]);
        EXPECT_EQ(board.text(u"racer0"), c.rows[1]);
        EXPECT_EQ(board.text(u"racer1"), c.rows[2]);
        EXPECT_EQ(board.text(u"score0"), c.score0);
        EXPECT_EQ(board.text(u"racer2"), "");
    }
    // No score file: the page as its template has it.
    fs::remove(gameFolder() + "/resources/GUI/racescore.properties");
    PageFixture none(u"ARG:scoreboard/12.500000,Dunes:Bob:N/A");
    EXPECT_EQ(none.text(u"track"), "");
    EXPECT_EQ(none.text(u"racer-1"), "");
}

// The intro's clocks: the mode buttons blink in turn, the wire-frame bike
// takes its colour from clock B.
TEST(GamePage, IntroByItsClocks)
{
    PageFixture intro(u"ARG:intro");
    GamePage& page = *intro.page;
    racing::Scene3D* scene = page.findScene3D(u"sceneVehicle");
    ASSERT_NE(scene, nullptr);
    Group3D* bike = scene->findChild(u"vehicle");
    ASSERT_NE(bike, nullptr);
    page.clockA = 0.29f;
    page.clockB = 1.49f;
    page.update(0.01f);
    EXPECT_EQ(intro.sprite(u"cmdEnterGameMotocross")->getState(), 1);
    EXPECT_EQ(intro.sprite(u"cmdEnterGameSuperbike")->getState(), 0);
    ASSERT_GT(bike->materialCount(), 0);
    EXPECT_EQ(bike->material(0)->color, 0x00C800u); // green 50 + 150
    EXPECT_EQ(bike->visible, 1);
    page.clockA = 0.5f;
    page.update(0.01f);
    EXPECT_EQ(intro.sprite(u"cmdEnterGameMotocross")->getState(), 0);
    EXPECT_EQ(intro.sprite(u"cmdEnterGameSuperbike")->getState(), 1);
}

// The playing menu blinks its two race buttons together and writes the
// race command of the mode, paint, track, music and rider.
TEST(GamePage, PlayingMenuWritesTheRaceCommand)
{
    for (const char16_t* button : {u"cmdRace", u"cmdExercise"})
    {
        PageFixture menu(u"ARG:MainMenu", 1);
        menu.press(u"cmdNextVehicle");
        menu.press(u"btnToPlaying");
        ASSERT_TRUE(menu.page->showing(u"PlayingMenu"));
        menu.page->onPeriod(0.2f);
        const int first = menu.sprite(u"cmdRace")->getState();
        EXPECT_EQ(menu.sprite(u"cmdExercise")->getState(), first);
        menu.page->onPeriod(0.2f);
        EXPECT_EQ(menu.sprite(u"cmdRace")->getState(), 1 - first);
        menu.press(button);
        const std::u16string expected = std::u16string(button) == u"cmdRace" ? u"ARG:goNow/1,1,0,1,0,Rider:"
                                                                               : u"ARG:exerciseNow/1,1,0,1,0,Rider:";
        EXPECT_EQ(menu.restartedWith, expected);
    }
}

} // namespace
} // namespace moravel
