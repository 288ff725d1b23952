// program_test.cpp -- Vasko-Tundrel played as a person does, headless from a
// copy of the build's device tree (with the storage card and the registry):
// the menu pages where the card's library and its wagon are chosen, a race
// of two laps by keys (tests/two_laps.script) to the score table, the race
// found in "racescore.properties" and the choices in "MainMenu.properties";
// a race abandoned by the exit box back in the main menu; a race command
// naming a library that is gone back in the main menu.
#include "racing/framework/testing/program_run.h"

using namespace racing_test;

namespace {

struct TundrelRun : ProgramRun
{
    TundrelRun()
        : ProgramRun(os::testing::built_device_root(), "Vasko-Tundrel",
                     {"Program Files/Classic Pack", "Storage Card", "registry"})
    {}

    std::string gui(const std::string& name) const
    {
        return fileText(tree + "/Program Files/Vasko-Tundrel/resources/GUI/" + name);
    }
};

// Page components (template coordinates, their centres).
const std::string kStart = tap(88, 189);       // cover: Start
const std::string kEnter = tap(88, 189);       // intro: Enter
const std::string kNextLibrary = tap(162, 11); // main menu
const std::string kNext = tap(88, 221);        // main menu: to the playing menu
const std::string kRace = tap(88, 109);        // playing menu
const std::string kExitBox = tapScreen(213, 57); // the race's exit box, top right of the page
const std::string kAgain = tap(44, 219);       // score table: back to the main menu

constexpr uint32_t kPage = 0x101830;   // the menu pages' ground
constexpr uint32_t kButton = 0x1E5AA0; // a page button
constexpr uint32_t kWagon = 0xF0C81E;  // the storage card's yellow wagon
constexpr uint32_t kHud = 0xFFFF00;    // the HUD line
constexpr uint32_t kExit = 0x780000;   // the race's exit box
constexpr uint32_t kRoad = 0x56565F;   // the Ring's asphalt
constexpr uint32_t kLatest = 0xFFFF78; // the score table's latest race

// Yellow of the HUD line along the top of the race page (from row 44 of
// the screen), at its place or below EXIT (where it stands once "(cruise)"
// would run under the button).
int hudPixels(const Picture& p)
{
    return count(p, kHud, 0, 44, 240, 44, 60);
}

bool isPage(const Picture& p)
{
    return count(p, kPage, 32, 41, 176, 234) > 12000 && count(p, kButton, 32, 41, 176, 234) > 300;
}

// Page changes fade out and in (half a second each): shots wait longer.
const std::string kToPlaying = "wait 1000\nshot cover\n" + kStart + "wait 1500\nshot intro\n" + kEnter +
                               "wait 1500\nshot main\n" + kNextLibrary + "wait 500\nshot card\n" + kNext +
                               "wait 1000\nshot playing\n";

TEST(TundrelProgram, TheCardsWagonRacesTwoLapsByKeysToTheScoreTable)
{
    TundrelRun run;
    std::string race = fileText(os::testing::source_root() + "/racing/tundrel/tests/two_laps.script");
    ASSERT_FALSE(race.empty());
    for (const char* shot : {"lights", "mid", "finish", "scoreboard"})
    {
        const std::string from = std::string("shot ") + shot + "\n";
        race.replace(race.find(from), from.size(), std::string("shot race_") + shot + "\n");
    }
    run.run(kToPlaying + kRace + race + kAgain + "wait 1500\nshot main_again\n", "");
    ASSERT_TRUE(run.waitFor("main_again"));

    Picture main = run.shot("main"), card = run.shot("card"), playing = run.shot("playing");
    EXPECT_TRUE(isPage(main));
    EXPECT_TRUE(isPage(card));
    EXPECT_GT(changed(main, card), 100); // another library and vehicle line
    // The preview turns the card's yellow wagon in place of the built-in truck.
    EXPECT_GT(count(card, kWagon, 32 + 84, 41 + 142, 76, 44, 40), 50);
    EXPECT_LT(count(main, kWagon, 32 + 84, 41 + 142, 76, 44, 40), 10);
    EXPECT_TRUE(isPage(playing));
    // The race: the wagon on the grid under the start lights, the HUD line mid-race.
    EXPECT_GT(count(run.shot("race_lights"), kWagon), 30);
    Picture mid = run.shot("race_mid");
    EXPECT_GT(hudPixels(mid), 8);
    EXPECT_GT(count(mid, kExit), 300);
    // The road under the wagon, low in the middle of the page.
    EXPECT_GT(count(mid, kRoad, 60, 240, 120, 48, 16), 600);
    // The score table with the latest race's line, then the main menu again.
    Picture board = run.shot("race_scoreboard");
    EXPECT_GT(count(board, kPage), 20000);
    EXPECT_GT(count(board, kLatest), 8);
    EXPECT_TRUE(isPage(run.shot("main_again")));

    const std::string scores = run.gui("racescore.properties");
    EXPECT_EQ(scores.rfind("-1=track:Ring, racer:Player, vehicle:Wagon, date:", 0), 0u) << scores;
    EXPECT_NE(scores.find("\n0=track:Ring, racer:Player, vehicle:Wagon, date:"), std::string::npos) << scores;
    const std::string mainMenu = run.gui("MainMenu.properties");
    EXPECT_NE(mainMenu.find("vlibSelected=1\n"), std::string::npos) << mainMenu;
    EXPECT_NE(mainMenu.find("vehicleSelected=0\n"), std::string::npos);
}

TEST(TundrelProgram, AnAbandonedRaceGoesBackToTheMainMenu)
{
    TundrelRun run;
    run.run(kToPlaying + kRace + "wait 5000\nkeydown UP\nwait 500\nshot racing\nkeyup UP\n" + kExitBox +
                "wait 3500\nshot back\n",
            "");
    ASSERT_TRUE(run.waitFor("back"));
    Picture racing = run.shot("racing"), back = run.shot("back");
    EXPECT_GT(count(racing, kWagon), 10);
    EXPECT_GT(hudPixels(racing), 8);
    EXPECT_TRUE(isPage(back));
    EXPECT_EQ(hudPixels(back), 0);
    // Nothing was entered into the score table.
    EXPECT_TRUE(run.gui("racescore.properties").empty());
}

// The cruise speed chosen on the settings page is kept in
// "gsetting.properties"; a race then shows no cruise (unlimited).
TEST(TundrelProgram, TheCruiseSpeedIsChosenOnTheSettingsPage)
{
    TundrelRun run;
    const std::string kSettings = tap(88, 183), kNoCruise = tap(120, 158), kDone = tap(88, 219);
    run.run(kToPlaying + kSettings + "wait 1000\nshot settings\n" + kNoCruise + "wait 300\nshot no_cruise\n" + kDone +
                "wait 1500\nshot main_again\n",
            "");
    ASSERT_TRUE(run.waitFor("main_again"));
    EXPECT_GT(count(run.shot("settings"), kPage, 32, 41, 176, 234), 20000);
    EXPECT_GT(changed(run.shot("settings"), run.shot("no_cruise")), 20); // the check moved
    EXPECT_TRUE(isPage(run.shot("main_again")));
    const std::string settings = run.gui("gsetting.properties");
    const size_t at = settings.find("\ncruiseSpeed=");
    ASSERT_NE(at, std::string::npos) << settings;
    EXPECT_NE(settings.substr(at, settings.find('\n', at + 1) - at).find("selected:2"), std::string::npos) << settings;
}

// The device's registry damaged: it is set aside, and the storage card's
// library, which only the registry listed, is found again by its
// descriptor; the main menu offers it with its wagon.
TEST(TundrelProgram, TheCardsLibraryIsFoundAgainWithTheRegistrySetAside)
{
    TundrelRun run;
    ASSERT_TRUE(std::filesystem::exists(run.tree + "/registry"));
    std::ofstream(run.tree + "/registry", std::ios::binary) << std::string("\x01\x02 no registry") + '\0' + "\xff\n";
    run.run(kToPlaying, "");
    ASSERT_TRUE(run.waitFor("playing"));
    EXPECT_TRUE(std::filesystem::exists(run.tree + "/registry.damaged"));
    EXPECT_GT(count(run.shot("card"), kWagon, 32 + 84, 41 + 142, 76, 44, 40), 50);
}

// The built-in library's folder gone: the main menu's Next names it in an
// "Error" box and the menu stays; the card's library still races.
TEST(TundrelProgram, AMissingVehicleFolderIsNamedWhenNextIsPressed)
{
    TundrelRun run;
    std::filesystem::remove_all(run.tree + "/Program Files/Vasko-Tundrel/resources/vehicle");
    run.run("wait 2000\n" + kNext + "wait 1000\nshot stays\n" + kNextLibrary + "wait 500\n" + kNext +
                "wait 1000\nshot playing\n",
            "ARG:MainMenu");
    ASSERT_TRUE(run.waitFor("playing"));
    const std::string said = run.errors();
    EXPECT_NE(said.find("message box \"Error\": No vehicle was found in "
                        "\"\\Program Files\\Vasko-Tundrel\\resources\\vehicle\"."),
              std::string::npos)
        << said;
    EXPECT_TRUE(isPage(run.shot("stays")));
    EXPECT_GT(changed(run.shot("stays"), run.shot("playing")), 2000) << "the card's wagon leads on";
}

// In a real SDL window (under xvfb-run): the card's library chosen on the
// main menu, its wagon turning in the preview, then a race of it on the grid.
TEST(TundrelProgram, PlaysInARealWindowUnderXvfb)
{
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    TundrelRun run;
    run.run(kToPlaying + kRace + "wait 4000\nshot sdl_race\nclose\n", "", {"OS_BACKEND=sdl", "SDL_AUDIODRIVER=dummy"},
            {"xvfb-run", "-a"});
    ASSERT_TRUE(run.waitFor("sdl_race"));
    Picture card = run.shot("card"), race = run.shot("sdl_race");
    EXPECT_GT(count(card, kWagon, 32 + 84, 41 + 142, 76, 44, 40), 50);
    EXPECT_GT(count(race, kWagon), 30);
}

// The libraries the program ships are whole: a fresh start shows no box
// (an old library's warning is a test of the library scan's).
TEST(TundrelProgram, AFreshStartShowsNoBox)
{
    TundrelRun run;
    run.run("wait 1500\nshot cover\n", "");
    ASSERT_TRUE(run.waitFor("cover"));
    EXPECT_EQ(run.errors().find("message box"), std::string::npos) << run.errors();
}

// The main menu's saved choices and the score table damaged on the device:
// each is set aside beside itself once met, the user told; the main menu
// comes up from its shipped copy, the scoreboard from an empty table.
TEST(TundrelProgram, DamagedSavedFilesAreSetAsideAndTheDefaultsUsed)
{
    TundrelRun run;
    const std::string gui = run.tree + "/Program Files/Vasko-Tundrel/resources/GUI/";
    std::ofstream(gui + "MainMenu.properties", std::ios::binary) << std::string(5000, 'x');
    std::ofstream(gui + "racescore.properties", std::ios::binary) << std::string("-1=track:Ring") + '\0' + "\x07garbage";
    run.run("wait 1500\nshot menu\n", "ARG:MainMenu");
    EXPECT_TRUE(isPage(run.shot("menu")));
    EXPECT_NE(run.errors().find("MainMenu.properties was damaged"), std::string::npos) << run.errors();
    EXPECT_TRUE(fs::exists(gui + "MainMenu.properties.damaged"));
    EXPECT_NE(run.gui("MainMenu.properties").find("vlibSelected"), std::string::npos);
    run.run("wait 1500\nshot board\n", "ARG:scoreboard/-1.000000,Ring:Ann:N/A");
    ASSERT_TRUE(run.waitFor("board"));
    EXPECT_GT(count(run.shot("board"), kPage), 20000);
    EXPECT_NE(run.errors().find("racescore.properties was damaged"), std::string::npos) << run.errors();
    EXPECT_TRUE(fs::exists(gui + "racescore.properties.damaged"));
}

// A score table cut inside its last race: it is set aside and named in one
// box, and the scoreboard shows the races that could be read, the cut one
// nowhere among them.
TEST(TundrelProgram, AScoreTableCutInsideItsLastRaceKeepsTheWholeOnes)
{
    TundrelRun run;
    const std::string gui = run.tree + "/Program Files/Vasko-Tundrel/resources/GUI/";
    const std::string whole = "-1=track:Ring, racer:Ann, vehicle:Wagon, date:2026/12/10, time:  95.000, speed:55\n"
                              "0=track:Ring, racer:Bob, vehicle:Truck, date:2026/12/09, time:  80.500, speed:66\n"
                              "1=track:Ring, racer:Ann, vehicle:Wagon, date:2026/12/10, time:  95.000, speed:55\n";
    std::ofstream(gui + "racescore.properties", std::ios::binary) << whole + "2=track:Ring, racer:Cy";
    run.run("wait 1500\nshot board\n", "ARG:scoreboard/-1.000000,Ring:Ann:N/A");
    ASSERT_TRUE(run.waitFor("board"));
    const std::string said = run.errors();
    EXPECT_NE(said.find("racescore.properties was damaged (its last line is cut off)"), std::string::npos) << said;
    EXPECT_NE(said.find("the 2 races that could be read are kept."), std::string::npos) << said;
    EXPECT_EQ(said.find("message box"), said.rfind("message box")) << "one box: " << said;
    EXPECT_EQ(run.gui("racescore.properties"), whole);
    EXPECT_TRUE(fs::exists(gui + "racescore.properties.damaged"));
    EXPECT_GT(count(run.shot("board"), kLatest), 8) << "the latest race's row";
}

TEST(TundrelProgram, ARaceCommandNamingALibraryThatIsGoneGoesBackToTheMainMenu)
{
    // The libraries were the built-in one, the card's and the Classic Pack;
    // with the card out the third is gone.
    TundrelRun run;
    fs::remove_all(run.tree + "/Storage Card");
    run.run("wait 1500\nshot menu\n", "ARG:goNow/2,0,0,0,0,Ann:");
    ASSERT_TRUE(run.waitFor("menu"));
    EXPECT_TRUE(isPage(run.shot("menu")));
}

} // namespace
