// menu_test.cpp -- key edges, rows, key remapping saved and restored, the
// key glyphs, darkening and the pause
#include <gtest/gtest.h>

#include <os/windows.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "content/ravenor/interface_pictures.h"
#include "os/host/png.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/front_end/interface_images.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_tables.h"
#include "shell_fixture.h"

namespace {

class MenuTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetMenus();
        std::memset(g_shell.keys, 0, sizeof g_shell.keys);
        const uint16_t pad[4] = {38, 40, 37, 39};
        for (int i = 0; i < 4; ++i)
            g_shell.keyMap.codes[i] = pad[i];
        g_settings = Settings{};
        SetDefaultKeys();
        g_shell.frameClock = 10;   // past the first five frames
        g_shell.paused = false;
        g_shell.stageOver = false;
    }

    static void Press(uint32_t key, int32_t& state)
    {
        g_shell.keys[key] = 1;
        RunMenu(state);
        g_shell.keys[key] = 0;
        RunMenu(state);
    }
};

TEST_F(MenuTest, HeldKeysWaitForTheFirstFiveFramesAndEachPressCountsOnce)
{
    g_shell.frameClock = 0;
    g_shell.keys[40] = 1;
    for (int frame = 0; frame < 5; ++frame, ++g_shell.frameClock)
        EXPECT_FALSE(MenuKeyDown()) << frame;
    // Still held after the first frames: not a new press
    EXPECT_FALSE(MenuKeyDown());
    g_shell.keys[40] = 0;
    EXPECT_FALSE(MenuKeyDown());
    g_shell.keys[40] = 1;
    EXPECT_TRUE(MenuKeyDown());
    EXPECT_FALSE(MenuKeyDown());
}

TEST_F(MenuTest, UpAndDownWrapRoundTheRowsOfTheScreen)
{
    struct Case
    {
        int32_t state;
        int32_t rows;
    } cases[] = {{kMenuMain, 3}, {kMenuOptions, 6}, {kMenuKeyRemap, 8}, {kMenuPause, 3}};
    for (const Case& c : cases)
    {
        int32_t state = c.state;
        g_menu.selection = 0;
        Press(38, state);
        EXPECT_EQ(c.rows - 1, g_menu.selection) << c.state;
        Press(40, state);
        EXPECT_EQ(0, g_menu.selection) << c.state;
        EXPECT_EQ(c.state, state);
    }
}

TEST_F(MenuTest, StageSelectStopsAtTheFirstAndLastStage)
{
    int32_t state = kMenuStageSelect;
    Press(37, state);
    EXPECT_EQ(0, g_menu.selectedStage);
    Press(39, state);
    EXPECT_EQ(1, g_menu.selectedStage);
    g_menu.selectedStage = 33;
    Press(39, state);
    EXPECT_EQ(33, g_menu.selectedStage);
    // Return on "start" chooses the stage
    g_menu.selection = 0;
    g_shell.keys[13] = 1;
    EXPECT_EQ(1, RunMenu(state));
}

TEST_F(MenuTest, KeyRemapTakesANewKeyRefusesEscapeAndIsSavedAndRestored)
{
    const std::string folder = std::string(getenv("OS_DEVICE_ROOT")) + "/Program Files/RavenorMenu";
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder + "/settings.bin");
    wcscpy(g_shell.programFolder, u"\\Program Files\\RavenorMenu\\");

    int32_t state = kMenuKeyRemap;
    g_menu.selection = 2;   // accelerate
    Press(13, state);
    ASSERT_EQ(3, g_menu.remapRow);
    // Escape is refused: the binding keeps waiting
    Press(27, state);
    EXPECT_EQ(3, g_menu.remapRow);
    EXPECT_EQ(113u, g_settings.keyAccelerate);
    Press('A', state);
    EXPECT_EQ(0, g_menu.remapRow);
    EXPECT_EQ(uint32_t{'A'}, g_settings.keyAccelerate);
    EXPECT_FALSE(KeysAreDefault());
    // The binding key did not also choose a row
    EXPECT_EQ(kMenuKeyRemap, state);

    SaveSettings();
    g_settings = Settings{};
    LoadSettings();
    EXPECT_EQ(uint32_t{'A'}, g_settings.keyAccelerate);
    EXPECT_EQ(120u, g_settings.keyBrake);

    // "defaults" puts the six keys back
    g_menu.selection = 6;
    Press(13, state);
    EXPECT_TRUE(KeysAreDefault());
}

// Return and the pad's keys are menu keys too: while a binding waits they
// belong to it, so binding one neither moves the selection nor chooses the
// row again (which would start a new binding that the next key overwrites).
TEST_F(MenuTest, BindingAMenuKeyNeitherMovesNorChoosesARow)
{
    struct Case
    {
        const char* what;
        uint32_t key;
        int32_t row;
        uint32_t Settings::*binding;
    } cases[] = {
        {"Return on accelerate", 13, 2, &Settings::keyAccelerate},
        {"Down on brake", 40, 3, &Settings::keyBrake},
        {"Up on left", 38, 0, &Settings::keyLeft},
    };
    for (const Case& c : cases)
    {
        SetDefaultKeys();
        int32_t state = kMenuKeyRemap;
        g_menu.selection = c.row;
        Press(13, state);
        ASSERT_EQ(c.row + 1, g_menu.remapRow) << c.what;
        g_shell.keys[c.key] = 1;
        RunMenu(state);
        EXPECT_EQ(c.key, g_settings.*c.binding) << c.what;
        EXPECT_EQ(0, g_menu.remapRow) << c.what << ": the binding key chose its row again";
        EXPECT_EQ(c.row, g_menu.selection) << c.what;
        // Held on, it stays one press
        RunMenu(state);
        g_shell.keys[c.key] = 0;
        RunMenu(state);
        EXPECT_EQ(c.key, g_settings.*c.binding) << c.what;
        EXPECT_EQ(0, g_menu.remapRow) << c.what;
        EXPECT_EQ(c.row, g_menu.selection) << c.what;
        EXPECT_EQ(kMenuKeyRemap, state) << c.what;
    }
}

// The read me's lines scroll up above the BACK button: a line that comes to
// the button goes out of sight instead of running behind it and its caption.
TEST_F(MenuTest, ReadMeLinesStayAboveTheBackButton)
{
    MountDemoArchive();
    ASSERT_EQ(1, LoadFont());
    LoadInterfaceImages();
    // White text cells in the rows of the button (190..209) and below it,
    // beside the caption in the middle
    const auto inkBesideCaption = [](int32_t timer) {
        int32_t state = kMenuReadMe;
        g_menu.timer = timer - 32;
        ClearFrame();
        RunMenu(state);
        int ink = 0;
        for (int y = 190; y < 216; ++y)
            for (int x = 0; x < kFrameWidth; ++x)
                ink += (x < 70 || x > 106) && (g_frame[y * kFrameWidth + x] & 0xFFFF) == 0xFFFF;
        return ink;
    };
    // The first line reaches y 200 at 3325; its neighbours follow 20 apart.
    for (int32_t timer : {3325, 3800, 4300, 5000})
        EXPECT_EQ(0, inkBesideCaption(timer)) << timer;
    // Higher up the lines are read.
    int32_t state = kMenuReadMe;
    g_menu.timer = 15000;
    ClearFrame();
    RunMenu(state);
    int ink = 0;
    for (int y = 0; y < 186; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            ink += (g_frame[y * kFrameWidth + x] & 0xFFFF) == 0xFFFF;
    EXPECT_GT(ink, 100);
}

// Every stage's briefing shows whole on the stage select: its lines above
// the route (all four for the demo) make one whole sentence of what the
// stage asks, and each line is drawn in its row within the screen. The
// screens are kept in "ravenor_briefings/" of the build folder.
TEST_F(MenuTest, EveryBriefingShowsWholeOnTheStageSelect)
{
    MountDemoArchive();
    ASSERT_EQ(1, LoadFont());
    LoadInterfaceImages();
    const std::set<std::string> sentences = {
        "DRIVE ONE LAP OF THE RING ROAD THROUGH EVERY CHECKPOINT",
        "PASS EVERY CHECKPOINT BEFORE THE CLOCK RUNS OUT",
        "PICK UP THE PARCEL AND DELIVER IT BEFORE TIME RUNS OUT",
        "CATCH THE CAR BY DRIVING INTO IT BEFORE IT GETS AWAY",
        "BEAT YOUR RIVAL TO THE FINISH",
        "COLLECT EVERY QUESTION MARK BEFORE TIME RUNS OUT",
    };
    std::filesystem::create_directories("ravenor_briefings");
    const int32_t rows[4] = {30, 45, 60, 75};
    for (int32_t stage = 0; stage < kStageCount; ++stage)
    {
        const Briefing& briefing = StageBriefing(stage);
        const int sentenceLines = stage == 0 ? 4 : 3;
        std::string sentence;
        for (int i = 0; i < sentenceLines; ++i)
            if (briefing.lines[i][0] != 0)
                sentence += (sentence.empty() ? "" : " ") + std::string(briefing.lines[i]);
        EXPECT_EQ(1u, sentences.count(sentence)) << stage << ": " << sentence;
        EXPECT_NE(0, briefing.lines[3][0]) << stage << ": the last line";

        int32_t state = kMenuStageSelect;
        g_menu.selectedStage = stage;
        g_menu.timer = 2000;
        ClearFrame();
        RunMenu(state);
        std::vector<uint16_t> pixels(kFrameCells);
        for (int i = 0; i < kFrameCells; ++i)
            pixels[i] = static_cast<uint16_t>(g_frame[i]);
        os::host::write_png("ravenor_briefings/stage" + std::to_string(stage) + ".png", kFrameWidth, kFrameHeight, 16,
                            kFrameWidth * 2, pixels.data());
        const auto white = [](int x, int y) { return (g_frame[y * kFrameWidth + x] & 0xFFFF) == 0xFFFF; };
        for (int i = 0; i < 4; ++i)
        {
            if (briefing.lines[i][0] == 0)
                continue;
            EXPECT_LE(GetTextWidth(briefing.lines[i]), kFrameWidth - 8) << stage << ": " << briefing.lines[i];
            int ink = 0;
            int atTheEdges = 0;
            for (int y = rows[i] - 6; y < rows[i] + 6; ++y)
                for (int x = 0; x < kFrameWidth; ++x)
                {
                    ink += white(x, y);
                    atTheEdges += (x < 2 || x >= kFrameWidth - 2) && white(x, y);
                }
            EXPECT_GT(ink, 20) << stage << ": " << briefing.lines[i];
            EXPECT_EQ(0, atTheEdges) << stage << ": " << briefing.lines[i];
        }
    }
}

TEST_F(MenuTest, KeyGlyphs)
{
    struct
    {
        uint32_t code;
        char glyph;
    } cases[] = {{40, 'D'}, {38, 'U'}, {37, 'L'}, {39, 'R'}, {13, 'A'},  {27, 'B'},  {48, '0'}, {57, '9'},
                 {114, 'T'}, {115, 'E'}, {119, 'S'}, {120, 'H'}, {113, 'F'}, {51, '3'}, {64, 'C'}, {79, 'Z'}};
    for (auto c : cases)
        EXPECT_EQ(c.glyph, KeyGlyph(c.code)) << c.code;
    // The picture of the default layout names the default keys by the glyphs
    // the controls and key remap screens show for them.
    const uint32_t keys[6] = {g_settings.keyLeft,  g_settings.keyRight,     g_settings.keyAccelerate,
                              g_settings.keyBrake, g_settings.keyHandbrake, g_settings.keyPause};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(std::string(1, KeyGlyph(keys[i])), ravenor_content::kDefaultKeyGlyphs[i]) << i;
}

// A key bound beyond the key table (256, 257, 258) is flagged when a stage
// starts; such a key is never down.
TEST_F(MenuTest, KeyFlagsTellTheCodesBeyondTheKeyTable)
{
    UpdateKeyFlags();
    EXPECT_FALSE(g_menu.keyFlags[0] || g_menu.keyFlags[1] || g_menu.keyFlags[2]);
    g_settings.keyPause = 257;
    g_settings.keyBrake = 258;
    UpdateKeyFlags();
    EXPECT_FALSE(g_menu.keyFlags[0]);
    EXPECT_TRUE(g_menu.keyFlags[1]);
    EXPECT_TRUE(g_menu.keyFlags[2]);
    EXPECT_FALSE(IsKeyDown(257));
}

TEST_F(MenuTest, DarkeningScalesEachChannelAndKeepsTheDepth)
{
    g_frame[0] = 0x1234FFFFu;   // white at depth 0x1234
    g_frame[1] = 0x7FFF0000u;
    g_frame[2] = 0x00010821u;   // the smallest step of each channel
    DarkenScreen();
    const uint32_t r = (31 * 200) >> 8, g = (63 * 25) >> 5, b = (31 * 200) >> 8;
    EXPECT_EQ(0x12340000u | r << 11 | g << 5 | b, g_frame[0]);
    EXPECT_EQ(0x7FFF0000u, g_frame[1]);
    EXPECT_EQ(0x00010000u, g_frame[2]);
}

TEST_F(MenuTest, ThePauseKeyPausesAndContinueLeaves)
{
    g_settings.keyPause = 51;
    g_shell.keys[51] = 1;
    ReadControls();
    EXPECT_EQ(0, CheckPause());
    EXPECT_TRUE(g_shell.paused);
    EXPECT_EQ(kMenuPause, g_shell.pauseMenuState);
    g_shell.keys[51] = 0;
    // Return on "continue" (row 0) leaves the pause
    EXPECT_EQ(1, CheckPause());
    g_shell.keys[13] = 1;
    EXPECT_EQ(1, CheckPause());
    EXPECT_FALSE(g_shell.paused);
    // "quit" ends the stage
    g_shell.keys[13] = 0;
    g_shell.keys[51] = 1;
    ReadControls();
    CheckPause();
    g_shell.keys[51] = 0;
    g_menu.selection = 1;
    CheckPause();
    g_shell.keys[13] = 1;
    CheckPause();
    EXPECT_TRUE(g_shell.stageOver);
    EXPECT_FALSE(g_shell.paused);
}

// A key held when the pause opens is judged by the menu's key edges alone:
// the driving keys (F2, F9, F8) are no menu keys and leave the selection;
// the pad's down, never seen down before, is one press and moves one row,
// and it does not move again while it stays held. Return then chooses the
// selected row ("continue" leaves the pause, "quit" ends the stage).
TEST_F(MenuTest, KeysHeldWhenThePauseOpensActByTheirEdges)
{
    struct Case
    {
        uint32_t held;
        int32_t selection;
    };
    const Case cases[] = {{113, 0}, {120, 0}, {119, 0}, {40, 1}};
    for (const Case& c : cases)
    {
        ResetMenus();
        g_shell.paused = false;
        g_shell.stageOver = false;
        g_shell.keys[c.held] = 1;
        g_shell.keys[g_settings.keyPause] = 1;
        ReadControls();
        CheckPause();
        g_shell.keys[g_settings.keyPause] = 0;
        ASSERT_TRUE(g_shell.paused) << c.held;
        for (int frame = 0; frame < 3; ++frame)
            CheckPause();
        EXPECT_EQ(c.selection, g_menu.selection) << c.held;
        g_shell.keys[13] = 1;
        CheckPause();
        g_shell.keys[13] = 0;
        g_shell.keys[c.held] = 0;
        EXPECT_FALSE(g_shell.paused) << c.held;
        EXPECT_EQ(c.selection == 1, g_shell.stageOver) << c.held << ": row " << c.selection << " chosen";
    }
}

} // namespace
