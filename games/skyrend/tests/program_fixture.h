// program_fixture.h -- Vasko-Skyrend started as a real process from a copy
// of the build's device tree, with a headless input script; its
// screenshots, its files and its standard error (where the headless back
// end reports every message box) are read back. A restarted instance goes
// on with the same script and writes into the same folder.
#pragma once

#include "os/testing/host.h"
#include "os/testing/program_run.h"

#include "engine/platform/net_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace skyrend_test {

namespace fs = std::filesystem;

struct Rgb
{
    int r, g, b;
};

class ProgramRun
{
public:
    os::testing::ScratchFolder folder{"skyrend"};
    std::string tree = folder.path + "/device";
    std::string out = folder.path + "/out";
    // More "NAME=value" settings for the program's environment.
    std::vector<std::string> env;

    ProgramRun()
    {
        const fs::path from = fs::path(os::testing::built_device_root()) / "Program Files" / "Vasko-Skyrend";
        fs::create_directories(tree + "/Program Files");
        fs::create_directories(tree + "/My Documents");
        fs::create_directories(out);
        fs::copy(from, tree + "/Program Files/Vasko-Skyrend",
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }

    std::string resources(const std::string& relative) const
    {
        return tree + "/Program Files/Vasko-Skyrend/resources/" + relative;
    }

    // Runs the program (or its server alias) with the script and the
    // command-line arguments; answers the first process's exit status.
    int run(const std::string& script, const std::vector<std::string>& args = {},
            const std::string& program = "Vasko-Skyrend")
    {
        return runWith({}, "headless", script, args, program);
    }

    // The same with a launcher in front (e.g. xvfb-run) and a back end.
    int runWith(const std::vector<std::string>& launcher, const std::string& backend, const std::string& script,
                const std::vector<std::string>& args = {}, const std::string& program = "Vasko-Skyrend")
    {
        const pid_t pid = startWith(launcher, backend, script, args, program);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Starts the program as runWith does and returns at once: its process id.
    pid_t startWith(const std::vector<std::string>& launcher, const std::string& backend, const std::string& script,
                    const std::vector<std::string>& args = {}, const std::string& program = "Vasko-Skyrend")
    {
        std::ofstream(out + "/input.txt") << script;
        const std::string bin = tree + "/Program Files/Vasko-Skyrend/bin";
        const std::string path = bin + "/" + program;
        const pid_t pid = fork();
        if (pid == 0)
        {
            setenv("OS_DEVICE_ROOT", tree.c_str(), 1);
            setenv("OS_BACKEND", backend.c_str(), 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("OS_SCRIPT", (out + "/input.txt").c_str(), 1);
            setenv("OS_OUT", out.c_str(), 1);
            setenv("OS_IDLE_GRACE_MS", "2000", 1);
            // A flight draws without waiting: each frame shown costs 20 ms of
            // virtual time, as on a 50 Hz screen.
            setenv("OS_FRAME_MS", "20", 1);
            // A device of its own: a run that follows another must not find
            // the last one's window while it is still closing.
            const char* instance = getenv("OS_INSTANCE");
            const std::string own = std::string(instance ? instance : "skyrend") + "-" +
                                    std::filesystem::path(folder.path).filename().string();
            setenv("OS_INSTANCE", own.c_str(), 1);
            unsetenv("OS_SCRIPT_POS");
            unsetenv("OS_SHOT_COUNT");
            unsetenv("OS_SCREEN");
            for (const std::string& pair : env)
                putenv(const_cast<char*>(pair.c_str()));
            if (!freopen((out + "/stderr.txt").c_str(), "a", stderr) || chdir(bin.c_str()) != 0)
                _exit(126);
            std::vector<char*> argv;
            for (const std::string& a : launcher)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(const_cast<char*>(path.c_str()));
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    // A restarted instance runs on after the first has ended: wait (a
    // generous real-time limit, not a timing check) for its screenshot.
    bool waitFor(const std::string& name) const
    {
        const std::string path = out + "/" + name + ".png";
        for (int i = 0; i < 600 && !fs::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // The file is written whole before the next command runs; give the
        // writer a moment to close it.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return fs::exists(path);
    }

    bool shot(const std::string& name, os::host::Picture& picture) const
    {
        return os::host::read_png(out + "/" + name + ".png", picture);
    }

    std::string errors() const { return read(out + "/stderr.txt"); }

    static std::string read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

// A port nobody listens on now (the host picks it).
inline int freePort()
{
    startupSockets();
    Socket* probe = Socket::listenOn(0, 0, 1);
    int port = probe ? probe->getLocalPort() : 0;
    delete probe;
    cleanupSockets();
    return port;
}

// Sets the text field of a template entry (the line "key=...text:value",
// text being the entry's last field) in the file.
inline void setTextField(const std::string& path, const std::string& key, const std::string& value)
{
    std::string all = ProgramRun::read(path);
    const size_t line = all.find("\n" + key + "=");
    if (line == std::string::npos)
        return;
    const size_t end = all.find('\n', line + 1);
    const size_t text = all.rfind("text:", end);
    if (text == std::string::npos || text < line)
        return;
    all.replace(text + 5, end - text - 5, value);
    std::ofstream(path) << all;
}

inline Rgb rgb(uint32_t c)
{
    return {int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)};
}

// Close to the colour, allowing for 5-6-5 rounding and JPEG.
inline bool near(uint32_t pixel, uint32_t colour, int tolerance = 12)
{
    Rgb a = rgb(pixel), b = rgb(colour);
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Pixels of the rectangle close to the colour.
inline int count(const os::host::Picture& p, int x0, int y0, int w, int h, uint32_t colour, int tolerance = 12)
{
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += near(p.at(x, y), colour, tolerance);
    return n;
}

} // namespace skyrend_test
