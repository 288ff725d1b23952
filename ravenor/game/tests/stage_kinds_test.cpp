// stage_kinds_test.cpp -- one stage of each kind played to its end by a person's keys
//
// Ravenor runs as a real process, headless, from a device of its own (a copy
// of the build's program folder), entering the stage named on its command
// line; the keys come from a script in tests/stages/ at their times of the
// headless clock. The screenshots are read back: the message lines, the
// countdown's digit, the HUD (drawn only under the chase camera unless a
// record asks for it under every camera), and the front end at the end.
// They are kept in "ravenor_stage_kinds/" of the build folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "content/ravenor/image_writer.h"
#include "os/testing/host.h"
#include "os/testing/program_run.h"

namespace {

const char* const kKindsProgramFolder = "/Program Files/Ravenor";

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A run of the program on a device of its own
struct StageRun
{
    os::testing::ScratchFolder scratch{"ravenor_stage"};
    std::string device = scratch.path + "/device";
    std::string errors = scratch.path + "/stderr.txt";

    StageRun()
    {
        const std::string folder = device + kKindsProgramFolder;
        std::filesystem::create_directories(folder);
        std::filesystem::copy(os::testing::built_device_root() + kKindsProgramFolder, folder,
                              std::filesystem::copy_options::recursive);
        std::filesystem::remove(folder + "/settings.bin");
    }

    // The stage played by the script to the script's end; answers the exit status
    int Play(int stage, const std::string& script) const
    {
        const std::string program = device + kKindsProgramFolder + "/Ravenor";
        return os::testing::run_and_wait(
            {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>\"" + errors + "\"", program, "stage", std::to_string(stage)},
            {"OS_DEVICE_ROOT=" + device, "OS_BACKEND=headless", "OS_SCRIPT=" + script, "OS_OUT=" + scratch.path,
             "OS_IDLE_GRACE_MS=2000"},
            {"OS_SCRIPT_POS", "OS_SHOT_COUNT", "OS_SCREEN"});
    }

    bool Shot(const std::string& name, os::host::Picture& picture) const
    {
        return os::host::read_png(scratch.path + "/" + name + ".png", picture);
    }
};

// White ink in a box of the screen
int WhiteInk(const os::host::Picture& picture, int left, int top, int right, int bottom)
{
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            ink += picture.at(x, y) == 0xFFFFFF;
    return ink;
}

// A message line drawn from row top
int MessageInk(const os::host::Picture& picture, int top)
{
    return WhiteInk(picture, 0, top, 176, top + 12);
}

// White pixels of a stroke at the top left, where the race clock stands:
// the large clock draws each pixel of its glyphs as a square of two by two,
// so a pixel counts when a white square holds it. A star behind the clock is
// a single pixel and never counts, even beside a stroke.
std::vector<bool> ClockStrokes(const os::host::Picture& picture)
{
    auto white = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 60 && y < 14 && picture.at(x, y) == 0xFFFFFF;
    };
    auto square = [&](int x, int y) {
        return white(x, y) && white(x + 1, y) && white(x, y + 1) && white(x + 1, y + 1);
    };
    std::vector<bool> strokes(60 * 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 60; ++x)
            strokes[y * 60 + x] = square(x - 1, y - 1) || square(x, y - 1) || square(x - 1, y) || square(x, y);
    return strokes;
}

int ClockInk(const os::host::Picture& picture)
{
    int ink = 0;
    for (bool b : ClockStrokes(picture))
        ink += b;
    return ink;
}

// The clock shows the same time in two pictures
bool SameClock(const os::host::Picture& a, const os::host::Picture& b)
{
    return ClockStrokes(a) == ClockStrokes(b);
}

// The front end's main screen: its long green buttons
bool MainMenu(const os::host::Picture& picture)
{
    const uint32_t green = os::host::rgb565_to_rgb(ravenor_content::Rgb565(0x20, 0x60, 0x20));
    int button = 0;
    for (int y = 120; y < 200; ++y)
        for (int x = 0; x < 176; ++x)
            button += picture.at(x, y) == green;
    return button > 2000;
}

// What each screenshot of a run shows
enum class Check
{
    kStartLines,      // the stage's two start lines at y 50 and 60
    kLineAt40,        // a message line at y 40
    kLineAt60,        // a message line at y 60
    kDigit,           // the countdown's large digit (or "GO") at y 100
    kClock,           // the race clock drawn
    kNoHud,           // no clock: a level camera's view
    kMainMenu,        // the front end after the stage
};

struct Shot
{
    const char* name;
    std::vector<Check> checks;
};

struct Kind
{
    const char* kind;
    int stage;
    const char* script;
    std::vector<Shot> shots;
    // Two shots between which the race clock stands still
    const char* clockStops = nullptr;
    const char* clockStill = nullptr;
};

void Expect(const Kind& k, const Shot& s, const os::host::Picture& p)
{
    const std::string where = std::string(k.kind) + " " + s.name;
    for (Check c : s.checks)
    {
        switch (c)
        {
        case Check::kStartLines:
            EXPECT_GT(MessageInk(p, 50), 60) << where;
            EXPECT_GT(MessageInk(p, 60), 60) << where;
            break;
        case Check::kLineAt40: EXPECT_GT(MessageInk(p, 40), 40) << where; break;
        case Check::kLineAt60: EXPECT_GT(MessageInk(p, 60), 40) << where; break;
        case Check::kDigit: EXPECT_GT(WhiteInk(p, 60, 98, 116, 114), 20) << where; break;
        case Check::kClock: EXPECT_GT(ClockInk(p), 15) << where; break;
        case Check::kNoHud: EXPECT_EQ(0, ClockInk(p)) << where; break;
        case Check::kMainMenu: EXPECT_TRUE(MainMenu(p)) << where; break;
        }
    }
}

const std::vector<Kind>& Kinds()
{
    using C = Check;
    static const std::vector<Kind> kinds = {
        // A camera flies over the start (the clock shows under it), a false
        // start costs three seconds, the bonus line stops the clock, the
        // slow lorry holds the car, the finish line is driven through and a
        // camera beside it watches (the clock stopped and still shown).
        {"checkpoints",
         31,
         "checkpoints_stage31.txt",
         {{"flight", {C::kStartLines, C::kClock}},
          {"false_start", {C::kLineAt40, C::kDigit, C::kClock}},
          {"lorry", {C::kLineAt40}},
          {"bonus", {C::kLineAt60}},
          {"finish", {C::kLineAt60, C::kClock}},
          {"outro", {C::kLineAt60, C::kClock}},
          {"result", {C::kMainMenu}}},
         "finish",
         "outro"},
        // Question marks counted, the clock stopped by the second, a crowd
        // near the last, then a camera beside it
        {"pick-ups",
         32,
         "pickups_stage32.txt",
         {{"countdown", {C::kStartLines, C::kDigit}},
          {"first", {C::kClock}},
          {"frozen", {C::kLineAt60, C::kClock}},
          {"frozen_later", {C::kClock}},
          {"crowd", {C::kClock}},
          {"collected", {C::kLineAt60, C::kNoHud}},
          {"outro", {C::kLineAt60, C::kNoHud}},
          {"result", {C::kMainMenu}}},
         "frozen",
         "frozen_later"},
        // The car up the middle street caught, then a camera over the town
        {"catch",
         8,
         "catch_stage8.txt",
         {{"countdown", {C::kStartLines, C::kDigit}},
          {"chase", {C::kClock}},
          {"caught", {C::kLineAt60}},
          {"outro", {C::kLineAt60, C::kNoHud}},
          {"result", {C::kMainMenu}}}},
        // A camera on the grid, a false start that holds the car, roads
        // closed at "GO", the rival overtaken, the win, a camera at the finish
        {"race",
         9,
         "race_stage9.txt",
         {{"grid", {C::kStartLines, C::kNoHud}},
          {"false_start", {C::kLineAt40, C::kDigit}},
          {"closed", {C::kLineAt40}},
          {"overtake", {}},
          {"finish", {C::kLineAt60}},
          {"outro", {C::kLineAt60}},
          {"result", {C::kMainMenu}}}},
        // The parcel, a camera at the drop while the car is held, a second
        // countdown, the police, the drop, a camera beside it
        {"delivery",
         15,
         "delivery_stage15.txt",
         {{"countdown", {C::kStartLines, C::kDigit}},
          {"cutscene", {C::kLineAt60, C::kNoHud}},
          {"go_again", {C::kDigit, C::kClock}},
          {"police", {C::kLineAt40, C::kClock}},
          {"pull_over", {C::kLineAt40, C::kClock}},
          {"delivered", {C::kLineAt60}},
          {"outro", {C::kLineAt60, C::kNoHud}},
          {"result", {C::kMainMenu}}}},
    };
    return kinds;
}

// Each kind's stage in a case of its own, named by its kind
class StageKind : public testing::TestWithParam<size_t>
{};

std::string KindName(const testing::TestParamInfo<size_t>& info)
{
    std::string name = Kinds()[info.param].kind;
    name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

} // namespace

TEST_P(StageKind, IsPlayedToItsEnd)
{
    std::filesystem::create_directories("ravenor_stage_kinds");
    const Kind& k = Kinds()[GetParam()];
    const std::string script = os::testing::source_root() + "/ravenor/game/tests/stages/" + k.script;
    ASSERT_TRUE(std::filesystem::exists(script)) << script;
    StageRun run;
    EXPECT_EQ(0, run.Play(k.stage, script)) << ReadText(run.errors);
    std::vector<os::host::Picture> pictures(k.shots.size());
    for (size_t i = 0; i < k.shots.size(); ++i)
    {
        ASSERT_TRUE(run.Shot(k.shots[i].name, pictures[i])) << k.shots[i].name << "\n" << ReadText(run.errors);
        std::filesystem::copy_file(run.scratch.path + "/" + k.shots[i].name + ".png",
                                   "ravenor_stage_kinds/stage" + std::to_string(k.stage) + "_" + k.shots[i].name +
                                       ".png",
                                   std::filesystem::copy_options::overwrite_existing);
        Expect(k, k.shots[i], pictures[i]);
    }
    // Where the stage stops the clock (the finish line reached, a question
    // mark's freeze), it stands still from one shot to the next.
    if (k.clockStops != nullptr)
    {
        auto at = [&](const char* name) -> const os::host::Picture& {
            for (size_t i = 0; i < k.shots.size(); ++i)
                if (std::string(k.shots[i].name) == name)
                    return pictures[i];
            return pictures.front();
        };
        EXPECT_TRUE(SameClock(at(k.clockStops), at(k.clockStill)))
            << "the clock ran on from " << k.clockStops << " to " << k.clockStill;
    }
}

INSTANTIATE_TEST_SUITE_P(StageKinds, StageKind, testing::Range(size_t{0}, Kinds().size()), KindName);

// The stage select shows the stage's briefing above its showcase car as the
// car turns: for the stages whose car is the tall van (9 to 12), the rows of
// every briefing line hold only the backdrop and the line's own ink, never
// the car (the van's roof once reached into the fourth line).
TEST(StageKinds, TheStageSelectKeepsTheBriefingClearOfTheCar)
{
    // Return opens the stage select on the first stage; Right (39) steps on.
    std::string script = "wait 1500\nkeydown 13\nwait 100\nkeyup 13\nwait 1200\n";
    for (int i = 0; i < 8; ++i)
        script += "keydown 39\nwait 100\nkeyup 39\nwait 100\n";
    std::vector<std::string> shots;
    for (int stage = 9; stage <= 12; ++stage)
    {
        script += "keydown 39\nwait 100\nkeyup 39\n";
        for (int turn = 0; turn < 5; ++turn)
        {
            shots.push_back("select" + std::to_string(stage) + "_" + std::to_string(turn));
            script += "wait 700\nshot " + shots.back() + "\n";
        }
    }
    StageRun run;
    const std::string scriptFile = run.scratch.path + "/select.txt";
    std::ofstream(scriptFile) << script;
    const std::string program = run.device + kKindsProgramFolder + "/Ravenor";
    EXPECT_EQ(0, os::testing::run_and_wait({program},
                                           {"OS_DEVICE_ROOT=" + run.device, "OS_BACKEND=headless",
                                            "OS_SCRIPT=" + scriptFile, "OS_OUT=" + run.scratch.path,
                                            "OS_IDLE_GRACE_MS=2000"},
                                           {"OS_SCRIPT_POS", "OS_SHOT_COUNT", "OS_SCREEN"}));
    for (const std::string& name : shots)
    {
        os::host::Picture p;
        ASSERT_TRUE(run.Shot(name, p)) << name;
        for (int line : {30, 45, 60, 75})
        {
            const uint32_t backdrop = p.at(0, line);
            int ink = 0;
            int other = 0;
            for (int y = line - 6; y <= line + 2; ++y)
                for (int x = 20; x < 156; ++x)
                {
                    ink += p.at(x, y) == 0xFFFFFF;
                    other += p.at(x, y) != 0xFFFFFF && p.at(x, y) != backdrop;
                }
            EXPECT_EQ(0, other) << name << ": the car in the rows of the line at " << line;
            if (line != 60 || name.rfind("select9", 0) != 0)
            {
                EXPECT_GT(ink, 20) << name << ": the line at " << line;
            }
        }
    }
}
