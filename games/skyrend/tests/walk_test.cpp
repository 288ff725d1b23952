// walk_test.cpp -- a person's walk through every page of the single-player
// road, run headless from the device tree: cover, intro, main menu, a new
// pilot, settings, scoreboard, the manual (read from its pack), the restart
// back to the intro, and the last page. Each page's screenshot is checked
// for what its template draws.
#include "games/skyrend/tests/program_fixture.h"

using namespace skyrend_test;

namespace {

const uint32_t kPageTitle = 0xFFE080;   // page headings
const uint32_t kButton = 0x284678;  // button fill
const uint32_t kChecked = 0x78DC78; // a check box that is on
const uint32_t kUnchecked = 0x1E2846;

const char kWalk[] = "wait 500\n"
                     "shot 01-cover\n"
                     "tap 120 250      # Start\n"
                     "wait 1500\n"
                     "shot 02-intro\n"
                     "tap 120 294      # Main menu\n"
                     "wait 1500\n"
                     "shot 03-menu\n"
                     "tap 116 246      # New\n"
                     "wait 300\n"
                     "text \"Falcon7\"\n"
                     "wait 200\n"
                     "shot 04-newpilot\n"
                     "tap 196 272      # OK\n"
                     "wait 500\n"
                     "shot 05-added\n"
                     "tap 92 305       # Settings\n"
                     "wait 1500\n"
                     "shot 06-settings\n"
                     "tap 93 69        # sound effects off\n"
                     "wait 300\n"
                     "tap 157 69       # the device mixes sounds\n"
                     "wait 300\n"
                     "shot 07-soundoff\n"
                     "tap 120 298      # Done\n"
                     "wait 1500\n"
                     "tap 34 305       # Scores\n"
                     "wait 1500\n"
                     "shot 08-scoreboard\n"
                     "tap 120 300      # Main menu\n"
                     "wait 1500\n"
                     "tap 150 305      # Manual\n"
                     "wait 1500\n"
                     "shot 09-manual\n"
                     "tap 120 294      # Close: the program restarts on the intro\n"
                     "wait 2500\n"
                     "shot 10-intro-again\n"
                     "tap 120 294      # Main menu\n"
                     "wait 1500\n"
                     "tap 206 305      # Quit\n"
                     "wait 1500\n"
                     "shot 11-back\n"
                     "tap 70 244       # Exit\n"
                     "wait 500\n";

bool yellowish(uint32_t c)
{
    Rgb p = rgb(c);
    return p.r > 200 && p.g > 150 && p.b < 200;
}

} // namespace

TEST(SkyrendWalk, EveryPageOfTheRoadIsDrawnFromItsTemplate)
{
    ProgramRun run;
    ASSERT_EQ(0, run.run(kWalk)) << run.errors();
    ASSERT_TRUE(run.waitFor("11-back")) << run.errors();
    os::host::Picture p;

    ASSERT_TRUE(run.shot("01-cover", p));
    EXPECT_GT(count(p, 0, 72, 240, 36, kPageTitle), 300) << "the title";
    EXPECT_TRUE(near(p.at(4, 4), 0x101830)) << "the sky picture";
    EXPECT_TRUE(near(p.at(74, 240), kButton)) << "the Start button";

    ASSERT_TRUE(run.shot("02-intro", p));
    EXPECT_GT(count(p, 0, 8, 240, 22, kPageTitle), 100) << "the heading";
    EXPECT_LT(count(p, 0, 38, 240, 128, 0x000000, 8), 240 * 128 / 2) << "the film strip";

    ASSERT_TRUE(run.shot("03-menu", p));
    EXPECT_GT(count(p, 0, 2, 240, 20, kPageTitle), 100) << "the heading";
    EXPECT_TRUE(near(p.at(12, 266), kButton)) << "the Exercise button";
    EXPECT_TRUE(near(p.at(12, 60), 0x121A30)) << "the background through the plane picture's mask";
    EXPECT_FALSE(near(p.at(60, 60), 0x121A30)) << "the plane picture";

    ASSERT_TRUE(run.shot("04-newpilot", p));
    EXPECT_TRUE(near(p.at(12, 310), 0x1E2850)) << "the new-pilot box";

    ASSERT_TRUE(run.shot("05-added", p));
    EXPECT_FALSE(near(p.at(12, 310), 0x1E2850)) << "the box went";
    const std::string pilots = ProgramRun::read(run.resources("GUI/tplist.properties"));
    EXPECT_NE(pilots.find("Falcon7=ShootDown:0, BeShotDown:0, Missions:0"), std::string::npos) << pilots;
    EXPECT_NE(pilots.find("lastPilotNo=3"), std::string::npos) << pilots;
    EXPECT_EQ(pilots.find("# The pilots and their scores:"), 0u) << "comments stay: " << pilots;

    ASSERT_TRUE(run.shot("06-settings", p));
    EXPECT_TRUE(near(p.at(29, 69), kChecked)) << "sound effects on";
    EXPECT_TRUE(near(p.at(93, 69), kUnchecked)) << "off not chosen";
    EXPECT_TRUE(near(p.at(157, 69), kUnchecked)) << "sounds not mixed by the device";
    ASSERT_TRUE(run.shot("07-soundoff", p));
    EXPECT_TRUE(near(p.at(29, 69), kUnchecked));
    EXPECT_TRUE(near(p.at(93, 69), kChecked));
    EXPECT_TRUE(near(p.at(157, 69), kChecked));
    const std::string settings = ProgramRun::read(run.resources("GUI/gsetting.properties"));
    auto line = [&](const char* key) {
        const size_t entry = settings.find(key);
        return entry == std::string::npos ? std::string() : settings.substr(entry, settings.find('\n', entry) - entry);
    };
    EXPECT_NE(line("soundEffect=").find("selected:1"), std::string::npos) << "the choice is kept: " << settings;
    EXPECT_NE(line("soundHwdMixing=").find("status:1"), std::string::npos) << "the box is kept: " << settings;

    ASSERT_TRUE(run.shot("08-scoreboard", p));
    // Kite (9 down) first with six stars, then Ace (3 down) with three.
    for (int s = 0; s < 6; ++s)
        EXPECT_TRUE(yellowish(p.at(96 + s * 12 + 5, 62))) << "Kite's star " << s;
    EXPECT_TRUE(yellowish(p.at(120 + 5, 84)));
    EXPECT_FALSE(yellowish(p.at(132 + 5, 84))) << "Ace has three stars";
    EXPECT_GT(count(p, 169, 56, 42, 16, 0xFFFFFF, 40), 10) << "...9 after Kite's stars";

    ASSERT_TRUE(run.shot("09-manual", p));
    EXPECT_TRUE(near(p.at(4, 4), 0xE8DCC0)) << "the manual's paper, read from manual.zip";

    ASSERT_TRUE(run.shot("10-intro-again", p));
    EXPECT_GT(count(p, 0, 8, 240, 22, kPageTitle), 100) << "the intro, in the restarted program";

    ASSERT_TRUE(run.shot("11-back", p));
    EXPECT_GT(count(p, 0, 70, 240, 24, kPageTitle), 100) << "the question";
    EXPECT_GT(count(p, 20, 120, 200, 64, 0xC06030, 30), 1000) << "the rolling prompt";
}
