// program_run.h -- a racing program run as a real program from a copy of
// the build's device tree with a headless input script, and what its
// screenshots are checked with (tests of both racing programs)
#pragma once

#include "os/testing/host.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace racing_test {

namespace fs = std::filesystem;

// Every frame a program run shows costs 30 ms of its virtual clock (a
// device's frame rate), so a scripted race of a minute draws the frames of
// a minute.
constexpr int kProgramFrameMs = 30;
using os::host::Picture;

struct ProgramRun
{
    os::testing::ScratchFolder folder;
    std::string program; // "Vasko-Moravel", ...
    std::string tree = folder.path + "/device";
    std::string out = folder.path + "/out";

    // The program's folder and the other parts (device paths below the
    // root, files or folders) copied from the build's tree.
    ProgramRun(const std::string& deviceRoot, const std::string& program_, const std::vector<std::string>& parts = {})
        : folder(program_.c_str()), program(program_)
    {
        fs::create_directories(tree + "/Program Files");
        fs::create_directories(tree + "/My Documents");
        fs::create_directories(out);
        fs::copy(fs::path(deviceRoot) / "Program Files" / program, tree + "/Program Files/" + program,
                 fs::copy_options::recursive);
        for (const std::string& part : parts)
            fs::copy(fs::path(deviceRoot) / part, fs::path(tree) / part, fs::copy_options::recursive);
    }

    // `prefix` runs the program through another (as "xvfb-run -a").
    int run(const std::string& script, const std::string& command, const std::vector<std::string>& env = {},
            const std::vector<std::string>& prefix = {}, const std::string& scriptName = "input.txt")
    {
        const std::string scriptPath = out + "/" + scriptName;
        std::ofstream(scriptPath) << script;
        // Each run is a device of its own: a run that follows another in the
        // same test must not find the last one's window while it is still
        // closing, and stand back in its favour.
        const char* instance = std::getenv("OS_INSTANCE");
        std::vector<std::string> set = {"OS_DEVICE_ROOT=" + tree,
                                        "OS_BACKEND=headless",
                                        "OS_SCRIPT=" + scriptPath,
                                        "OS_OUT=" + out,
                                        "OS_IDLE_GRACE_MS=10000",
                                        "OS_FRAME_MS=" + std::to_string(kProgramFrameMs),
                                        "OS_INSTANCE=" + std::string(instance ? instance : "racing") + "-" +
                                            fs::path(folder.path).filename().string()};
        set.insert(set.end(), env.begin(), env.end());
        // Through the shell, which keeps what the run says on stderr (its
        // message boxes among it) for errors().
        std::vector<std::string> args = {"sh", "-c", "exec \"$@\" 2>>\"" + out + "/stderr.txt\"", "sh"};
        args.insert(args.end(), prefix.begin(), prefix.end());
        args.push_back(tree + "/Program Files/" + program + "/bin/" + program);
        if (!command.empty())
            args.push_back(command);
        return os::testing::run_and_wait(args, set, {"OS_SCRIPT_POS", "OS_SHOT_COUNT", "OS_SCREEN"});
    }

    // A restarted instance goes on after the first has ended: wait (a
    // generous real-time limit of 3 minutes, for sanitizer builds too; not a
    // timing check) for its screenshot.
    bool waitFor(const std::string& name) const
    {
        const std::string path = out + "/" + name + ".png";
        for (int i = 0; i < 3600 && !fs::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return fs::exists(path);
    }

    // What the runs said on stderr (message boxes are recorded there).
    std::string errors() const
    {
        std::ifstream in(out + "/stderr.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    Picture shot(const std::string& name) const
    {
        Picture picture;
        EXPECT_TRUE(os::host::read_png(out + "/" + name + ".png", picture)) << "no screenshot " << name;
        return picture;
    }
};

inline std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool near(uint32_t pixel, uint32_t colour, int tolerance = 14)
{
    auto c = [](uint32_t v, int s) { return int(v >> s & 255); };
    return std::abs(c(pixel, 16) - c(colour, 16)) <= tolerance && std::abs(c(pixel, 8) - c(colour, 8)) <= tolerance &&
           std::abs(c(pixel, 0) - c(colour, 0)) <= tolerance;
}

inline int count(const Picture& p, uint32_t colour, int x0 = 0, int y0 = 0, int w = -1, int h = -1, int tolerance = 14)
{
    if (w < 0)
        w = p.width - x0;
    if (h < 0)
        h = p.height - y0;
    int n = 0;
    for (int y = y0; y < y0 + h && y < p.height; ++y)
        for (int x = x0; x < x0 + w && x < p.width; ++x)
            n += near(p.at(x, y), colour, tolerance);
    return n;
}

// Pixels that differ between two pictures.
inline int changed(const Picture& a, const Picture& b)
{
    int n = 0;
    for (int y = 0; y < std::min(a.height, b.height); ++y)
        for (int x = 0; x < std::min(a.width, b.width); ++x)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

// A tap on the 176 x 234 frame, which sits at (32, 41) of the screen.
inline std::string tap(int x, int y)
{
    return "tap " + std::to_string(32 + x) + " " + std::to_string(41 + y) + "\n";
}

// A tap on the screen (a race covers it, its page from row 44 on).
inline std::string tapScreen(int x, int y)
{
    return "tap " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

} // namespace racing_test
