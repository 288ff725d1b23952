// menu_walk_test.cpp -- Vasko-Moravel played from the cover as a person
// does, headless with its screenshots: the superbike road through a race
// ridden by keys to the scoreboard and back to the intro; the motocross
// road with a typed name, another paint and a settings change through a
// race ridden by keys to the scoreboard and back to the intro; the closing
// page and Exit. The choices are found written back into their templates
// and the races into the score table.
#include "racing/moravel/tests/program_fixture.h"

using namespace moravel_test;
using racing_test::fileText;
using racing_test::tap;

namespace {

const std::string kToIntro = "wait 1500\nshot cover\n" + tap(88, 110) + "wait 2300\nshot intro\n";
const std::string kSuperbike = tap(46, 184);
const std::string kMotocross = tap(130, 184);
const std::string kPlay = tap(142, 224);
const std::string kNextPaint = tap(164, 147);
const std::string kChangeName = tap(148, 206); // the OK button takes its place
const std::string kRace = tap(88, 58);
const std::string kSettings = tap(88, 155);
const std::string kMusicOff = tap(92, 90);
const std::string kSettingsDone = tap(88, 215);
const std::string kBoardIntro = tap(44, 219);

std::string gui(const MoravelRun& run, const std::string& name)
{
    return fileText(run.tree + "/Program Files/Vasko-Moravel/resources/GUI/" + name);
}

// A race's key script with its shots named "race_lights", "race_mid", ...
// (empty when it cannot be read).
std::string raceScript(const std::string& path)
{
    std::string race = fileText(path);
    for (const char* shot : {"lights", "mid", "finish", "scoreboard"})
    {
        const std::string from = std::string("shot ") + shot + "\n";
        if (const size_t at = race.find(from); at != std::string::npos)
            race.replace(at, from.size(), std::string("shot race_") + shot + "\n");
    }
    return race;
}

// Yellow text of the scoreboard's row of the latest race.
int latestRowPixels(const Picture& p)
{
    return count(p, kTitleYellow, 32 + 14, 41 + 74, 160, 14, 60);
}

TEST(MoravelWalk, SuperbikeFromTheCoverThroughARaceToTheScoreboardAndBack)
{
    MoravelRun run;
    // The race is ridden by the key script of the program race.
    const std::string race = raceScript(os::testing::source_root() + "/racing/moravel/tests/two_laps.script");
    ASSERT_FALSE(race.empty());
    const std::string script = kToIntro + kSuperbike + "wait 2000\nshot menu\n" + kNextPaint + "wait 600\nshot paint\n" +
                               kPlay + "wait 1000\nshot playing\n" + kRace + race + kBoardIntro +
                               "wait 2500\nshot intro_again\n";
    run.run(script, "");
    ASSERT_TRUE(run.waitFor("intro_again"));

    EXPECT_TRUE(isCover(run.shot("cover")));
    EXPECT_TRUE(isIntro(run.shot("intro")));
    Picture menu = run.shot("menu"), paint = run.shot("paint");
    EXPECT_TRUE(isPage(menu));
    // The track strip shows the oval's sky, the bike its paint: blue first,
    // red after the next paint.
    EXPECT_GT(count(menu, 0x6EA0DC, 32, 63, 176, 60, 40), 1500);
    EXPECT_GT(count(menu, 0x1E46D2, 60, 157, 120, 62, 40), 40);
    EXPECT_GT(count(paint, 0xD21E1E, 60, 157, 120, 62, 40), 40);
    EXPECT_LT(count(paint, 0x1E46D2, 60, 157, 120, 62, 40), 10);
    EXPECT_TRUE(isPage(run.shot("playing")));
    EXPECT_GT(count(run.shot("race_mid"), 0x5A5A60), 2000);
    Picture board = run.shot("race_scoreboard");
    EXPECT_TRUE(isScoreboard(board));
    EXPECT_GT(latestRowPixels(board), 60);
    EXPECT_TRUE(isIntro(run.shot("intro_again")));

    // The choices went back into the main menu's template, the race into
    // the score table: the latest race and the first of the oval's table.
    const std::string mainMenu = gui(run, "MainMenu.properties");
    EXPECT_NE(mainMenu.find("\nSB_vehicleSelected=1\n"), std::string::npos);
    EXPECT_NE(mainMenu.find("\nSB_sceneSelected=0\n"), std::string::npos);
    const std::string scores = gui(run, "racescore.properties");
    EXPECT_EQ(scores.rfind("-1=track:Oval, racer:Rider, vehicle:SBPaint Red, date:", 0), 0u) << scores;
    EXPECT_NE(scores.find("\n0=track:Oval, racer:Rider, vehicle:SBPaint Red, date:"), std::string::npos) << scores;
}

TEST(MoravelWalk, MotocrossWithANameAPaintAndSettingsThroughARaceToTheScoreboard)
{
    MoravelRun run;
    // The race is ridden by the key script written for this race (the
    // dunes, the second paint).
    const std::string race = raceScript(os::testing::source_root() + "/racing/moravel/tests/cross_two_laps.script");
    ASSERT_FALSE(race.empty());
    const std::string script = kToIntro + kMotocross + "wait 2000\nshot menu\n" + kChangeName +
                               "wait 300\ntext \"Ann Lee:1\"\n" + kChangeName + "wait 300\n" + kNextPaint +
                               "wait 600\nshot named\n" + kPlay + "wait 1000\n" + kSettings +
                               "wait 600\nshot settings\n" + kMusicOff + "wait 300\nshot music_off\n" + kSettingsDone +
                               "wait 2000\nshot menu_again\n" + kPlay + "wait 1000\n" + kRace + race + kBoardIntro +
                               "wait 2500\nshot intro_again\n";
    run.run(script, "");
    ASSERT_TRUE(run.waitFor("intro_again"));

    Picture menu = run.shot("menu"), named = run.shot("named");
    EXPECT_TRUE(isPage(menu));
    // The dunes' sky in the strip, the first motocross paint (green), then
    // orange.
    EXPECT_GT(count(menu, 0x96B4DC, 32, 63, 176, 60, 40), 1500);
    EXPECT_GT(count(menu, 0x28AA3C, 60, 157, 120, 62, 40), 40);
    EXPECT_GT(count(named, 0xF08214, 60, 157, 120, 62, 40), 40);
    Picture settings = run.shot("settings"), musicOff = run.shot("music_off");
    EXPECT_TRUE(isPage(settings));
    EXPECT_GT(changed(settings, musicOff), 20); // the check moved
    EXPECT_TRUE(isPage(run.shot("menu_again")));
    EXPECT_GT(count(run.shot("race_mid"), 0x966E46, 0, 0, -1, -1, 30), 1000); // the dunes' road
    Picture board = run.shot("race_scoreboard");
    EXPECT_TRUE(isScoreboard(board));
    EXPECT_GT(latestRowPixels(board), 60);
    EXPECT_TRUE(isIntro(run.shot("intro_again")));

    // The typed name without its blank and ':' (blanks become '_'), the
    // motocross choices beside the superbike ones, the music switched off,
    // the race in the score table under that name.
    const std::string mainMenu = gui(run, "MainMenu.properties");
    EXPECT_NE(mainMenu.find("text:Ann_Lee1"), std::string::npos) << mainMenu;
    EXPECT_NE(mainMenu.find("\nCB_vehicleSelected=1\n"), std::string::npos);
    EXPECT_NE(mainMenu.find("\nSB_vehicleSelected=0\n"), std::string::npos);
    const std::string settingsFile = gui(run, "gsetting.properties");
    const size_t music = settingsFile.find("\nmusicSwitch=");
    ASSERT_NE(music, std::string::npos);
    EXPECT_NE(settingsFile.substr(music, settingsFile.find('\n', music + 1) - music).find("selected:1"),
              std::string::npos)
        << settingsFile;
    const std::string scores = gui(run, "racescore.properties");
    EXPECT_EQ(scores.rfind("-1=track:Dunes, racer:Ann_Lee1, vehicle:CBPaint Orange, date:", 0), 0u) << scores;
    EXPECT_NE(scores.find("\n0=track:Dunes, racer:Ann_Lee1, vehicle:CBPaint Orange, date:"), std::string::npos);
}

// The closing page: the prompt scrolls, "Exit" ends the program without
// another instance (the shot after it is never taken: status 3).
TEST(MoravelWalk, TheClosingPageScrollsAndExitEnds)
{
    MoravelRun run;
    const std::string script = kToIntro + tap(88, 215) + "wait 1500\nshot back\nwait 1000\nshot later\n" +
                               tap(132, 215) + "wait 1500\nshot gone\n";
    EXPECT_EQ(run.run(script, ""), 3);
    Picture back = run.shot("back"), later = run.shot("later");
    EXPECT_GT(titlePixels(back), 80);
    EXPECT_GT(count(back, 0x96C8FF, 40, 75, 160, 130, 40), 300); // the prompt's lines
    EXPECT_GT(changed(back, later), 200);                        // scrolled
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(fs::exists(run.out + "/gone.png"));
}

} // namespace
