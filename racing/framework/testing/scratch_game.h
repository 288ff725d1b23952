// scratch_game.h -- a racing program's folder copied into a device tree of
// the test's own, which the process then runs in (tests may change its
// settings and tracks), with the scenes pack mounted as the program mounts it
#pragma once

#include "engine/base/resource_files.h"
#include "os/testing/program_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace racing_test {

struct ScratchGame
{
    os::testing::ScratchFolder folder;
    std::string game;

    // The program's folder and the other parts (device paths below the root).
    ScratchGame(const std::string& deviceRoot, const std::string& program, const std::vector<std::string>& parts = {})
        : folder(program.c_str()), game(folder.path + "/Program Files/" + program)
    {
        namespace fs = std::filesystem;
        fs::create_directories(folder.path + "/Program Files");
        fs::copy(fs::path(deviceRoot) / "Program Files" / program, game, fs::copy_options::recursive);
        for (const std::string& part : parts)
            fs::copy(fs::path(deviceRoot) / part, fs::path(folder.path) / part, fs::copy_options::recursive);
        setenv("OS_BACKEND", "headless", 0);
        setenv("OS_DEVICE_ROOT", folder.path.c_str(), 1);
        // The program mounts its packs beside itself; this process is elsewhere.
        std::u16string scenes = u"\\Program Files\\";
        for (char c : program)
            scenes += char16_t(c);
        scenes += u"\\resources\\scenes";
        addResourcePack(u"scenes.zip", scenes.c_str());
    }

    ~ScratchGame() { closeResourcePacks(); }

    void write(const std::string& relative, const std::string& text) const
    {
        std::ofstream(game + "/resources/" + relative, std::ios::binary) << text;
    }
    std::string read(const std::string& relative) const
    {
        std::ifstream in(game + "/resources/" + relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

} // namespace racing_test
