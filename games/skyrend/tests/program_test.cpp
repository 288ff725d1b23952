// program_test.cpp -- Vasko-Skyrend as real processes: the start-up modes,
// the restart protocol, command lines good and bad, and the pilot commands
// whose faults would lose data
#include "games/skyrend/tests/program_fixture.h"

using namespace skyrend_test;

namespace {

const uint32_t kTitle = 0xFFE080;

// The page a screenshot shows, told by what its template draws.
bool isCover(const os::host::Picture& p)
{
    return near(p.at(4, 4), 0x101830) && count(p, 0, 72, 240, 36, kTitle) > 300;
}

bool isMainMenu(const os::host::Picture& p)
{
    return count(p, 0, 2, 240, 20, kTitle) > 100 && near(p.at(12, 266), 0x284678);
}

bool isScoreboard(const os::host::Picture& p)
{
    return count(p, 0, 8, 240, 22, kTitle) > 100 && near(p.at(74, 290), 0x284678);
}

// The inside of the main menu's pilot list, and how much of it differs from
// its ground (the names, a selected row), told by its last pixel, below any
// row.
struct Area
{
    int x, y, w, h;
};
const Area kPilotRows{10, 176, 116, 54};

int inked(const os::host::Picture& p, const Area& a)
{
    return a.w * a.h - count(p, a.x, a.y, a.w, a.h, p.at(a.x + a.w - 1, a.y + a.h - 1), 8);
}

bool shows(const std::string& errors, const std::string& text)
{
    return errors.find(text) != std::string::npos;
}

} // namespace

namespace {

// Each command line starts the program in a process of its own: one case
// per line, so that the lines run side by side.
struct CommandLineCase
{
    std::vector<std::string> args;
    bool (*page)(const os::host::Picture&);
    const char* what;
};

const CommandLineCase kCommandLines[] = {
    {{}, isCover, "no argument"},
    {{"ARG:MainMenu"}, isMainMenu, "a page name"},
    {{"ARG:scoreboard"}, isScoreboard, "the scoreboard"},
    {{"ARG:exerciseNow"}, isCover, "a flight without '/'"},
    {{"ARG:fightNow/1,1"}, isCover, "a number missing"},
    {{"ARG:exerciseNow/9,0,0"}, isCover, "a plane beyond the table"},
    {{"ARG:exerciseNow/0,0,99"}, isCover, "a pilot beyond the list"},
    {{"ARG:fightNow/99999999999999999999,0,0"}, isCover, "a number too long for any table"},
    {{"ARG:" + std::string(300, 'x')}, isCover, "an over-long page name"},
    {{"ARG:nosuchpage"}, isCover, "a page that does not exist"},
    {{"ARG:..\\..\\..\\..\\etc\\passwd"}, isCover, "a path out of the folder"},
};

class SkyrendCommandLine : public testing::TestWithParam<CommandLineCase>
{};

} // namespace

TEST_P(SkyrendCommandLine, EndsOnASensiblePage)
{
    const CommandLineCase& c = GetParam();
    SCOPED_TRACE(c.what);
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 800\nshot page\n", c.args)) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("page", p)) << run.errors();
    EXPECT_TRUE(c.page(p)) << run.errors();
    EXPECT_FALSE(shows(run.errors(), "Can not find the template file")) << run.errors();
}

INSTANTIATE_TEST_SUITE_P(Lines, SkyrendCommandLine, testing::ValuesIn(kCommandLines));

TEST(SkyrendProgram, RestartCarriesTheNextPageIntoANewProcess)
{
    // The manual's Close restarts the program with "ARG:intro"; the script
    // goes on in the new process, whose intro leads to the main menu.
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 300\n"
                         "shot first\n"
                         "tap 150 305  # Manual\n"
                         "wait 1000\n"
                         "tap 120 294  # Close\n"
                         "wait 2000\n"
                         "shot restarted\n"
                         "tap 120 294  # Main menu\n"
                         "wait 1500\n"
                         "shot menu\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    ASSERT_TRUE(run.waitFor("menu")) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("first", p));
    EXPECT_TRUE(isMainMenu(p));
    ASSERT_TRUE(run.shot("restarted", p));
    EXPECT_GT(count(p, 0, 8, 240, 22, kTitle), 100) << "the intro's heading";
    EXPECT_FALSE(isMainMenu(p));
    ASSERT_TRUE(run.shot("menu", p));
    EXPECT_TRUE(isMainMenu(p)) << run.errors();
}

// The flight over the top half (sky, ground and aircraft, not the menu) and
// the cockpit console below it (its dark green panel).
bool isFlight(const os::host::Picture& p)
{
    return !isMainMenu(p) && near(p.at(230, 205), 0x18221A) && count(p, 0, 0, 240, 140, 0x18221A) < 100;
}

TEST(SkyrendProgram, ExerciseRestartsIntoTheFlightAndEndsOnTheScoreboard)
{
    // "Exercise" with plane 1 ("TERN"), scene 1 ("red canyon") and the
    // pilot Kite (row 1): the new process gets "ARG:exerciseNow/1,1,1" and
    // flies; the console's EXIT, then Yes, ends on the scoreboard.
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 300\n"
                         "tap 60 133   # the second plane\n"
                         "tap 180 133  # the second scene\n"
                         "tap 40 192   # Kite\n"
                         "wait 200\n"
                         "tap 60 274   # Exercise\n"
                         "wait 2000\n"
                         "shot flight\n"
                         "tap 220 277  # EXIT\n"
                         "wait 300\n"
                         "shot dialog\n"
                         "tap 80 277   # Yes\n"
                         "wait 1500\n"
                         "shot board\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    ASSERT_TRUE(run.waitFor("board")) << run.errors();
    const std::string pilots = ProgramRun::read(run.resources("GUI/tplist.properties"));
    EXPECT_NE(pilots.find("lastPilotNo=1"), std::string::npos) << pilots;
    EXPECT_NE(pilots.find("Kite=ShootDown:9, BeShotDown:0, Missions:12"), std::string::npos)
        << "an exercise counts nothing: " << pilots;
    const std::string menu = ProgramRun::read(run.resources("GUI/MainMenu.properties"));
    EXPECT_NE(menu.find("planeSelected=1"), std::string::npos) << "the choices are written back";
    EXPECT_NE(menu.find("sceneSelected=1"), std::string::npos);
    EXPECT_NE(menu.find("texture:..\\aircraft\\plane_tern.jpg"), std::string::npos) << menu;
    os::host::Picture p;
    ASSERT_TRUE(run.shot("flight", p));
    EXPECT_TRUE(isFlight(p));
    ASSERT_TRUE(run.shot("dialog", p));
    EXPECT_TRUE(isFlight(p));
    ASSERT_TRUE(run.shot("board", p));
    EXPECT_TRUE(isScoreboard(p));
}

TEST(SkyrendProgram, FlightWithoutAPilotIsRefused)
{
    ProgramRun run;
    std::ofstream(run.resources("GUI/tplist.properties")) << "lastPilotNo=0\n";
    ASSERT_EQ(0, run.run("wait 300\ntap 60 274  # Exercise\nwait 300\nshot menu\n", {"ARG:MainMenu"})) << run.errors();
    EXPECT_TRUE(shows(run.errors(), "You did not select a pilot, select one (or create a new one) then try again."))
        << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("menu", p));
    EXPECT_TRUE(isMainMenu(p)) << "no restart";
}

// No pilot file: the menu and the scoreboard start with no pilots (the
// shipped ones do not come back), a flight waits for a pilot, and the first
// pilot made is the roster.
TEST(SkyrendProgram, AMissingPilotFileIsAnEmptyRoster)
{
    ProgramRun run;
    fs::remove(run.resources("GUI/tplist.properties"));
    ASSERT_EQ(0, run.run("wait 300\n"
                         "shot menu\n"
                         "tap 60 274   # Exercise\n"
                         "wait 300\n"
                         "tap 116 246  # New\n"
                         "wait 100\n"
                         "text \"Jay\"\n"
                         "tap 196 272  # OK\n"
                         "wait 200\n"
                         "shot named\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    EXPECT_TRUE(shows(run.errors(), "You did not select a pilot, select one (or create a new one) then try again."))
        << run.errors();
    EXPECT_FALSE(shows(run.errors(), "damaged")) << run.errors();
    EXPECT_EQ(ProgramRun::read(run.resources("GUI/tplist.properties")),
              "lastPilotNo=0\nJay=ShootDown:0, BeShotDown:0, Missions:0\n");
    os::host::Picture menu, named;
    ASSERT_TRUE(run.shot("menu", menu));
    ASSERT_TRUE(run.shot("named", named));
    EXPECT_TRUE(isMainMenu(menu));
    EXPECT_TRUE(isMainMenu(named)) << "no flight started";
    EXPECT_EQ(inked(menu, kPilotRows), 0) << "no pilot listed";
    EXPECT_GT(inked(named, kPilotRows), 50) << "the new pilot listed";
}

TEST(SkyrendProgram, AMissingPilotFileGivesAnEmptyScoreboard)
{
    ProgramRun run;
    fs::remove(run.resources("GUI/tplist.properties"));
    ASSERT_EQ(0, run.run("wait 300\nshot board\n", {"ARG:scoreboard"})) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("board", p));
    EXPECT_TRUE(isScoreboard(p));
    EXPECT_EQ(count(p, 8, 56, 230, 220, 0xFFFFFF, 40), 0) << "no names, stars or numbers";
    EXPECT_EQ(ProgramRun::read(run.resources("GUI/tplist.properties")), "lastPilotNo=-1\n");
    EXPECT_EQ(run.errors().find("damaged"), std::string::npos) << run.errors();
}

TEST(SkyrendProgram, DeletingWithNoSelectedRowDeletesNothing)
{
    ProgramRun run;
    const std::string roster = "lastPilotNo=-1\n"
                               "Ace=ShootDown:3, BeShotDown:1, Missions:7\n"
                               "Kite=ShootDown:9, BeShotDown:0, Missions:12\n";
    std::ofstream(run.resources("GUI/tplist.properties")) << roster;
    ASSERT_EQ(0, run.run("wait 300\n"
                         "tap 162 246  # Delete\n"
                         "wait 200\n"
                         "tap 68 282   # Delete in the question\n"
                         "wait 200\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    const std::string saved = ProgramRun::read(run.resources("GUI/tplist.properties"));
    EXPECT_NE(saved.find("Ace=ShootDown:3, BeShotDown:1, Missions:7"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Kite=ShootDown:9, BeShotDown:0, Missions:12"), std::string::npos) << saved;
}

TEST(SkyrendProgram, PilotsAreDeletedAndNamesKeepOneLimit)
{
    ProgramRun run;
    std::ofstream(run.resources("GUI/tplist.properties")) << "# pilots\nlastPilotNo=0\n"
                                                             "Ace=ShootDown:3, BeShotDown:1, Missions:7\n";
    ASSERT_EQ(0, run.run("wait 300\n"
                         "tap 116 246  # New\n"
                         "wait 100\n"
                         "text \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\"\n"
                         "tap 196 272  # OK\n"
                         "wait 200\n"
                         "tap 116 246  # New again, the same first 24 letters\n"
                         "wait 100\n"
                         "text \"ABCDEFGHIJKLMNOPQRSTUVWX_more\"\n"
                         "tap 196 272  # OK\n"
                         "wait 200\n"
                         "tap 40 180   # Ace\n"
                         "tap 162 246  # Delete\n"
                         "wait 100\n"
                         "tap 68 282   # Delete in the question\n"
                         "wait 200\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    EXPECT_TRUE(shows(run.errors(), "The pilot already exists, change the pilot's name and try again."))
        << run.errors();
    const std::string saved = ProgramRun::read(run.resources("GUI/tplist.properties"));
    EXPECT_EQ(saved, "# pilots\nlastPilotNo=0\nABCDEFGHIJKLMNOPQRSTUVWX=ShootDown:0, BeShotDown:0, Missions:0\n");
}

TEST(SkyrendProgram, ServerModeByNameOrSwitch)
{
    const struct
    {
        const char* program;
        std::vector<std::string> args;
    } cases[] = {{"Vasko-Skyrend-server", {}}, {"Vasko-Skyrend", {"/server"}}, {"Vasko-Skyrend", {"/SERVER"}}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.program);
        ProgramRun run;
        ASSERT_EQ(0, run.run("wait 300\nshot server\n", c.args, c.program)) << run.errors();
        os::host::Picture p;
        ASSERT_TRUE(run.shot("server", p)) << run.errors();
        EXPECT_TRUE(near(p.at(4, 4), 0x322010)) << "the server's cover";
        EXPECT_GT(count(p, 0, 100, 240, 24, kTitle), 50);
    }
}

TEST(SkyrendProgram, TooLittleMemoryAsksAndOnlyYesGoesOn)
{
    const struct
    {
        const char* answer;
        bool starts;
    } cases[] = {{"NO", false}, {"YES", true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.answer);
        ProgramRun run;
        run.env = {"OS_MEM_AVAIL=4000000"};
        // A shot never taken ends the run with status 3.
        EXPECT_EQ(c.starts ? 0 : 3, run.run(std::string("answer ") + c.answer + "\nwait 300\nshot page\n"));
        EXPECT_TRUE(shows(run.errors(), "message box \"Memory Warning\": 'Vasko-Skyrend' needs 5.0MB memory."))
            << run.errors();
        os::host::Picture p;
        EXPECT_EQ(c.starts, run.shot("page", p));
    }
}

TEST(SkyrendProgram, ALandscapeScreenIsRefused)
{
    ProgramRun run;
    run.env = {"OS_SCREEN=320x240x16"};
    EXPECT_NE(0, run.run("wait 300\nshot page\n"));
    EXPECT_TRUE(shows(run.errors(), "'Vasko-Skyrend' can not run under landscape mode.")) << run.errors();
    os::host::Picture p;
    EXPECT_FALSE(run.shot("page", p));
}

TEST(SkyrendProgram, EachProcessHasItsOwnTemporaryFolderAndRemovesIt)
{
    // The manual is read from its pack through the temporary folder; once the
    // program has ended, its folder is gone and no other is touched.
    ProgramRun run;
    const std::string temp = run.tree + "/My Documents/Kalmir.tmp";
    fs::create_directories(temp + "/1");
    std::ofstream(temp + "/1/other.txt") << "another process's copy";
    ASSERT_EQ(0, run.run("wait 300\ntap 150 305\nwait 1000\nshot manual\n", {"ARG:MainMenu"})) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("manual", p));
    EXPECT_TRUE(near(p.at(4, 4), 0xE8DCC0)) << "the manual from manual.zip";
    EXPECT_TRUE(fs::exists(temp + "/1/other.txt"));
    int folders = 0;
    for (const auto& entry : fs::directory_iterator(temp))
        folders += entry.is_directory();
    EXPECT_EQ(1, folders) << "the program's own folder is removed at its end";
}

TEST(SkyrendProgram, MenuArrowsStayWithinTheLists)
{
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 300\n"
                         "tap 28 246   # previous pilot at the first row\n"
                         "wait 100\n"
                         "shot first\n"
                         "tap 72 246   # next pilot, three times with three pilots\n"
                         "tap 72 246\n"
                         "tap 72 246\n"
                         "wait 100\n"
                         "shot last\n"
                         "tap 103 103  # next plane, twice with two planes\n"
                         "tap 103 103\n"
                         "tap 137 103  # previous scene at the first\n"
                         "wait 100\n"
                         "shot planes\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    const uint32_t selected = 0x000084;
    os::host::Picture p;
    ASSERT_TRUE(run.shot("first", p));
    EXPECT_TRUE(near(p.at(110, 180), selected)) << "still the first pilot";
    ASSERT_TRUE(run.shot("last", p));
    EXPECT_FALSE(near(p.at(110, 180), selected));
    EXPECT_TRUE(near(p.at(110, 204), selected)) << "the third and last pilot";
    ASSERT_TRUE(run.shot("planes", p));
    EXPECT_TRUE(near(p.at(60, 60), 0xD0C0A0, 24)) << "the second plane's picture";
    const std::string menu = ProgramRun::read(run.resources("GUI/MainMenu.properties"));
    EXPECT_NE(menu.find("planeSelected=1"), std::string::npos) << menu;
    EXPECT_NE(menu.find("sceneSelected=0"), std::string::npos) << menu;
}

TEST(SkyrendProgram, SpecsPageOfTheSelectedPlaneAndBack)
{
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 300\ntap 210 246\nwait 300\nshot specs\ntap 120 294\nwait 1500\nshot menu\n",
                         {"ARG:MainMenu"}))
        << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("specs", p));
    EXPECT_TRUE(near(p.at(4, 4), 0x182038)) << run.errors();
    EXPECT_GT(count(p, 0, 16, 240, 24, kTitle), 100) << "the plane's name";
    ASSERT_TRUE(run.shot("menu", p));
    EXPECT_TRUE(isMainMenu(p));
}

// A main menu saved by an earlier build names the first plane's pictures
// by the file name it had then ("plane_swift_mk2"): the menu opens without
// a word, with the selected plane's picture, and the page names it now.
TEST(SkyrendProgram, AMenuSavedWithAPlaneSinceRenamedShowsThePlanesPicture)
{
    ProgramRun run;
    std::string menu = ProgramRun::read(run.resources("GUI/defaults/MainMenu.properties"));
    for (size_t at; (at = menu.find("plane_swift mk2")) != std::string::npos;)
        menu.replace(at, 15, "plane_swift_mk2");
    std::ofstream(run.resources("GUI/MainMenu.properties"), std::ios::binary) << menu;
    ASSERT_EQ(0, run.run("wait 300\nshot menu\n", {"ARG:MainMenu"})) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("menu", p));
    EXPECT_TRUE(isMainMenu(p));
    EXPECT_EQ(run.errors().find("plane_swift_mk2"), std::string::npos) << run.errors();
    EXPECT_GT(count(p, 8, 36, 108, 56, 0x90A8C0), 100) << "the plane's picture";
    const std::string saved = ProgramRun::read(run.resources("GUI/MainMenu.properties"));
    EXPECT_NE(saved.find("texture:..\\aircraft\\plane_swift mk2.jpg"), std::string::npos) << saved;
    EXPECT_NE(saved.find("mask:..\\aircraft\\plane_swift mk2mask.bmp"), std::string::npos) << saved;
}

TEST(SkyrendProgram, WithoutPlaneFilesNoFlightStarts)
{
    {
        ProgramRun run;
        fs::remove(run.resources("aircraft/plane_swift mk2.properties"));
        fs::remove(run.resources("aircraft/plane_tern.properties"));
        ASSERT_EQ(0, run.run("wait 300\nshot page\n", {"ARG:exerciseNow/0,0,0"})) << run.errors();
        os::host::Picture p;
        ASSERT_TRUE(run.shot("page", p));
        EXPECT_TRUE(isCover(p)) << run.errors();
    }
    {
        ProgramRun run;
        fs::remove(run.resources("aircraft/plane_swift mk2.properties"));
        fs::remove(run.resources("aircraft/plane_tern.properties"));
        ASSERT_EQ(0, run.run("wait 300\ntap 60 274\nwait 300\nshot menu\n", {"ARG:MainMenu"})) << run.errors();
        EXPECT_TRUE(shows(run.errors(), "There is no plane or no scene to fly")) << run.errors();
        os::host::Picture p;
        ASSERT_TRUE(run.shot("menu", p));
        EXPECT_TRUE(isMainMenu(p)) << "no restart";
    }
}

TEST(SkyrendProgram, RealWindowShowsTheCover)
{
    if (system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    ProgramRun run;
    ASSERT_EQ(0, run.runWith({"xvfb-run", "-a"}, "sdl", "wait 500\nshot window\n")) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("window", p)) << run.errors();
    EXPECT_TRUE(isCover(p)) << run.errors();
}

TEST(SkyrendProgram, RealWindowFliesAndEndsOnTheScoreboard)
{
    // From the menu into a flight and out to the scoreboard, two restarts in
    // a real window: xvfb-run's display lasts as long as the first process,
    // which stays until the programs it restarted into have ended. The
    // flight runs as fast as it draws; TAB shows its frame rate.
    if (system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    ProgramRun run;
    ASSERT_EQ(0, run.runWith({"xvfb-run", "-a"}, "sdl",
                             "wait 500\n"
                             "tap 40 192   # Kite\n"
                             "wait 200\n"
                             "tap 60 274   # Exercise\n"
                             "wait 8000\n"
                             "shot flight\n"
                             "key TAB      # the frame rate\n"
                             "wait 3000\n"
                             "shot rate\n"
                             "tap 220 277  # EXIT\n"
                             "wait 500\n"
                             "tap 80 277   # Yes\n"
                             "wait 1500\n"
                             "shot board\n",
                             {"ARG:MainMenu"}))
        << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("flight", p)) << run.errors();
    EXPECT_TRUE(isFlight(p)) << run.errors();
    const int before = count(p, 6, 2, 40, 16, 0xFFFFFF, 24);
    ASSERT_TRUE(run.shot("rate", p)) << run.errors();
    EXPECT_GT(count(p, 6, 2, 40, 16, 0xFFFFFF, 24), before + 10) << "the rate in white at the top left";
    ASSERT_TRUE(run.shot("board", p)) << run.errors();
    EXPECT_TRUE(isScoreboard(p)) << run.errors();
}

TEST(SkyrendProgram, AMissionQuitCountsOneMoreMission)
{
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 1500\nshot flight\ntap 220 277\nwait 300\ntap 80 277\nwait 1500\nshot board\n",
                         {"ARG:fightNow/0,1,2"}))
        << run.errors();
    ASSERT_TRUE(run.waitFor("board")) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("flight", p));
    EXPECT_TRUE(isFlight(p));
    ASSERT_TRUE(run.shot("board", p));
    EXPECT_TRUE(isScoreboard(p));
    const std::string pilots = ProgramRun::read(run.resources("GUI/tplist.properties"));
    EXPECT_NE(pilots.find("Rookie=ShootDown:0, BeShotDown:2, Missions:4"), std::string::npos) << pilots;
}

namespace {

// Rookie (ShootDown 0, BeShotDown 2, Missions 3) flies a mission of three
// enemies. Lost: a real flight, the nose held down until it points at the
// ground, then straight into it. Won: the enemies hit hard as the flight
// starts (SKYREND_ENEMY_DAMAGE), so they fall and crash. The dialog's OK
// then ends on the scoreboard with the downs counted and one more mission.
// Each ending is a case of its own (a long flight each).
struct MissionEnding
{
    const char* name;
    std::vector<std::string> env;
    std::string flight;
    const char* record;
};

const MissionEnding kMissionEndings[] = {
    {"lost",
     {},
     "wait 1500\nkeydown UP\nwait 5000\nkeyup UP\nwait 9000\n",
     "BeShotDown:3, Missions:4"}, // the enemies may fly into the ground meanwhile
    {"won", {"SKYREND_ENEMY_DAMAGE=100"}, "wait 40000\n", "ShootDown:3, BeShotDown:2, Missions:4"},
};

class SkyrendMission : public testing::TestWithParam<MissionEnding>
{};

} // namespace

TEST_P(SkyrendMission, EndsOnTheScoreboardWithThePilotsRecord)
{
    const MissionEnding& c = GetParam();
    SCOPED_TRACE(c.name);
    ProgramRun run;
    run.env = c.env;
    ASSERT_EQ(0, run.run(c.flight + "shot ending\ntap 120 276  # OK\nwait 1500\nshot board\n", {"ARG:fightNow/0,1,2"}))
        << run.errors();
    ASSERT_TRUE(run.waitFor("board")) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("ending", p));
    EXPECT_TRUE(isFlight(p));
    EXPECT_GT(count(p, 20, 180, 200, 60, 0xFFE6A0, 40), 40) << "the ending's message over the console";
    ASSERT_TRUE(run.shot("board", p));
    EXPECT_TRUE(isScoreboard(p));
    const std::string pilots = ProgramRun::read(run.resources("GUI/tplist.properties"));
    const size_t rookie = pilots.find("\nRookie=");
    ASSERT_NE(rookie, std::string::npos) << pilots;
    const std::string line = pilots.substr(rookie + 1, pilots.find('\n', rookie + 1) - rookie - 1);
    EXPECT_NE(line.find(c.record), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(Endings, SkyrendMission, testing::ValuesIn(kMissionEndings));

TEST(SkyrendProgram, APressAloneDoesNothingTheReleaseActs)
{
    ProgramRun run;
    ASSERT_EQ(0, run.run("wait 300\n"
                         "down 120 250  # Start, held\n"
                         "wait 500\n"
                         "shot held\n"
                         "up 120 250\n"
                         "wait 1500\n"
                         "shot released\n"))
        << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("held", p));
    EXPECT_TRUE(isCover(p));
    EXPECT_TRUE(near(p.at(74, 240), 0xE6B43C)) << "the held button shows its pressed colour";
    ASSERT_TRUE(run.shot("released", p));
    EXPECT_FALSE(isCover(p));
    EXPECT_GT(count(p, 0, 8, 240, 22, kTitle), 100) << "the intro";
}

namespace {

int occurrences(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

// Damaged files the game reads and writes: each is set aside beside itself
// (as it was), named once in a box, and the game goes on with its shipped
// copy: the settings, the main menu (no more endless "Load" bar) and the
// pilots, whose readable entries are kept. The next start says nothing.
TEST(SkyrendProgram, DamagedFilesAreSetAsideAndTheGameGoesOn)
{
    ProgramRun run;
    const std::string garbage("\x13\x00\xfe\x01garbage\x7f\x02", 12);
    const std::string pilots = "# my pilots\nlastPilotNo=0\nHawk=ShootDown:4, BeShotDown:0, Missions:5\n" + garbage +
                               "\nKite=" + garbage + "\n";
    std::ofstream(run.resources("GUI/MainMenu.properties"), std::ios::binary) << garbage << garbage;
    std::ofstream(run.resources("GUI/gsetting.properties"), std::ios::binary) << "soundEffect=GUIType:chec";
    std::ofstream(run.resources("GUI/tplist.properties"), std::ios::binary) << pilots;
    const std::string script = "wait 300\ntap 120 250  # Start\nwait 1500\ntap 120 294  # Main menu\nwait 1500\n"
                               "shot menu\n";
    ASSERT_EQ(0, run.run(script)) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("menu", p));
    EXPECT_TRUE(isMainMenu(p)) << run.errors();
    const std::string said = run.errors();
    for (const char* file : {"MainMenu.properties", "gsetting.properties", "tplist.properties"})
    {
        EXPECT_EQ(occurrences(said, std::string(file) + " was damaged"), 1) << file << ": " << said;
        EXPECT_TRUE(fs::exists(run.resources(std::string("GUI/") + file + ".damaged"))) << file;
    }
    EXPECT_EQ(ProgramRun::read(run.resources("GUI/tplist.properties.damaged")), pilots) << "nothing of it lost";
    EXPECT_EQ(ProgramRun::read(run.resources("GUI/MainMenu.properties")),
              ProgramRun::read(run.resources("GUI/defaults/MainMenu.properties")));
    const std::string roster = ProgramRun::read(run.resources("GUI/tplist.properties"));
    EXPECT_NE(roster.find("Hawk=ShootDown:4, BeShotDown:0, Missions:5"), std::string::npos) << roster;
    EXPECT_EQ(roster.find("Kite"), std::string::npos) << roster;

    std::filesystem::remove(run.out + "/stderr.txt");
    ASSERT_EQ(0, run.run(script)) << run.errors();
    EXPECT_EQ(run.errors().find("was damaged"), std::string::npos) << run.errors();
}

// The scoreboard's numbers are drawn whole: "...13" and "...123" beside the
// six stars, and the losses, each ending inside its cell.
TEST(SkyrendProgram, TheScoreboardShowsWholeNumbers)
{
    ProgramRun run;
    std::ofstream(run.resources("GUI/tplist.properties"))
        << "lastPilotNo=0\nAce=ShootDown:123, BeShotDown:100, Missions:300\nKite=ShootDown:13, BeShotDown:2, "
           "Missions:20\nOwl=ShootDown:2, BeShotDown:17, Missions:9\n";
    ASSERT_EQ(0, run.run("wait 1500\nshot board\n", {"ARG:scoreboard"})) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("board", p));
    ASSERT_TRUE(isScoreboard(p));
    // The rightmost text pixel of a cell (-1 when the cell holds none).
    auto lastTextColumn = [&](int x0, int x1, int y0) {
        int last = -1;
        for (int y = y0; y < y0 + 16; ++y)
            for (int x = x0; x < x1; ++x)
                if (near(p.at(x, y), 0xFFFFFF, 60))
                    last = std::max(last, x);
        return last;
    };
    const struct
    {
        const char* what;
        int x0, x1, row;
        bool text;
    } cells[] = {
        {"...123", 169, 211, 0, true}, {"...13", 169, 211, 1, true}, {"no number under seven", 169, 211, 2, false},
        {"100 lost", 212, 238, 0, true}, {"17 lost", 212, 238, 2, true},
    };
    for (const auto& c : cells)
    {
        const int last = lastTextColumn(c.x0, c.x1, 56 + 22 * c.row);
        if (!c.text)
        {
            EXPECT_EQ(last, -1) << c.what;
            continue;
        }
        EXPECT_GT(last, c.x0 + 8) << c.what;
        EXPECT_LT(last, c.x1 - 2) << c.what << ": the text reaches the cell's end, so it was cut";
    }
}

// The README's sample walk (games/skyrend/walk.txt) runs as it says: into
// an exercise, flown by keys, and out to the scoreboard.
TEST(SkyrendProgram, TheSampleWalkRunsToTheScoreboard)
{
    ProgramRun run;
    ASSERT_EQ(0, run.run(ProgramRun::read(os::testing::source_root() + "/games/skyrend/walk.txt"))) << run.errors();
    ASSERT_TRUE(run.waitFor("08-scoreboard")) << run.errors();
    os::host::Picture p;
    ASSERT_TRUE(run.shot("03-menu", p));
    EXPECT_TRUE(isMainMenu(p));
    for (const char* flight : {"04-flight", "05-fight", "06-cockpit"})
    {
        ASSERT_TRUE(run.shot(flight, p)) << flight;
        // The console below the flight (a near aircraft may be as dark as
        // its panel, so the view above is not counted here).
        EXPECT_TRUE(!isMainMenu(p) && near(p.at(230, 205), 0x18221A)) << flight;
    }
    ASSERT_TRUE(run.shot("08-scoreboard", p));
    EXPECT_TRUE(isScoreboard(p));
}
