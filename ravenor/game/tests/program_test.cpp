// program_test.cpp -- Ravenor run as a real process from the build's device tree
//
// The program runs headless with an input script; its screenshots and its
// standard error are read back.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "content/ravenor/demo_content.h"
#include "content/ravenor/image_writer.h"
#include "os/testing/host.h"
#include "os/testing/program_run.h"

namespace {

const char* const kProgramFolder = "/Program Files/Ravenor";

std::string ProgramPath(const std::string& deviceRoot = os::testing::built_device_root())
{
    return deviceRoot + kProgramFolder + "/Ravenor";
}

// One run of the program, on a device of its own: a copy of the build's
// program folder without "settings.bin" in the run's scratch folder, so that
// what it saves stays there and runs side by side share no file.
struct ProgramRun
{
    os::testing::ScratchFolder scratch{"ravenor"};
    std::string out = scratch.path;
    std::string script = out + "/input.txt";
    std::string errors = out + "/stderr.txt";
    std::vector<std::string> args;      // the command line
    std::vector<std::string> wrapper;   // a program that runs it (xvfb-run -a), found on the path
    std::string deviceRoot = out + "/device";

    explicit ProgramRun(const std::string& text)
    {
        std::ofstream(script) << text;
        const std::string folder = deviceRoot + kProgramFolder;
        std::filesystem::create_directories(folder);
        std::filesystem::copy(os::testing::built_device_root() + kProgramFolder, folder,
                              std::filesystem::copy_options::recursive);
        std::filesystem::remove(folder + "/settings.bin");
    }

    // A second run on the device of another (a second start of the program)
    ProgramRun(const std::string& text, const ProgramRun& on) : deviceRoot(on.deviceRoot)
    {
        std::ofstream(script) << text;
    }

    std::string SavedFile(const std::string& name) const
    {
        return deviceRoot + kProgramFolder + "/" + name;
    }

    // Runs the program to its end; answers its exit status (-1 when it did not exit).
    int Run(const std::vector<std::string>& env = {}) const
    {
        return Wait(Start(env));
    }

    static int Wait(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t Start(const std::vector<std::string>& env = {}) const
    {
        const pid_t pid = fork();
        if (pid == 0)
        {
            setenv("OS_DEVICE_ROOT", deviceRoot.c_str(), 1);
            setenv("OS_BACKEND", "headless", 1);
            setenv("OS_SCRIPT", script.c_str(), 1);
            setenv("OS_OUT", out.c_str(), 1);
            setenv("OS_IDLE_GRACE_MS", "2000", 1);
            unsetenv("OS_SCRIPT_POS");
            unsetenv("OS_SHOT_COUNT");
            unsetenv("OS_SCREEN");
            for (const std::string& pair : env)
                putenv(const_cast<char*>(pair.c_str()));
            if (!freopen(errors.c_str(), "w", stderr))
                _exit(126);
            const std::string path = ProgramPath(deviceRoot);
            std::vector<char*> argv;
            for (const std::string& part : wrapper)
                argv.push_back(const_cast<char*>(part.c_str()));
            argv.push_back(const_cast<char*>(path.c_str()));
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    bool Shot(const std::string& name, os::host::Picture& picture) const
    {
        return os::host::read_png(out + "/" + name + ".png", picture);
    }

    std::string Errors() const
    {
        std::ifstream in(errors);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

uint32_t ShownColour(uint32_t rgb)
{
    const uint16_t pixel = ravenor_content::Rgb565(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
    return os::host::rgb565_to_rgb(pixel);
}

// The front end's main screen: the title picture round the rows, the
// buttons and their captions
void ExpectMainMenu(const os::host::Picture& picture)
{
    const std::vector<uint32_t> title = ravenor_content::TitleScreen();
    for (auto [x, y] : {std::pair{0, 219}, {175, 219}, {175, 176}, {2, 205}})
        EXPECT_EQ(ShownColour(title[y * 176 + x]), picture.at(x, y)) << x << "," << y;
    int ink = 0;
    int button = 0;
    for (int y = 120; y < 200; ++y)
        for (int x = 0; x < 176; ++x)
        {
            ink += picture.at(x, y) == 0xFFFFFF;
            button += picture.at(x, y) == ShownColour(0x206020);
        }
    EXPECT_GT(ink, 40) << "the captions of the rows";
    EXPECT_GT(button, 2000) << "the long buttons";
}

} // namespace

// Started from the device tree it shows the splash while loading, then the
// front end's main screen from "demo.bin" through the display layer and the
// GDI driver, and ends when its window is closed.
TEST(RavenorProgram, ShowsTheSplashThenTheFrontEndThenEndsOnClose)
{
    ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << ProgramPath();
    ProgramRun run("shot splash\n"
                   "wait 300\n"
                   "key UP\n"
                   "tap 20 30\n"
                   "wait 1200\n"
                   "shot frame\n");
    EXPECT_EQ(0, run.Run()) << run.Errors();
    os::host::Picture splash;
    ASSERT_TRUE(run.Shot("splash", splash)) << run.Errors();
    EXPECT_EQ(0u, splash.at(0, 79));
    EXPECT_EQ(ShownColour(ravenor_content::kSplashBackground), splash.at(0, 80));
    EXPECT_EQ(ShownColour(ravenor_content::kSplashBar), splash.at(20, 80 + 60));
    EXPECT_EQ(ShownColour(ravenor_content::kSplashBackground), splash.at(175, 219));

    os::host::Picture picture;
    ASSERT_TRUE(run.Shot("frame", picture)) << run.Errors();
    ASSERT_EQ(176, picture.width);
    ASSERT_EQ(220, picture.height);
    ExpectMainMenu(picture);
}

TEST(RavenorProgram, TooLittleMemoryEndsWithTheMessage)
{
    struct Case
    {
        const char* memory;
        bool starts;
    };
    const Case cases[] = {{"OS_MEM_AVAIL=4499999", false}, {"OS_MEM_AVAIL=4500000", true}};
    for (const Case& c : cases)
    {
        ProgramRun run("wait 100\nshot frame\n");
        // A run that ends before its script's shot reports it with status 3.
        EXPECT_EQ(c.starts ? 0 : 3, run.Run({c.memory})) << c.memory;
        os::host::Picture picture;
        EXPECT_EQ(c.starts, run.Shot("frame", picture)) << c.memory;
        const bool told = run.Errors().find("Not enough memory to run. This program requires around 4.5M available "
                                            "memory. Try freeing memory by closing down applications") !=
                          std::string::npos;
        EXPECT_EQ(!c.starts, told) << c.memory << ": " << run.Errors();
    }
}

// A second start finds the running window, brings it to the front and ends
// with 0 without a window of its own.
TEST(RavenorProgram, SecondStartLeavesTheFirstRunning)
{
    std::string script = "shot up\n";
    for (int i = 0; i < 10; ++i)
        script += "wait 3600000\n";
    ProgramRun first(script);
    const pid_t running = first.Start();
    // Ends the first instance however the test goes
    struct Stop
    {
        pid_t pid;
        ~Stop()
        {
            kill(pid, SIGTERM);
            ProgramRun::Wait(pid);
        }
    } stop{running};
    const std::string up = first.out + "/up.png";
    for (int i = 0; i < 600 && !std::filesystem::exists(up); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(up)) << first.Errors();

    ProgramRun second("shot second\n", first);
    EXPECT_EQ(3, second.Run()) << "it ends at once, before its script's shot (reported with status 3)";
    EXPECT_NE(std::string::npos, second.Errors().find("Ravenor is already running on this device; this copy ends"))
        << second.Errors();
    os::host::Picture picture;
    EXPECT_FALSE(second.Shot("second", picture)) << "the second start opened a window";

    EXPECT_EQ(0, waitpid(running, nullptr, WNOHANG)) << "the first instance ended";
}

namespace {

std::string LapScript()
{
    std::ifstream in(os::testing::source_root() + "/ravenor/game/tests/first_stage_lap.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Pixels of the player's blue body in the lower middle of the picture
int CarPixels(const os::host::Picture& picture)
{
    int count = 0;
    for (int y = 100; y < 200; ++y)
        for (int x = 40; x < 136; ++x)
        {
            const uint32_t c = picture.at(x, y);
            count += (c & 0xFF) > 0x90 && (c >> 16 & 0xFF) < 0x60 && (c >> 8 & 0xFF) < 0x70;
        }
    return count;
}

// White text of the finish's "WELL DONE" at y 60
int WellDoneInk(const os::host::Picture& picture)
{
    int ink = 0;
    for (int y = 60; y < 72; ++y)
        for (int x = 40; x < 136; ++x)
            ink += picture.at(x, y) == 0xFFFFFF;
    return ink;
}

} // namespace

// "stage 0" enters the first stage at once: the car waits behind the
// countdown, drives the ring road by the script's keys through the three
// checkpoints and the finish, the finish's line is shown in the stage, and
// the title follows.
TEST(RavenorProgram, DrivesTheFirstStageRoundTheRing)
{
    const std::string script = LapScript();
    ASSERT_FALSE(script.empty());
    ProgramRun run(script);
    run.args = {"stage", "0"};
    // The lap's keys were recorded on a clock that only waits move.
    EXPECT_EQ(0, run.Run({"OS_FRAME_MS=0"})) << run.Errors();
    os::host::Picture countdown;
    os::host::Picture straight;
    os::host::Picture corner;
    os::host::Picture finish;
    os::host::Picture finished;
    ASSERT_TRUE(run.Shot("countdown", countdown)) << run.Errors();
    ASSERT_TRUE(run.Shot("straight", straight));
    ASSERT_TRUE(run.Shot("first_corner", corner));
    ASSERT_TRUE(run.Shot("finish", finish));
    ASSERT_TRUE(run.Shot("after_finish", finished));
    for (const os::host::Picture* shot : {&countdown, &straight, &corner, &finish})
        EXPECT_GT(CarPixels(*shot), 300);
    EXPECT_GT(WellDoneInk(finish), 60);
    // The car moved: the two pictures of the stage differ above it
    int changed = 0;
    for (int y = 20; y < 100; ++y)
        for (int x = 0; x < 176; ++x)
            changed += countdown.at(x, y) != straight.at(x, y);
    EXPECT_GT(changed, 1000);
    // After the finish the front end's main screen
    ExpectMainMenu(finished);
}

// "demo.bin" cut short or missing: the player is told why the game cannot
// start, and the program ends with status 1 without a window of its own.
TEST(RavenorProgram, UnusableDataIsSaidAndEndsWithStatusOne)
{
    for (const bool missing : {false, true})
    {
        ProgramRun run("wait 100\n");
        const std::string archive = run.SavedFile("demo.bin");
        if (missing)
        {
            std::filesystem::remove(archive);
        }
        else
        {
            std::filesystem::resize_file(archive, std::filesystem::file_size(archive) / 2);
        }
        EXPECT_EQ(1, run.Run()) << run.Errors();
        const std::string said = run.Errors();
        EXPECT_NE(std::string::npos, said.find("The game's data \"demo.bin\" cannot be used")) << said;
        EXPECT_FALSE(std::filesystem::exists(run.SavedFile("settings.bin"))) << "ended before the settings";
    }
}

// A "settings.bin" of random bytes: the player is told once, the file is
// kept aside as "settings.bin.damaged", and the game drives on the default
// keys (the car accelerates).
TEST(RavenorProgram, DamagedSettingsAreSetAsideAndTheDefaultsDrive)
{
    const std::string lap = LapScript();
    ProgramRun run(lap.substr(0, lap.find("shot straight\n") + 14));
    run.args = {"stage", "0"};
    std::vector<char> random(44);
    uint32_t seed = 4711;
    for (char& b : random)
        b = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    std::ofstream(run.SavedFile("settings.bin"), std::ios::binary).write(random.data(), 44);
    EXPECT_EQ(0, run.Run()) << run.Errors();
    const std::string said = run.Errors();
    const size_t told = said.find("settings.bin was damaged");
    ASSERT_NE(std::string::npos, told) << said;
    EXPECT_EQ(std::string::npos, said.find("settings.bin was damaged", told + 1)) << "told once: " << said;
    std::ifstream aside(run.SavedFile("settings.bin.damaged"), std::ios::binary);
    EXPECT_EQ(random, std::vector<char>(std::istreambuf_iterator<char>(aside), {}));
    EXPECT_EQ(44u, std::filesystem::file_size(run.SavedFile("settings.bin")));
    os::host::Picture countdown;
    os::host::Picture straight;
    ASSERT_TRUE(run.Shot("countdown", countdown));
    ASSERT_TRUE(run.Shot("straight", straight));
    int changed = 0;
    for (int y = 20; y < 100; ++y)
        for (int x = 0; x < 176; ++x)
            changed += countdown.at(x, y) != straight.at(x, y);
    EXPECT_GT(changed, 1000) << "the car drove on";
}

TEST(RavenorProgram, UnknownCommandIsSaidAndTheFrontEndShown)
{
    ProgramRun run("wait 1500\nshot frame\n");
    run.args = {"stadium", "3"};
    EXPECT_EQ(0, run.Run()) << run.Errors();
    EXPECT_NE(std::string::npos, run.Errors().find("unknown command \"stadium 3\"")) << run.Errors();
    os::host::Picture picture;
    ASSERT_TRUE(run.Shot("frame", picture));
    ExpectMainMenu(picture);
}

namespace {

// Pixels of one colour (as shown) in rows top..bottom - 1, columns left..right - 1
int ColourCount(const os::host::Picture& picture, uint32_t rgb, int top, int bottom, int left = 0, int right = 176)
{
    const uint32_t shown = ShownColour(rgb);
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += picture.at(x, y) == shown;
    return count;
}

int Differences(const os::host::Picture& a, const os::host::Picture& b, int top, int bottom, int left, int right)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += a.at(x, y) != b.at(x, y);
    return count;
}

} // namespace

// A person's game: the main screen, the options with the sound, detail,
// credits, read-me and controls screens, the pause key bound to "4" on the
// key remap screen and saved, the stage select, the first stage started
// with Return, paused with "4", its sound screen opened and left, continued
// and driven to its finish, its last line shown in the stage, and the stage
// select again without it. The program runs from a device of its own (what
// it saves stays there); the screenshots are kept in the build folder
// ("ravenor_front_end_walk/").
TEST(RavenorProgram, PlaysFromTheFrontEndThroughTheFirstStageAndBack)
{
    std::ifstream in(os::testing::source_root() + "/ravenor/game/tests/front_end_walk.txt");
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_FALSE(text.str().empty());
    ProgramRun run(text.str());
    EXPECT_EQ(0, run.Run()) << run.Errors();
    enum Shot
    {
        kMain,
        kOptions,
        kSound,
        kDetail,
        kCredits,
        kReadMe,
        kControls,
        kRemap,
        kRemapWaiting,
        kRemapDone,
        kControlsRemapped,
        kMainAgain,
        kSelect,
        kCountdown,
        kStraight,
        kPaused,
        kPausedSound,
        kFirstCorner,
        kFinish,
        kResult,
        kShots,
    };
    const char* const names[kShots] = {"menu_main",       "menu_options",  "menu_sound",
                                       "menu_detail",     "menu_credits",  "menu_read_me",
                                       "menu_controls",   "menu_remap",
                                       "menu_remap_waiting", "menu_remap_done", "menu_controls_remapped",
                                       "menu_main_again", "menu_select",   "countdown",
                                       "straight",        "paused",        "paused_sound",  "first_corner",
                                       "finish",          "result"};
    os::host::Picture shots[kShots];
    std::filesystem::create_directories("ravenor_front_end_walk");
    for (int i = 0; i < kShots; ++i)
    {
        ASSERT_TRUE(run.Shot(names[i], shots[i])) << names[i] << run.Errors();
        std::filesystem::copy_file(run.out + "/" + names[i] + ".png",
                                   std::string("ravenor_front_end_walk/") + names[i] + ".png",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    ExpectMainMenu(shots[kMain]);
    ExpectMainMenu(shots[kMainAgain]);
    // Each screen under its lettered title plate
    struct Title
    {
        Shot shot;
        uint32_t fill;
        int top;
        int bottom;
    };
    const Title titles[] = {{kOptions, 0x206020, 17, 44},  {kSound, 0x603060, 17, 44},
                            {kDetail, 0x804020, 17, 44},   {kCredits, 0x602040, 17, 44},
                            {kControls, 0x206060, 7, 34},
                            {kControlsRemapped, 0x206060, 7, 34}, {kPaused, 0x303080, 17, 44}};
    for (const Title& t : titles)
    {
        EXPECT_GT(ColourCount(shots[t.shot], t.fill, t.top, t.bottom), 600) << names[t.shot];
        EXPECT_GT(ColourCount(shots[t.shot], 0xFFFFFF, t.top, t.bottom), 80) << names[t.shot] << ": its lettering";
    }
    // The credits line on its way across the screen, the read-me column rising
    EXPECT_GT(ColourCount(shots[kCredits], 0xFFFFFF, 112, 126), 150) << "the credits line";
    EXPECT_GT(ColourCount(shots[kReadMe], 0xFFFFFF, 160, 190), 100) << "the release notes";
    // With the default keys the controls screen shows the layout picture; once
    // a key is bound elsewhere the six bindings, each glyph on its key cap.
    const uint32_t layoutFill = 0x202838;
    const uint32_t capFace = 0x283040;
    EXPECT_GT(ColourCount(shots[kControls], layoutFill, 56, 166), 6000);
    EXPECT_EQ(0, ColourCount(shots[kControlsRemapped], layoutFill, 56, 166));
    EXPECT_GT(ColourCount(shots[kControlsRemapped], capFace, 40, 160, 128, 152), 6 * 120);
    // The remap screen: the waiting pause binding blinks, and "4" replaced
    // its glyph while the other rows kept theirs (Escape was refused).
    EXPECT_GT(ColourCount(shots[kRemap], capFace, 12, 130, 128, 152), 6 * 120) << "the glyphs' key caps";
    EXPECT_EQ(0, Differences(shots[kRemap], shots[kRemapDone], 12, 109, 130, 150)) << "the first five glyphs";
    EXPECT_GT(Differences(shots[kRemap], shots[kRemapDone], 112, 129, 130, 150), 5) << "the pause glyph";
    // Saved when the options were left: the pause key 52 and the louder effects
    std::ifstream saved(run.SavedFile("settings.bin"), std::ios::binary);
    uint32_t words[11] = {};
    ASSERT_TRUE(saved.read(reinterpret_cast<char*>(words), sizeof words)) << "settings.bin";
    EXPECT_EQ(52u, words[10]);
    EXPECT_GT(words[2], 58u) << "the effects volume";
    EXPECT_EQ(58u, words[3]) << "the music volume";
    const os::host::Picture& select = shots[kSelect];
    const os::host::Picture& finish = shots[kFinish];
    const os::host::Picture& result = shots[kResult];
    // The stage select: its backdrop and the first stage's briefing
    const uint32_t back = ShownColour(0x000020);
    EXPECT_EQ(back, select.at(2, 100));
    EXPECT_EQ(back, result.at(2, 100));
    EXPECT_GT(CarPixels(select), 300) << "the attract car";
    EXPECT_GT(CarPixels(result), 300) << "the attract car after the stage";
    for (Shot shot : {kCountdown, kStraight, kFirstCorner, kFinish})
        EXPECT_GT(CarPixels(shots[shot]), 300) << names[shot];
    EXPECT_GT(Differences(shots[kCountdown], shots[kStraight], 20, 100, 0, 176), 1000) << "the car drove";
    // Paused: the world stands behind the pause menu; after "continue" the
    // stage goes on to its finish, whose "WELL DONE" is drawn in the stage.
    EXPECT_EQ(0, Differences(shots[kStraight], shots[kPaused], 60, 80, 0, 176)) << "the world moved while paused";
    // The pause menu's sound screen: the radio, the two sliders' knobs, "back"
    EXPECT_EQ(0, Differences(shots[kStraight], shots[kPausedSound], 20, 60, 0, 176)) << "the world moved";
    EXPECT_GT(ColourCount(shots[kPausedSound], 0x804020, 70, 90), 60) << "the radio";
    EXPECT_GT(ColourCount(shots[kPausedSound], 0x909090, 90, 160), 2 * 80) << "the knobs";
    EXPECT_GT(ColourCount(shots[kPausedSound], 0x206020, 190, 211), 800) << "back";
    EXPECT_GT(WellDoneInk(finish), 60);
    EXPECT_NE(back, finish.at(2, 100)) << "the finish is seen in the stage";
    // and the stage select after it shows its briefing alone: the text above
    // the attract car is the one it showed before the stage
    EXPECT_EQ(0, Differences(select, result, 0, 80, 0, 176)) << "a line left over on the stage select";
}

// A first start (no "settings.bin") plays on the default keys as the
// README lists them: F2 (113) drives the car off after the countdown, the
// digit 3 (51) opens the pause menu over a world that stands still, and
// Return on "continue" lets it drive on. The defaults are saved at once.
TEST(RavenorProgram, TheDefaultKeysDriveAndPauseAStage)
{
    ProgramRun run("wait 2914\nshot countdown\nwait 1363\nkeydown 113\nwait 2914\nshot driving\n"
                   "keyup 113\nkeydown 51\nwait 94\nkeyup 51\nwait 423\nshot paused\nwait 470\n"
                   "shot paused_later\nkey RETURN\nwait 500\nkeydown 113\nwait 1000\nshot continued\n");
    run.args = {"stage", "0"};
    EXPECT_EQ(0, run.Run()) << run.Errors();
    std::ifstream saved(run.SavedFile("settings.bin"), std::ios::binary);
    uint32_t words[11] = {};
    ASSERT_TRUE(saved.read(reinterpret_cast<char*>(words), sizeof words)) << "settings.bin";
    EXPECT_EQ((std::vector<uint32_t>{113, 120, 119, 51}), std::vector<uint32_t>(words + 7, words + 11));
    const char* const names[] = {"countdown", "driving", "paused", "paused_later", "continued"};
    os::host::Picture shots[5];
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(run.Shot(names[i], shots[i])) << names[i] << run.Errors();
    auto& [countdown, driving, paused, pausedLater, continued] = shots;
    EXPECT_GT(Differences(countdown, driving, 20, 100, 0, 176), 1000) << "F2 drove the car";
    const uint32_t pausePlate = 0x303080;
    EXPECT_GT(ColourCount(paused, pausePlate, 17, 44), 600) << "3 opened the pause menu";
    EXPECT_EQ(0, Differences(paused, pausedLater, 60, 80, 0, 176)) << "the world moved while paused";
    EXPECT_LT(ColourCount(continued, pausePlate, 17, 44), 100) << "the pause menu left";
    EXPECT_GT(Differences(pausedLater, continued, 20, 100, 0, 176), 1000) << "the car drove on";
}

namespace {

std::string TestScript(const std::string& name)
{
    std::ifstream in(os::testing::source_root() + "/ravenor/game/tests/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// White ink of a message line drawn from row top
int LineInk(const os::host::Picture& picture, int top)
{
    int ink = 0;
    for (int y = top; y < top + 12; ++y)
        for (int x = 0; x < 176; ++x)
            ink += picture.at(x, y) == 0xFFFFFF;
    return ink;
}

// Three stages of different kinds played to their end by their scripts, one
// case each: the checkpoints of stage 1, the delivery of stage 2 and the
// race of stage 4.
// Each shows the countdown, a line on the way ("CHECKPOINT 1", "PARCEL
// LOADED"), its winning line at y 60 and then the front end. The
// screenshots are kept in "ravenor_stage_runs/" of the build folder.
struct ScriptedStage
{
    const char* script;
    const char* stage;
    const char* middle;
    int middleTop; // the row of its line, -1 none
};

const ScriptedStage kScriptedStages[] = {{"stage1_checkpoints.txt", "1", "checkpoint", 70},
                                         {"stage2_delivery.txt", "2", "loaded", 60},
                                         {"stage4_race.txt", "4", "racing", -1}};

// One stage a case, named by its number ("Stage2")
class ScriptedStageRun : public testing::TestWithParam<ScriptedStage>
{};

std::string ScriptedStageName(const testing::TestParamInfo<ScriptedStage>& info)
{
    return std::string("Stage") + info.param.stage;
}

} // namespace

TEST_P(ScriptedStageRun, PlaysToItsEnd)
{
    const ScriptedStage& c = GetParam();
    std::filesystem::create_directories("ravenor_stage_runs");
    const std::string script = TestScript(c.script);
    ASSERT_FALSE(script.empty()) << c.script;
    ProgramRun run(script);
    run.args = {"stage", c.stage};
    EXPECT_EQ(0, run.Run()) << run.Errors();
    const char* const names[] = {"countdown", c.middle, "finish", "result"};
    os::host::Picture shots[4];
    for (int i = 0; i < 4; ++i)
    {
        ASSERT_TRUE(run.Shot(names[i], shots[i])) << c.script << " " << names[i] << run.Errors();
        std::filesystem::copy_file(run.out + "/" + names[i] + ".png",
                                   std::string("ravenor_stage_runs/stage") + c.stage + "_" + names[i] + ".png",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // The countdown's large digit at y 100, the start lines above it
    EXPECT_GT(LineInk(shots[0], 100), 20) << c.script;
    EXPECT_GT(LineInk(shots[0], 50), 60) << c.script;
    if (c.middleTop >= 0)
    {
        EXPECT_GT(LineInk(shots[1], c.middleTop), 40) << c.script;
    }
    EXPECT_GT(LineInk(shots[2], 60), 40) << c.script << ": the winning line";
    ExpectMainMenu(shots[3]);
}

INSTANTIATE_TEST_SUITE_P(RavenorProgram, ScriptedStageRun, testing::ValuesIn(kScriptedStages), ScriptedStageName);

// A stage chosen on the stage select: three steps right from the demo show
// stage 3's briefing, Return starts it, the car is caught ("GOT IT") and
// the stage select comes back with the same briefing.
TEST(RavenorProgram, ChoosesAStageOnTheStageSelectAndPlaysIt)
{
    const std::string script = TestScript("front_end_stage3.txt");
    ASSERT_FALSE(script.empty());
    ProgramRun run(script);
    EXPECT_EQ(0, run.Run()) << run.Errors();
    const char* const names[] = {"select_demo", "select_stage3", "countdown", "caught", "result"};
    os::host::Picture shots[5];
    std::filesystem::create_directories("ravenor_stage_runs");
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_TRUE(run.Shot(names[i], shots[i])) << names[i] << run.Errors();
        std::filesystem::copy_file(run.out + "/" + names[i] + ".png",
                                   std::string("ravenor_stage_runs/front_end_") + names[i] + ".png",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // The briefing above the attract car changed with the stage and is the
    // same again after it
    auto briefingDiffers = [](const os::host::Picture& a, const os::host::Picture& b) {
        int differ = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 176; ++x)
                differ += a.at(x, y) != b.at(x, y);
        return differ;
    };
    EXPECT_GT(briefingDiffers(shots[0], shots[1]), 100);
    EXPECT_EQ(0, briefingDiffers(shots[1], shots[4]));
    EXPECT_GT(LineInk(shots[2], 50), 60) << "the stage's start lines";
    EXPECT_GT(LineInk(shots[3], 60), 20) << "GOT IT";
}

// In a real window (SDL under a virtual X server) with sound: the front end,
// then the first stage chosen with Return, while SDL's disk audio driver keeps
// the mix the window plays (the title tune, then the stage's tune and engine).
TEST(RavenorProgram, RealWindowPlaysTheFrontEndAndAStageWithSound)
{
    if (system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    // Real time in a window: the waits leave room for a busy machine to
    // finish the splash, the loading and the menu's fade.
    ProgramRun run("wait 5000\n"
                   "shot menu\n"
                   "key RETURN\n"
                   "wait 2500\n"
                   "keydown 13\n"
                   "wait 100\n"
                   "keyup 13\n"
                   "wait 5000\n"
                   "shot stage\n");
    run.wrapper = {"xvfb-run", "-a"};
    const std::string audio = run.out + "/audio.raw";
    EXPECT_EQ(0, run.Run({"OS_BACKEND=sdl", "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio})) << run.Errors();
    os::host::Picture menu;
    os::host::Picture stage;
    ASSERT_TRUE(run.Shot("menu", menu)) << run.Errors();
    ASSERT_TRUE(run.Shot("stage", stage)) << run.Errors();
    ExpectMainMenu(menu);
    EXPECT_GT(CarPixels(stage), 300) << "the first stage in the window";
    // 16-bit stereo samples; the tunes and the engine are heard
    std::ifstream in(audio, std::ios::binary);
    std::vector<int16_t> samples;
    int16_t sample = 0;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample))
        samples.push_back(sample);
    int heard = 0;
    for (int16_t s : samples)
        heard += s > 200 || s < -200;
    EXPECT_GT(heard, 44100) << "a second's worth of sound from " << samples.size() << " samples";
}
