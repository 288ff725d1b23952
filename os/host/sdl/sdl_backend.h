// sdl_backend.h -- the desktop window back end (SDL2)
//
// The device screen is shown scaled (OS_SCALE, default 2) in a window that
// opens at the first message pump. Programs may write screen memory directly
// (GAPI), so the texture is refreshed on every present from the pumping
// thread and at least every kFrameMs while events are pumped or awaited.
// An input script (OS_SCRIPT) plays here too, on real time, so a session can
// be watched or checked on a real display. It starts when the program is
// first ready for input and never runs ahead of it (host.h, ProgramState).
#pragma once

#include "os/host/headless/player.h"
#include "os/host/host.h"

#include <SDL.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace os::host::sdl {

constexpr uint32_t kFrameMs = 16;

// The window's size for a screen of width x height at `scale`: the largest
// whole scale up to `scale` that fits the display's usable area, or, when
// even scale 1 does not fit, the screen shrunk to fit (aspect kept).
SDL_Point fit_window(int width, int height, int scale, const SDL_Rect& usable);

class SdlBackend : public Backend
{
public:
    SdlBackend();
    ~SdlBackend() override;

    const char* name() const override { return "sdl"; }
    uint64_t now_ms() override;
    void sleep_ms(uint32_t ms) override;
    void present(const RECT* area) override;
    bool poll_event(Event& event) override;
    bool wait_event(Event& event, uint32_t timeout_ms) override;
    void wake() override;
    int message_box(const std::u16string& text, const std::u16string& caption, UINT flags) override;
    bool device_message_boxes() override;
    void text_input(bool on) override;
    void set_cursor(int id) override;
    bool audio_start(int rate, AudioFill fill, void* user) override;
    void audio_stop() override;
    std::vector<std::pair<std::string, std::string>> handover_environment() override;
    std::vector<std::string> missed_shots() override;
    bool outlive_children() override;

private:
    static void audio_callback(void* self, Uint8* stream, int bytes);
    void say_no_sound();

    bool open_window();
    bool on_ui_thread() const;
    void upload();
    void upload_if_due();
    bool next_pending(Event& event);
    void translate(const SDL_Event& sdl);
    void translate_window(const SDL_WindowEvent& window);
    void translate_key(const SDL_KeyboardEvent& key);
    void translate_pen(EventType type, int x, int y);
    void push(EventType type, int x = 0, int y = 0, UINT key = 0, WCHAR ch = 0);

    Uint32 wake_type_ = 0;
    std::thread::id ui_thread_;
    std::atomic<bool> opened_{false}; // window_ and ui_thread_ are set
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Cursor* cursor_ = nullptr;
    std::atomic<bool> dirty_{true};
    uint64_t last_upload_ = 0;
    bool pen_down_ = false;
    int mouse_x_ = 0; // the pointer's last place in the window, for the wheel
    int mouse_y_ = 0;
    bool woken_ = false;
    std::atomic<bool> text_input_{false};
    std::deque<Event> pending_;

    // An input script plays on real time here, paced by the program (see
    // script::Player); its boxes are answered by it.
    std::mutex script_lock_;
    script::Player player_{true};

    std::mutex audio_lock_;
    SDL_AudioDeviceID audio_device_ = 0;
    AudioFill fill_ = nullptr;
    void* fill_user_ = nullptr;
    bool said_no_sound_ = false;
};

} // namespace os::host::sdl
