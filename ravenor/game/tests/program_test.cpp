// program_test.cpp -- Ravenor run as a real process from the build's device tree
//
// The program runs headless with an input script; its screenshots and its
// standard error are read back.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "os/host/png.h"
#include "content/ravenor/demo_content.h"
#include "content/ravenor/image_writer.h"

namespace {

std::string ProgramPath()
{
    return std::string(RAVENOR_DEVICE_ROOT) + "/Program Files/Ravenor/Ravenor";
}

struct ProgramRun
{
    std::string out;
    std::string script;
    std::string errors;

    explicit ProgramRun(const std::string& text)
    {
        char pattern[] = "/tmp/hh-ravenor-XXXXXX";
        out = mkdtemp(pattern);
        script = out + "/input.txt";
        errors = out + "/stderr.txt";
        std::ofstream(script) << text;
    }

    ~ProgramRun()
    {
        if (!getenv("OS_KEEP_TREE"))
            std::filesystem::remove_all(out);
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
            setenv("OS_DEVICE_ROOT", RAVENOR_DEVICE_ROOT, 1);
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
            execl(ProgramPath().c_str(), ProgramPath().c_str(), static_cast<char*>(nullptr));
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

} // namespace

// Started from the device tree it shows the splash while loading, then its
// frame from "demo.bin" through the display layer and the GDI driver, and
// ends when its window is closed.
TEST(RavenorProgram, ShowsTheSplashThenTheTitleAndTextThenEndsOnClose)
{
    ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << ProgramPath();
    ProgramRun run("shot splash\n"
                   "wait 300\n"
                   "key UP\n"
                   "tap 20 30\n"
                   "wait 200\n"
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
    const std::vector<uint32_t> title = ravenor_content::TitleScreen();
    for (auto [x, y] : {std::pair{0, 0}, {175, 0}, {40, 120}, {100, 150}, {0, 219}})
        EXPECT_EQ(ShownColour(title[y * 176 + x]), picture.at(x, y)) << x << "," << y;
    int ink = 0;
    for (int y = 196; y < 206; ++y)
        for (int x = 0; x < 176; ++x)
            ink += picture.at(x, y) == 0xFFFFFF;
    EXPECT_GT(ink, 50) << "the line of text under the title";
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

    ProgramRun second("shot second\n");
    EXPECT_EQ(3, second.Run()) << "it ends at once, before its script's shot (reported with status 3)";
    os::host::Picture picture;
    EXPECT_FALSE(second.Shot("second", picture)) << "the second start opened a window";

    EXPECT_EQ(0, waitpid(running, nullptr, WNOHANG)) << "the first instance ended";
}
