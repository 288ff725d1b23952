// host.cpp -- choosing the back end and the environment helpers
#include "os/host/backends_private.h"
#include "os/host/headless/headless_backend.h"
#include "os/host/headless/player.h"
#include "os/base/utf.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace os::host {

namespace {

std::mutex g_backend_lock;
std::unique_ptr<Backend> g_default;
Backend* g_installed = nullptr;

// OS_BACKEND names the back end; without it a machine with no display runs
// headless and one with a display opens a window.
std::string chosen_backend_name()
{
    std::string name = env("OS_BACKEND");
    if (!name.empty())
    {
        return name;
    }
    if (env("DISPLAY").empty() && env("WAYLAND_DISPLAY").empty())
    {
        return "headless";
    }
    return "sdl";
}

std::unique_ptr<Backend> make_default_backend()
{
    std::string name = chosen_backend_name();
    if (name == "headless")
    {
        return make_headless_backend();
    }
    if (name == "sdl")
    {
        return make_sdl_backend();
    }
    fprintf(stderr, "OS_BACKEND=%s is not a back end; use headless or sdl\n", name.c_str());
    exit(2);
}

} // namespace

Backend& backend()
{
    std::lock_guard<std::mutex> hold(g_backend_lock);
    if (g_installed)
    {
        return *g_installed;
    }
    if (!g_default)
    {
        g_default = make_default_backend();
    }
    return *g_default;
}

namespace {

// The back end in use, without making one.
Backend* existing_backend()
{
    std::lock_guard<std::mutex> hold(g_backend_lock);
    return g_installed ? g_installed : g_default.get();
}

} // namespace

void begin_program()
{
    std::string path = env("OS_SCRIPT");
    int64_t script_frame_ms = -1;
    if (!path.empty())
    {
        std::vector<script::Command> commands;
        std::string error;
        if (!script::read_script(path, commands, error))
        {
            fprintf(stderr, "%s\nThe script is refused; the program is not started.\n", error.c_str());
            fflush(nullptr);
            _exit(2);
        }
        script_frame_ms = script::frame_length(commands);
    }
    auto* headless = dynamic_cast<headless::HeadlessBackend*>(&backend());
    if (headless && path.empty())
    {
        headless->limit_unscripted_run(strtoull(env("OS_RUN_LIMIT_MS", "60000").c_str(), nullptr, 10));
    }
    if (headless)
    {
        // A script's own frame length wins: its input was timed with it.
        headless->set_frame_cost(script_frame_ms >= 0
                                     ? uint32_t(script_frame_ms)
                                     : uint32_t(strtoul(env("OS_FRAME_MS", "20").c_str(), nullptr, 10)));
    }
}

int end_program(int status)
{
    Backend* current = existing_backend();
    if (!current)
    {
        return status;
    }
    std::vector<std::string> missed = current->missed_shots();
    for (auto& shot : missed)
    {
        fprintf(stderr, "screenshot %s\n", shot.c_str());
    }
    return missed.empty() || status != 0 ? status : 3;
}

bool outlive_children()
{
    Backend* current = existing_backend();
    return current && current->outlive_children();
}

void set_backend(Backend* replacement)
{
    std::lock_guard<std::mutex> hold(g_backend_lock);
    g_installed = replacement;
}

std::string env(const char* name, const char* fallback)
{
    const char* value = getenv(name);
    return value ? std::string(value) : std::string(fallback);
}

int default_box_answer(UINT flags)
{
    switch (flags & 0xF)
    {
    case 2: // abort, retry, ignore
        return 3;
    case 3: // yes, no, cancel
    case 4: // yes, no
        return 6;
    case 5: // retry, cancel
        return 4;
    default:
        return 1;
    }
}

void report_box(const std::u16string& caption, const std::u16string& text, int answer)
{
    fprintf(stderr, "message box \"%s\": %s -> %d\n", utf::utf8(caption).c_str(), utf::utf8(text).c_str(), answer);
}

std::vector<std::pair<std::string, std::string>> child_environment()
{
    return backend().handover_environment();
}

bool Backend::screenshot(const std::string& path)
{
    return write_screen_png(screen(), path);
}

std::vector<std::pair<std::string, std::string>> Backend::handover_environment()
{
    return {};
}

} // namespace os::host
