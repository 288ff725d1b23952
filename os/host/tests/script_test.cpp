// script_test.cpp -- the headless input script: parsing and playback
#include "os/host/headless.h"
#include "os/host/headless/script.h"
#include "os/host/host.h"
#include "os/host/png.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace os::host;
using script::Op;

namespace {

std::vector<script::Command> parse_ok(const std::string& text)
{
    std::vector<script::Command> commands;
    std::string error;
    EXPECT_TRUE(script::parse(text, commands, error)) << "expected \"" << text << "\" to parse, got: " << error;
    return commands;
}

const char* type_name(EventType type)
{
    static const char* names[] = {"None",  "PenDown", "PenMove",  "PenUp",      "KeyDown",  "KeyUp",
                                  "Char",  "Close",   "Activate", "Deactivate", "Minimize", "Restore"};
    return names[int(type)];
}

// Every event the back end delivers until Close, as "time type x,y key ch".
std::vector<std::string> play_to_close()
{
    std::vector<std::string> seen;
    Event event;
    while (seen.size() < 1000 && backend().wait_event(event, INFINITE))
    {
        seen.push_back(std::to_string(event.time) + " " + type_name(event.type) + " " + std::to_string(event.x) + "," +
                       std::to_string(event.y) + " " + std::to_string(event.key) + " " + std::to_string(event.ch));
        if (event.type == EventType::Close)
        {
            break;
        }
    }
    return seen;
}

} // namespace

TEST(ScriptParse, PointerCommands)
{
    struct
    {
        const char* line;
        Op op;
        int x1, y1, x2, y2;
        uint32_t ms;
    } cases[] = {
        {"tap 10 20", Op::Tap, 10, 20, 0, 0, 0},
        {"down 0 319", Op::Down, 0, 319, 0, 0, 0},
        {"move -5 7", Op::Move, -5, 7, 0, 0, 0},
        {"up 239 0", Op::Up, 239, 0, 0, 0, 0},
        {"drag 1 2 3 4", Op::Drag, 1, 2, 3, 4, script::kDragMs},
        {"drag 1 2 3 4 1000", Op::Drag, 1, 2, 3, 4, 1000},
        {"  TAP\t0x10 0x20   # comment", Op::Tap, 16, 32, 0, 0, 0},
        {"tap 10 20\r", Op::Tap, 10, 20, 0, 0, 0},
    };
    for (auto& c : cases)
    {
        auto commands = parse_ok(c.line);
        ASSERT_EQ(1u, commands.size()) << c.line;
        auto& got = commands[0];
        EXPECT_EQ(c.op, got.op) << c.line;
        EXPECT_EQ(c.x1, got.x1) << c.line;
        EXPECT_EQ(c.y1, got.y1) << c.line;
        EXPECT_EQ(c.x2, got.x2) << c.line;
        EXPECT_EQ(c.y2, got.y2) << c.line;
        EXPECT_EQ(c.ms, got.ms) << c.line;
        EXPECT_EQ(1, got.line);
    }
}

TEST(ScriptParse, KeyNamesAndNumbers)
{
    struct
    {
        const char* word;
        UINT vk;
    } cases[] = {
        {"LEFT", 0x25}, {"RIGHT", 0x27}, {"UP", 0x26},    {"DOWN", 0x28},   {"RETURN", 0x0D}, {"ESCAPE", 0x1B},
        {"BACK", 0x08}, {"SPACE", 0x20}, {"TAB", 0x09},   {"APP1", 0xC1},   {"APP2", 0xC2},   {"APP3", 0xC3},
        {"APP4", 0xC4}, {"A", 0x41},     {"z", 0x5A},     {"0", 0x30},      {"9", 0x39},      {"return", 0x0D},
        {"13", 13},     {"0xC1", 0xC1},  {"255", 255},    {"0x0d", 0x0D},   {"PRIOR", 0x21},  {"pagedown", 0x22},
        {"HOME", 0x24}, {"END", 0x23},   {"DELETE", 0x2E},
    };
    for (auto& c : cases)
    {
        UINT vk = 0;
        EXPECT_TRUE(script::parse_key(c.word, vk)) << c.word;
        EXPECT_EQ(c.vk, vk) << "key " << c.word;
        auto commands = parse_ok(std::string("key ") + c.word + "\nkeydown " + c.word + "\nkeyup " + c.word);
        ASSERT_EQ(3u, commands.size());
        EXPECT_EQ(Op::Key, commands[0].op);
        EXPECT_EQ(Op::KeyDown, commands[1].op);
        EXPECT_EQ(Op::KeyUp, commands[2].op);
        for (auto& command : commands)
        {
            EXPECT_EQ(c.vk, command.vk) << "key " << c.word;
        }
    }
    for (const char* bad : {"", "F13", "256", "0x0", "-1", "AB", "0x", "APP5"})
    {
        UINT vk = 0;
        EXPECT_FALSE(script::parse_key(bad, vk)) << "expected '" << bad << "' to be refused";
    }
}

TEST(ScriptParse, AnswersTextShotsAndWaits)
{
    auto commands = parse_ok("# a comment\n\nanswer YES\nanswer no\nanswer 2\nanswer CANCEL\n"
                             "text \"Hi \\\"you\\\" #1\\n\"\ntext \"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"\n"
                             "text \"\"\nwait 250\nshot first\nshot\nshot a-b_c.png\nclose\n");
    ASSERT_EQ(12u, commands.size());
    int answers[] = {6, 7, 2, 2};
    for (int i = 0; i < 4; i++)
    {
        EXPECT_EQ(Op::Answer, commands[size_t(i)].op);
        EXPECT_EQ(answers[i], commands[size_t(i)].answer) << "answer line " << commands[size_t(i)].line;
    }
    EXPECT_EQ(3, commands[0].line) << "lines count comments and blank lines";
    EXPECT_EQ(u"Hi \"you\" #1\n", commands[4].text);
    EXPECT_EQ(u"\u00e9\u20ac\U0001F600", commands[5].text) << "UTF-8 becomes UTF-16, with a surrogate pair";
    EXPECT_EQ(u"", commands[6].text);
    EXPECT_EQ(Op::Wait, commands[7].op);
    EXPECT_EQ(250u, commands[7].ms);
    EXPECT_EQ("first", commands[8].name);
    EXPECT_EQ("", commands[9].name);
    EXPECT_EQ("a-b_c.png", commands[10].name);
    EXPECT_EQ(Op::Close, commands[11].op);
}

TEST(ScriptParse, WaitFileTakesAPathAndATimeLimit)
{
    struct
    {
        const char* line;
        const char* path;
        uint32_t ms;
    } cases[] = {
        {"waitfile /tmp/out/b-03-together.png", "/tmp/out/b-03-together.png", script::kWaitFileMs},
        {"WAITFILE ready 500  # a comment", "ready", 500},
        {"waitfile \"a folder/\xc3\xa9.png\" 0", "a folder/\xc3\xa9.png", 0},
    };
    for (auto& c : cases)
    {
        auto commands = parse_ok(c.line);
        ASSERT_EQ(1u, commands.size()) << c.line;
        EXPECT_EQ(Op::WaitFile, commands[0].op) << c.line;
        EXPECT_EQ(c.path, commands[0].name) << c.line;
        EXPECT_EQ(c.ms, commands[0].ms) << c.line;
    }
}

// A script carries the frame length it was timed with: one length for the
// whole run, wherever its line stands (a recorded script puts it at the top;
// a walk may take a recorded race in its middle), repeated lines alike.
TEST(ScriptParse, AFrameLineGivesTheRunsFrameLength)
{
    struct
    {
        const char* text;
        int64_t frame_ms; // -1: none
    } cases[] = {
        {"wait 10\nkey A\n", -1},
        {"frame 0\nwait 10\n", 0},
        {"# recorded with 30 ms frames\nFRAME 30 # a comment\nkey A\n", 30},
        {"tap 1 1\nwait 500\nframe 47\nkey UP\nframe 47\n", 47},
        {"frame 1000", 1000},
    };
    for (auto& c : cases)
    {
        auto commands = parse_ok(c.text);
        EXPECT_EQ(c.frame_ms, script::frame_length(commands)) << c.text;
    }
    // The line takes no time: what follows it is due as if it were not there.
    auto with = script::schedule(parse_ok("wait 100\nframe 30\nkey A\n"), 0, 0, true);
    auto without = script::schedule(parse_ok("wait 100\nkey A\n"), 0, 0, true);
    ASSERT_EQ(without.size(), with.size());
    for (size_t i = 0; i < with.size(); i++)
    {
        EXPECT_EQ(without[i].due, with[i].due) << i;
        EXPECT_EQ(without[i].event.type, with[i].event.type) << i;
    }
}

TEST(ScriptParse, AByteOrderMarkIsSkipped)
{
    auto commands = parse_ok("\xEF\xBB\xBFtap 1 2\nkey A\n");
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ(Op::Tap, commands[0].op);
    EXPECT_EQ(1, commands[0].line);
    std::vector<script::Command> refused;
    std::string error;
    EXPECT_FALSE(script::parse("tap 1 2\n\xEF\xBB\xBFkey A\n", refused, error)) << "only at the very start";
}

TEST(ScriptParse, MalformedLinesAreRefusedWithTheirLineNumber)
{
    struct
    {
        const char* text;
        const char* error;
    } cases[] = {
        {"jump 1 2", "line 1: unknown command 'jump'"},
        {"tap 1", "line 1: expected X Y"},
        {"tap 1 2 3", "line 1: expected X Y"},
        {"tap one 2", "line 1: 'one' is not a number"},
        {"tap 40000 2", "line 1: '40000' is not a number"},
        {"tap 1.5 2", "line 1: '1.5' is not a number"},
        {"\n\nkey F13", "line 3: 'F13' is not a key"},
        {"key", "line 1: expected a key"},
        {"wait", "line 1: expected wait MS"},
        {"wait -1", "line 1: '-1' is not a number"},
        {"wait 10\nwait 99999999999999999999", "line 2: '99999999999999999999' is not a number"},
        {"drag 1 2 3", "line 1: expected drag X1 Y1 X2 Y2 [MS]"},
        {"text hello", "line 1: expected text \"STRING\""},
        {"text \"open", "line 1: text has no closing quote"},
        {"text \"a\" \"b\"", "line 1: only one quoted text per line"},
        {"text \"bad \\q\"", "line 1: unknown escape in text"},
        {"text \"\xff\"", "line 1: text is not valid UTF-8"},
        {"text \"\xc3\"", "line 1: text is not valid UTF-8"},
        {"text \"\xed\xa0\x80\"", "line 1: text is not valid UTF-8"},
        {"tap 1 \"2\"", "line 1: '\"' is not a number"},
        {"\"x\"", "line 1: unknown command '\"...\"'"},
        {"shot ../evil", "line 1: '../evil' is not a file name"},
        {"shot a b", "line 1: expected shot [NAME]"},
        {"answer MAYBE", "line 1: 'MAYBE' is not a message box answer"},
        {"answer 0", "line 1: '0' is not a message box answer"},
        {"close now", "line 1: expected close with nothing after it"},
        {"waitfile", "line 1: expected waitfile PATH [MS]"},
        {"waitfile a 10 20", "line 1: expected waitfile PATH [MS]"},
        {"waitfile a soon", "line 1: 'soon' is not a number"},
        {"waitfile a -1", "line 1: '-1' is not a number"},
        {"waitfile a 3600001", "line 1: '3600001' is not a number"},
        {"waitfile \"\"", "line 1: waitfile needs a file name"},
        {"frame", "line 1: expected frame MS"},
        {"frame 20 30", "line 1: expected frame MS"},
        {"frame fast", "line 1: 'fast' is not a number from 0 to 1000"},
        {"frame 1001", "line 1: '1001' is not a number from 0 to 1000"},
        {"frame -1", "line 1: '-1' is not a number"},
        {"frame 30\nwait 10\nframe 31", "line 3: frame 31 after frame 30 on line 1: a script has one frame length"},
        {"tap 1 2\ntap 3 4\nkey LEFT\nbogus", "line 4: unknown command 'bogus'"},
    };
    for (auto& c : cases)
    {
        std::vector<script::Command> commands;
        commands.resize(1);
        std::string error;
        EXPECT_FALSE(script::parse(c.text, commands, error)) << "expected \"" << c.text << "\" to be refused";
        EXPECT_EQ(0u, error.find(c.error)) << "expected an error starting \"" << c.error << "\", got \"" << error << "\"";
        EXPECT_EQ(1u, commands.size()) << "a refused script leaves the output alone";
    }
}

TEST(ScriptPlayback, DeliversEventsAtTheirVirtualTimes)
{
    ASSERT_TRUE(headless::run_script_text("tap 10 20\nwait 100\nkey APP1\ntext \"hi\"\n"
                                          "drag 0 0 30 60 60\nkeydown LEFT\nwait 5\nkeyup LEFT\nclose\n"));
    std::vector<std::string> expected = {
        "0 PenDown 10,20 0 0",   "50 PenUp 10,20 0 0",    "150 KeyDown 0,0 193 0", "200 KeyUp 0,0 193 0",
        "200 Char 0,0 0 104",    "200 Char 0,0 0 105",    "200 PenDown 0,0 0 0",   "220 PenMove 10,20 0 0",
        "240 PenMove 20,40 0 0", "260 PenMove 30,60 0 0", "260 PenUp 30,60 0 0",   "260 KeyDown 0,0 37 0",
        "265 KeyUp 0,0 37 0",    "265 Close 0,0 0 0",
    };
    EXPECT_EQ(expected, play_to_close());
}

TEST(ScriptPlayback, EndsWithCloseAfterAShortPause)
{
    ASSERT_TRUE(headless::run_script_text("wait 1000\n"));
    Event event;
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    EXPECT_EQ(EventType::Close, event.type);
    EXPECT_EQ(1000u + script::kEndPauseMs, backend().now_ms());
}

TEST(ScriptPlayback, ProgramSleepsDoNotLoseEvents)
{
    ASSERT_TRUE(headless::run_script_text("tap 1 1\nwait 10\ntap 2 2\n"));
    backend().sleep_ms(5000); // the program is busy; everything falls due
    std::vector<std::string> expected = {"0 PenDown 1,1 0 0", "50 PenUp 1,1 0 0", "60 PenDown 2,2 0 0",
                                         "110 PenUp 2,2 0 0", "210 Close 0,0 0 0"};
    EXPECT_EQ(expected, play_to_close()) << "late events keep their order and times";
}

TEST(ScriptPlayback, RefusedScriptDeliversNothing)
{
    EXPECT_FALSE(headless::run_script_text("tap 1 1\ntap x\n"));
    Event event;
    EXPECT_FALSE(backend().wait_event(event, 10000));
    EXPECT_EQ(10000u, backend().now_ms());
}

TEST(ScriptPlayback, ScriptFileFromTheEnvironment)
{
    // The back end reads OS_SCRIPT when it starts: run it in a child process.
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    std::ofstream(folder + "/input.txt") << "wait 20\nkey 65\nbad line\n";
    std::ofstream(folder + "/good.txt") << "wait 20\nkey 65\n";
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/input.txt").c_str(), 1);
            Event event;
            bool got = backend().wait_event(event, 1000);
            exit(got ? 1 : 0);
        },
        testing::ExitedWithCode(0), "input.txt: line 3: unknown command 'bad'");
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/good.txt").c_str(), 1);
            Event event;
            bool got = backend().wait_event(event, 1000);
            exit(got && event.type == EventType::KeyDown && event.key == 65 && event.time == 20 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/missing.txt").c_str(), 1);
            Event event;
            exit(backend().wait_event(event, 1000) ? 1 : 0);
        },
        testing::ExitedWithCode(0), "missing.txt: cannot read the input script");
}

// The output folder is made by the first screenshot (a run that takes none
// leaves none behind).
TEST(ScriptPlayback, ShotsAreWrittenIntoTheOutputFolder)
{
    os::testing::ScratchFolder scratch("host");
    const std::string folder = scratch.path + "/made/by the first";
    setenv("OS_OUT", folder.c_str(), 1);
    Screen& shown = screen();
    uint16_t red = 0xF800;
    memcpy(shown.pixels, &red, 2);
    ASSERT_TRUE(headless::run_script_text("shot start\nwait 10\nshot\nshot later.png\n"));
    EXPECT_FALSE(std::filesystem::exists(folder)) << "made before a screenshot needed it";
    auto events = play_to_close();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(3, headless::shots_taken());
    for (const char* name : {"start.png", "shot-001.png", "later.png"})
    {
        Picture picture;
        ASSERT_TRUE(read_png(folder + "/" + name, picture)) << "expected " << name << " to be written";
        EXPECT_EQ(shown.width, picture.width);
        EXPECT_EQ(shown.height, picture.height);
        EXPECT_EQ(0xFF0000u, picture.at(0, 0)) << name;
        EXPECT_EQ(0u, picture.at(1, 0)) << name;
    }
}

TEST(ScriptPlayback, ChildEnvironmentHandsTheScriptOver)
{
    ASSERT_TRUE(headless::run_script_text("tap 1 1\nshot one\nkey APP1\nwait 100\ntap 5 5\nshot two\n"));
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    setenv("OS_OUT", folder.c_str(), 1);
    Event event;
    for (int i = 0; i < 3; i++)
    {
        ASSERT_TRUE(backend().wait_event(event, INFINITE));
    }
    EXPECT_EQ(EventType::KeyDown, event.type) << "the third event is the key press";
    auto vars = child_environment();
    std::vector<std::pair<std::string, std::string>> expected = {{"OS_SCRIPT_POS", "3"}, {"OS_SHOT_COUNT", "1"}};
    EXPECT_EQ(expected, vars) << "the child goes on after the key press; one shot was taken";
    backend().sleep_ms(10000);
    EXPECT_FALSE(backend().poll_event(event)) << "after the hand-over this process delivers no script events";
    EXPECT_FALSE(std::filesystem::exists(folder + "/two.png"));
    // Test input still arrives.
    headless::key(0x41);
    ASSERT_TRUE(backend().poll_event(event));
    EXPECT_EQ(0x41u, event.key);
}

TEST(ScriptPlayback, ChildResumesAtTheGivenPosition)
{
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    std::ofstream(folder + "/input.txt") << "tap 1 1\nkey APP1\nwait 100\ntap 5 5\n";
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/input.txt").c_str(), 1);
            setenv("OS_SCRIPT_POS", "2", 1);
            Event event;
            bool got = backend().wait_event(event, INFINITE);
            exit(got && event.type == EventType::PenDown && event.x == 5 && event.time == 100 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/input.txt").c_str(), 1);
            setenv("OS_SCRIPT_POS", "99", 1);
            Event event;
            bool got = backend().wait_event(event, INFINITE);
            exit(got && event.type == EventType::Close ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(ScriptPlayback, ScriptInputWaitsUntilTheProgramCanTakeIt)
{
    ASSERT_TRUE(headless::run_script_text("tap 1 1\nshot held\nwait 10\nkey A\n"));
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    setenv("OS_OUT", folder.c_str(), 1);
    Event event;
    backend().set_program_state({true, false});
    EXPECT_FALSE(backend().poll_event(event)) << "no window yet: the tap waits";
    backend().sleep_ms(1000);
    EXPECT_FALSE(backend().poll_event(event)) << "still no window";
    backend().set_program_state({true, true});
    ASSERT_TRUE(backend().poll_event(event));
    EXPECT_EQ(EventType::PenDown, event.type) << "the window exists: the tap comes";
    ASSERT_TRUE(backend().poll_event(event));
    EXPECT_EQ(EventType::PenUp, event.type);
    backend().set_program_state({false, true});
    EXPECT_FALSE(backend().poll_event(event)) << "busy: nothing more";
    EXPECT_FALSE(std::filesystem::exists(folder + "/held.png")) << "a shot waits until the program is idle";
    backend().set_program_state({true, true});
    ASSERT_TRUE(backend().poll_event(event));
    EXPECT_EQ(EventType::KeyDown, event.type);
    EXPECT_TRUE(std::filesystem::exists(folder + "/held.png"));
    headless::key(0x42);
    backend().set_program_state({false, false});
    ASSERT_TRUE(backend().poll_event(event)) << "input that is not scripted is never held";
}

// A waitfile holds what follows it until its file exists: the program's
// timed waits end without script input, its clock keeps to real time instead
// of spinning, an endless wait is not closed by the idle grace, and the
// commands after it keep their waits from its end.
TEST(ScriptPlayback, WaitFileHoldsTheScriptUntilTheFileExists)
{
    os::testing::ScratchFolder scratch("host");
    const std::string ready = scratch.path + "/ready.png";
    headless::set_idle_grace(10);
    ASSERT_TRUE(headless::run_script_text("tap 1 1\nwaitfile " + ready + "\nwait 10\ntap 2 2\n"));
    Event event;
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    EXPECT_EQ(EventType::PenDown, event.type);
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    EXPECT_EQ(EventType::PenUp, event.type);
    auto since = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; i++)
    {
        EXPECT_FALSE(backend().wait_event(event, 30)) << "no file: the tap after it is held";
    }
    for (int i = 0; i < 30; i++)
    {
        EXPECT_FALSE(backend().poll_event(event));
        backend().sleep_ms(10); // a program idling in a loop
    }
    auto real = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since);
    EXPECT_LE(backend().now_ms(), 50 + uint64_t(real.count()) + script::kWaitFileLeadMs)
        << "while it holds, the clock does not run ahead of real time";
    backend().wake();
    EXPECT_FALSE(backend().wait_event(event, INFINITE)) << "a wake still ends the wait";

    uint64_t before = 0;
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        before = backend().now_ms();
        std::ofstream(ready) << "done";
    });
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    writer.join();
    EXPECT_EQ(EventType::PenDown, event.type) << "the file came, not a Close for an idle program";
    EXPECT_EQ(2, event.x);
    EXPECT_GE(uint64_t(event.time), before + 10) << "its wait counts from the hold's end";
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    EXPECT_EQ(EventType::PenUp, event.type);
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    EXPECT_EQ(EventType::Close, event.type);
}

// A file already there lets the script on at once, its times untouched; a
// file that never comes holds as long as the line says, then the script goes
// on and says so.
TEST(ScriptPlayback, WaitFileGoesOnWhenItsTimeRunsOut)
{
    os::testing::ScratchFolder scratch("host");
    const std::string there = scratch.path + "/there";
    std::ofstream(there) << "x";
    const struct
    {
        std::string path;
        const char* ms;
        std::string said; // on stderr; empty: nothing
    } cases[] = {
        {there, "", ""},
        {scratch.path + "/never", "0", "waitfile " + scratch.path + "/never: no such file after 0 ms"},
        {scratch.path + "/never", "150", "waitfile " + scratch.path + "/never: no such file after 150 ms"},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.path + " " + c.ms);
        headless::set_time(1000);
        ASSERT_TRUE(headless::run_script_text("wait 5\nwaitfile " + c.path + " " + c.ms + "\nwait 10\nkey A\n"));
        testing::internal::CaptureStderr();
        Event event;
        bool got = backend().wait_event(event, INFINITE);
        std::string said = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(got);
        EXPECT_EQ(EventType::KeyDown, event.type);
        if (!c.said.empty())
        {
            EXPECT_NE(said.find("script line 2: " + c.said + "; the script goes on"), std::string::npos)
                << said;
            EXPECT_GE(event.time, 1015u);
        }
        else
        {
            EXPECT_EQ("", said);
            EXPECT_EQ(1015u, event.time) << "no hold, no shift";
        }
    }
}

TEST(ScriptPlayback, ARefusedScriptEndsTheRunBeforeTheProgramStarts)
{
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    struct
    {
        const char* text;
        const char* message;
    } cases[] = {
        {"wait 10\ntpa 1 2\n", "bad.txt: line 2: unknown command 'tpa'"},
        {"key ENTRE\n", "bad.txt: line 1: 'ENTRE' is not a key"},
    };
    for (auto& c : cases)
    {
        std::ofstream(folder + "/bad.txt") << c.text;
        EXPECT_EXIT(
            {
                setenv("OS_SCRIPT", (folder + "/bad.txt").c_str(), 1);
                begin_program();
                exit(0);
            },
            testing::ExitedWithCode(2), std::string(c.message) + ".*the program is not started");
    }
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/none.txt").c_str(), 1);
            begin_program();
            exit(0);
        },
        testing::ExitedWithCode(2), "none.txt: cannot read the input script");
    // A folder opens as a stream that reads nothing: it is no empty script.
    std::filesystem::create_directories(folder + "/scripts");
    EXPECT_EXIT(
        {
            setenv("OS_SCRIPT", (folder + "/scripts").c_str(), 1);
            begin_program();
            exit(0);
        },
        testing::ExitedWithCode(2), "scripts: a folder, not an input script.*the program is not started");
}

// A program run takes its frame length from the script's frame line, over
// OS_FRAME_MS; without one, from OS_FRAME_MS (default 20).
TEST(ScriptPlayback, TheScriptsFrameLengthWinsOverTheEnvironment)
{
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    struct
    {
        const char* script;
        const char* frame_ms; // OS_FRAME_MS, or null for none
        uint64_t three_frames;
    } cases[] = {
        {"frame 40\nwait 5000\n", "5", 120},   {"frame 0\nwait 5000\n", "50", 0},
        {"wait 5000\nframe 7\n", nullptr, 21}, {"wait 5000\n", "5", 15},
        {"wait 5000\n", nullptr, 60},
    };
    for (auto& c : cases)
    {
        std::ofstream(folder + "/input.txt") << c.script;
        EXPECT_EXIT(
            {
                setenv("OS_SCRIPT", (folder + "/input.txt").c_str(), 1);
                if (c.frame_ms)
                    setenv("OS_FRAME_MS", c.frame_ms, 1);
                else
                    unsetenv("OS_FRAME_MS");
                begin_program();
                Event event;
                backend().poll_event(event);
                uint64_t start = backend().now_ms();
                for (int frame = 0; frame < 3; frame++)
                {
                    backend().present(nullptr);
                    backend().poll_event(event);
                }
                uint64_t took = backend().now_ms() - start;
                fprintf(stderr, "three frames took %llu ms\n", (unsigned long long)took);
                exit(took == c.three_frames ? 0 : 1);
            },
            testing::ExitedWithCode(0), "three frames took")
            << c.script << " with OS_FRAME_MS=" << (c.frame_ms ? c.frame_ms : "(unset)");
    }
}

TEST(ScriptPlayback, AHeadlessRunWithoutAScriptEndsByItself)
{
    EXPECT_EXIT(
        {
            unsetenv("OS_SCRIPT");
            setenv("OS_RUN_LIMIT_MS", "1000", 1);
            begin_program();
            Event event;
            bool closed = backend().wait_event(event, INFINITE) && event.type == EventType::Close;
            if (!closed || backend().now_ms() != 1000)
            {
                exit(1);
            }
            for (int i = 0; i < 100; i++)
            {
                backend().sleep_ms(100); // a program that ignores the Close
            }
            exit(1);
        },
        testing::ExitedWithCode(0), "closed after 1000 ms of virtual time.*did not close within 2000 ms");
}

TEST(ScriptPlayback, AShotTheRunNeverReachedFailsTheEnd)
{
    os::testing::ScratchFolder scratch("host");
    const std::string& folder = scratch.path;
    setenv("OS_OUT", folder.c_str(), 1);
    ASSERT_TRUE(headless::run_script_text("shot first\nwait 10\nkey A\nwait 100\nshot last\n"));
    Event event;
    ASSERT_TRUE(backend().wait_event(event, INFINITE));
    EXPECT_EQ(EventType::KeyDown, event.type);
    std::vector<std::string> missed = backend().missed_shots();
    ASSERT_EQ(1u, missed.size()) << "the first was taken";
    EXPECT_EQ(folder + "/last.png: not taken, the program ended before the script reached it", missed[0]);
    EXPECT_EQ(3, end_program(0)) << "a program ending now ends with a failure";
    EXPECT_EQ(5, end_program(5)) << "its own failure status is kept";
}

TEST(ScriptPlayback, NoScriptNoChildVariables)
{
    EXPECT_TRUE(child_environment().empty());
}
