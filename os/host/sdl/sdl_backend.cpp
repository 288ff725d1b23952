// sdl_backend.cpp -- the desktop window back end (SDL2)
//
// Mouse = stylus (left button), keyboard = device keys; the hardware
// application buttons sit on four punctuation keys that no program reads as
// themselves. See os/host/README.md for the whole mapping.
#include "os/host/sdl/sdl_backend.h"
#include "os/host/backends_private.h"
#include "os/host/sdl/sdl_calls.h"
#include "os/base/utf.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

namespace os::host::sdl {

namespace {

struct KeyMap
{
    SDL_Keycode sdl;
    UINT vk;
};

// Keys that reach the program as device keys (letters, digits and F1..F12
// are added by range in device_key).
const KeyMap kKeys[] = {
    {SDLK_LEFT, 0x25},
    {SDLK_UP, 0x26},
    {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},
    {SDLK_RETURN, 0x0D},
    {SDLK_KP_ENTER, 0x0D},
    {SDLK_ESCAPE, 0x1B},
    {SDLK_BACKSPACE, 0x08},
    {SDLK_TAB, 0x09},
    {SDLK_SPACE, 0x20},
    {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},
    {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},
    // The keypad's own keys (VK_MULTIPLY, VK_ADD, VK_SUBTRACT, VK_DECIMAL,
    // VK_DIVIDE); "+" and "-" of the main keyboard are the keypad's too, for
    // keyboards without one.
    {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_PLUS, 0x6B},
    {SDLK_EQUALS, 0x6B},
    {SDLK_MINUS, 0x6D},
};

const KeyMap kKeypadDigits[] = {
    {SDLK_KP_0, 0x60}, {SDLK_KP_1, 0x61}, {SDLK_KP_2, 0x62}, {SDLK_KP_3, 0x63}, {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65}, {SDLK_KP_6, 0x66}, {SDLK_KP_7, 0x67}, {SDLK_KP_8, 0x68}, {SDLK_KP_9, 0x69},
};

// The device's A, B, C and Start buttons (application buttons 0xC1..0xC4),
// by the key's place: on a US keyboard ",", ".", "/" and ";", right of the
// letters. Every letter, digit and F-key reaches a program as itself, and no
// program reads these four, so the buttons take nothing away; by place they
// stay together whatever the keyboard's layout prints on them.
struct ButtonKey
{
    SDL_Scancode place;
    UINT vk;
};
const ButtonKey kButtons[] = {
    {SDL_SCANCODE_COMMA, 0xC1},
    {SDL_SCANCODE_PERIOD, 0xC2},
    {SDL_SCANCODE_SLASH, 0xC3},
    {SDL_SCANCODE_SEMICOLON, 0xC4},
};

UINT button_key(SDL_Scancode scancode)
{
    for (auto& button : kButtons)
    {
        if (button.place == scancode)
        {
            return button.vk;
        }
    }
    return 0;
}

// The keypad's digits by the key's place, so that they stay VK_NUMPAD0..9
// whether Num Lock is on or not.
UINT keypad_digit(SDL_Scancode scancode)
{
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
    {
        return UINT(0x61 + (scancode - SDL_SCANCODE_KP_1));
    }
    return scancode == SDL_SCANCODE_KP_0 ? 0x60 : 0;
}

UINT device_key(const SDL_Keysym& key)
{
    if (UINT digit = keypad_digit(key.scancode))
    {
        return digit;
    }
    if (UINT button = button_key(key.scancode))
    {
        return button;
    }
    const SDL_Keycode sdl = key.sym;
    for (auto& entry : kKeypadDigits)
    {
        if (entry.sdl == sdl)
        {
            return entry.vk;
        }
    }
    for (auto& entry : kKeys)
    {
        if (entry.sdl == sdl)
        {
            return entry.vk;
        }
    }
    if (sdl >= SDLK_a && sdl <= SDLK_z)
    {
        return UINT('A' + (sdl - SDLK_a));
    }
    if (sdl >= SDLK_0 && sdl <= SDLK_9)
    {
        return UINT('0' + (sdl - SDLK_0));
    }
    if (sdl >= SDLK_F1 && sdl <= SDLK_F12)
    {
        return UINT(0x70 + (sdl - SDLK_F1)); // VK_F1..VK_F12
    }
    return 0;
}

// Keys whose characters arrive as text while text input is on: letters,
// digits, space, "+", "-", "=", the button keys' punctuation and the keypad's
// digits and signs.
bool types_text(const SDL_Keysym& key)
{
    const SDL_Keycode sdl = key.sym;
    if (keypad_digit(key.scancode) != 0 || button_key(key.scancode) != 0 || (sdl >= SDLK_a && sdl <= SDLK_z) ||
        (sdl >= SDLK_0 && sdl <= SDLK_9))
    {
        return true;
    }
    switch (sdl)
    {
    case SDLK_SPACE:
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_MINUS:
    case SDLK_KP_MULTIPLY:
    case SDLK_KP_PLUS:
    case SDLK_KP_MINUS:
    case SDLK_KP_PERIOD:
    case SDLK_KP_DIVIDE: return true;
    default: return sdl >= SDLK_KP_1 && sdl <= SDLK_KP_0;
    }
}

std::string window_title()
{
    std::string title = env("OS_TITLE");
    if (title.empty())
    {
        title = program_invocation_short_name;
    }
    return title;
}

struct Buttons
{
    int count;
    SDL_MessageBoxButtonData data[3];
};

// The buttons of an MB_ button set, the first one the default for Return
// and the last one the answer to Escape.
Buttons box_buttons(UINT flags)
{
    const int kReturn = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    const int kEscape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    switch (flags & 0xF)
    {
    case 1:
        return {2, {{kReturn, 1, "OK"}, {kEscape, 2, "Cancel"}}};
    case 2:
        return {3, {{kReturn, 3, "Abort"}, {0, 4, "Retry"}, {kEscape, 5, "Ignore"}}};
    case 3:
        return {3, {{kReturn, 6, "Yes"}, {0, 7, "No"}, {kEscape, 2, "Cancel"}}};
    case 4:
        return {2, {{kReturn, 6, "Yes"}, {kEscape, 7, "No"}}};
    case 5:
        return {2, {{kReturn, 4, "Retry"}, {kEscape, 2, "Cancel"}}};
    default:
        return {1, {{kReturn | kEscape, 1, "OK"}}};
    }
}

Uint32 box_icon(UINT flags)
{
    switch (flags & 0xF0)
    {
    case 0x10:
        return SDL_MESSAGEBOX_ERROR;
    case 0x30:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

SDL_SystemCursor system_cursor(int id)
{
    switch (id)
    {
    case 32513: // IDC_IBEAM
        return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: // IDC_WAIT
        return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: // IDC_CROSS
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32649: // IDC_HAND
        return SDL_SYSTEM_CURSOR_HAND;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

[[noreturn]] void no_display(const char* what)
{
    fprintf(stderr,
            "cannot open a window (%s: %s).\n"
            "Set DISPLAY to a running X server, run under xvfb-run (xvfb-run -a PROGRAM),\n"
            "or run without a window with OS_BACKEND=headless.\n",
            what, SDL_GetError());
    exit(2);
}

// Xlib's own handler of a lost connection calls exit(), whose static
// destructors then close the window over the dead connection and spin there
// for good. A lost display ends the program at once instead.
int display_lost(void*)
{
    static const char kText[] = "os/host: the display went away (its X server ended or the connection broke); the "
                                "program ends.\n";
    ssize_t written = ::write(2, kText, sizeof kText - 1);
    (void)written;
    _exit(1);
}

// libX11 is SDL's, loaded by it when its X11 driver opened the display.
void end_when_the_display_goes()
{
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!x11)
    {
        return;
    }
    using Handler = int (*)(void*);
    using SetHandler = Handler (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(x11, "XSetIOErrorHandler")))
    {
        set(display_lost);
    }
    dlclose(x11);
}

// ALSA writes its own errors on stderr while SDL looks for a sound device,
// a screenful on a machine without sound. They are kept quiet while SDL
// looks; the back end says in one line what came of it.
class QuietAlsa
{
public:
    QuietAlsa()
    {
        alsa_ = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        set_ = alsa_ ? reinterpret_cast<SetHandler>(dlsym(alsa_, "snd_lib_error_set_handler")) : nullptr;
        if (set_)
        {
            set_(quiet);
        }
    }
    ~QuietAlsa()
    {
        if (set_)
        {
            set_(nullptr); // ALSA's own again, for what goes wrong later
        }
        if (alsa_)
        {
            dlclose(alsa_);
        }
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    static void quiet(const char*, int, const char*, int, const char*, ...) {}

    void* alsa_ = nullptr;
    SetHandler set_ = nullptr;
};

} // namespace

SDL_Point fit_window(int width, int height, int scale, const SDL_Rect& usable)
{
    if (usable.w <= 0 || usable.h <= 0)
    {
        return {width * scale, height * scale};
    }
    for (int s = scale; s >= 1; --s)
    {
        if (width * s <= usable.w && height * s <= usable.h)
        {
            return {width * s, height * s};
        }
    }
    double shrink = std::min(double(usable.w) / width, double(usable.h) / height);
    return {std::max(1, int(width * shrink)), std::max(1, int(height * shrink))};
}

SdlBackend::SdlBackend()
{
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
    {
        no_display("SDL_Init");
    }
    // Without a display SDL falls back to drivers that show nothing; a window
    // nobody can see or close would hang, so those run only when asked for.
    std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if ((driver == "offscreen" || driver == "dummy") && env("SDL_VIDEODRIVER").empty())
    {
        SDL_SetError("only the %s video driver is available", driver.c_str());
        no_display("SDL_Init");
    }
    if (driver == "x11")
    {
        end_when_the_display_goes();
    }
    wake_type_ = SDL_RegisterEvents(1);
    player_.load_from_environment(now_ms());
}

SdlBackend::~SdlBackend()
{
    audio_stop();
    if (cursor_)
    {
        SDL_FreeCursor(cursor_);
    }
    if (texture_)
    {
        SDL_DestroyTexture(texture_);
    }
    if (renderer_)
    {
        SDL_DestroyRenderer(renderer_);
    }
    if (window_)
    {
        SDL_DestroyWindow(window_);
    }
    SDL_Quit();
}

// The window opens on the thread that pumps events; that thread alone draws.
bool SdlBackend::open_window()
{
    if (opened_)
    {
        return on_ui_thread();
    }
    Screen& shown = screen();
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
    {
        usable = SDL_Rect{0, 0, 0, 0};
    }
    SDL_Point size = fit_window(shown.width, shown.height, window_scale(), usable);
    window_ = SDL_CreateWindow(window_title().c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, size.x, size.y,
                               SDL_WINDOW_SHOWN);
    if (!window_)
    {
        no_display("SDL_CreateWindow");
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_)
    {
        no_display("SDL_CreateRenderer");
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    Uint32 format = shown.bpp == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, shown.width, shown.height);
    if (!texture_)
    {
        no_display("SDL_CreateTexture");
    }
    ui_thread_ = std::this_thread::get_id();
    dirty_ = true;
    opened_ = true;
    return true;
}

bool SdlBackend::on_ui_thread() const
{
    return opened_ && std::this_thread::get_id() == ui_thread_;
}

void SdlBackend::upload()
{
    Screen& shown = screen();
    {
        std::lock_guard<std::recursive_mutex> hold(shown.lock);
        SDL_UpdateTexture(texture_, nullptr, shown.pixels, shown.pitch);
    }
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    dirty_ = false;
    last_upload_ = now_ms();
}

void SdlBackend::upload_if_due()
{
    if (dirty_ || now_ms() - last_upload_ >= kFrameMs)
    {
        upload();
    }
}

uint64_t SdlBackend::now_ms()
{
    return SDL_GetTicks64();
}

void SdlBackend::sleep_ms(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SdlBackend::present(const RECT* area)
{
    dirty_ = true;
    if (on_ui_thread())
    {
        upload();
    }
}

void SdlBackend::push(EventType type, int x, int y, UINT key, WCHAR ch)
{
    Event event = script::input_event(type, x, y, key, ch);
    event.time = DWORD(now_ms());
    pending_.push_back(event);
}

// Window pixels to device pixels, kept on the screen.
void SdlBackend::translate_pen(EventType type, int x, int y)
{
    Screen& shown = screen();
    int width = 1;
    int height = 1;
    SDL_GetWindowSize(window_, &width, &height);
    int device_x = std::clamp(int(int64_t(x) * shown.width / std::max(width, 1)), 0, shown.width - 1);
    int device_y = std::clamp(int(int64_t(y) * shown.height / std::max(height, 1)), 0, shown.height - 1);
    push(type, device_x, device_y);
}

void SdlBackend::translate_key(const SDL_KeyboardEvent& key)
{
    UINT vk = device_key(key.keysym);
    if (vk == 0 || (text_input_ && types_text(key.keysym) && !(key.keysym.mod & (KMOD_CTRL | KMOD_ALT))))
    {
        return;
    }
    push(key.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp, 0, 0, vk);
}

void SdlBackend::translate_window(const SDL_WindowEvent& window)
{
    switch (window.event)
    {
    case SDL_WINDOWEVENT_CLOSE:
        push(EventType::Close);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        push(EventType::Activate);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        push(EventType::Deactivate);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        push(EventType::Minimize);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        push(EventType::Restore);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        dirty_ = true;
        break;
    default:
        break;
    }
}

void SdlBackend::translate(const SDL_Event& sdl)
{
    if (sdl.type == wake_type_)
    {
        woken_ = true;
        return;
    }
    switch (sdl.type)
    {
    case SDL_QUIT:
        push(EventType::Close);
        break;
    case SDL_WINDOWEVENT:
        translate_window(sdl.window);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        mouse_x_ = sdl.button.x;
        mouse_y_ = sdl.button.y;
        if (sdl.button.button == SDL_BUTTON_LEFT)
        {
            pen_down_ = sdl.type == SDL_MOUSEBUTTONDOWN;
            translate_pen(pen_down_ ? EventType::PenDown : EventType::PenUp, sdl.button.x, sdl.button.y);
        }
        break;
    case SDL_MOUSEWHEEL:
        if (sdl.wheel.y != 0)
        {
            // A notch is 120, as on the desktop; "natural" scrolling turns
            // the other way.
            int notches = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdl.wheel.y : sdl.wheel.y;
            translate_pen(EventType::Wheel, mouse_x_, mouse_y_);
            pending_.back().wheel = notches * 120;
        }
        break;
    case SDL_MOUSEMOTION:
        mouse_x_ = sdl.motion.x;
        mouse_y_ = sdl.motion.y;
        if (pen_down_)
        {
            translate_pen(EventType::PenMove, sdl.motion.x, sdl.motion.y);
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        translate_key(sdl.key);
        break;
    case SDL_TEXTINPUT:
        for (char16_t ch : utf::utf16(sdl.text.text))
        {
            push(EventType::Char, 0, 0, 0, ch);
        }
        break;
    default:
        break;
    }
}

// The first pending event the program can take: pen, keys and text wait
// while no window exists to take them (the program is still starting).
bool SdlBackend::next_pending(Event& event)
{
    bool window = program_state().window;
    for (auto it = pending_.begin(); it != pending_.end(); ++it)
    {
        bool input = it->type == EventType::PenDown || it->type == EventType::PenMove || it->type == EventType::PenUp ||
                     it->type == EventType::KeyDown || it->type == EventType::Wheel || it->type == EventType::KeyUp ||
                     it->type == EventType::Char;
        if (input && !window)
        {
            continue;
        }
        event = *it;
        pending_.erase(it);
        return true;
    }
    return false;
}

bool SdlBackend::poll_event(Event& event)
{
    if (!open_window())
    {
        return false;
    }
    upload_if_due();
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl))
    {
        translate(sdl);
    }
    return next_pending(event) || script::take_due_input(player_, script_lock_, *this, event);
}

bool SdlBackend::wait_event(Event& event, uint32_t timeout_ms)
{
    if (!open_window())
    {
        sleep_ms(timeout_ms == INFINITE ? kFrameMs : std::min(timeout_ms, kFrameMs));
        return false;
    }
    uint64_t deadline = timeout_ms == INFINITE ? UINT64_MAX : now_ms() + timeout_ms;
    for (;;)
    {
        if (poll_event(event))
        {
            return true;
        }
        if (woken_)
        {
            woken_ = false;
            return false;
        }
        uint64_t now = now_ms();
        if (now >= deadline)
        {
            return false;
        }
        SDL_Event sdl;
        if (SDL_WaitEventTimeout(&sdl, int(std::min<uint64_t>(kFrameMs, deadline - now))))
        {
            translate(sdl);
        }
    }
}

void SdlBackend::wake()
{
    SDL_Event sdl;
    memset(&sdl, 0, sizeof sdl);
    sdl.type = wake_type_;
    SDL_PushEvent(&sdl);
}

int SdlBackend::message_box(const std::u16string& text, const std::u16string& caption, UINT flags)
{
    std::string title = utf::utf8(caption);
    std::string message = utf::utf8(text);
    {
        std::lock_guard<std::mutex> hold(script_lock_);
        if (player_.has_script())
        {
            int answer = player_.answer_box(now_ms(), flags);
            report_box(caption, text, answer);
            return answer;
        }
    }
    Buttons buttons = box_buttons(flags);
    SDL_MessageBoxData data;
    memset(&data, 0, sizeof data);
    data.flags = box_icon(flags);
    data.window = on_ui_thread() ? window_ : nullptr;
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = buttons.count;
    data.buttons = buttons.data;
    int answer = 0;
    if (SDL_ShowMessageBox(&data, &answer) != 0 || answer <= 0)
    {
        answer = default_box_answer(flags);
        report_box(caption, text, answer);
    }
    return answer;
}

bool SdlBackend::device_message_boxes()
{
    std::lock_guard<std::mutex> hold(script_lock_);
    return !player_.has_script();
}

void SdlBackend::text_input(bool on)
{
    text_input_ = on;
    if (on)
    {
        SDL_StartTextInput();
    }
    else
    {
        SDL_StopTextInput();
    }
}

void SdlBackend::set_cursor(int id)
{
    if (id == 0)
    {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_Cursor* cursor = SDL_CreateSystemCursor(system_cursor(id));
    if (cursor)
    {
        SDL_SetCursor(cursor);
        if (cursor_)
        {
            SDL_FreeCursor(cursor_);
        }
        cursor_ = cursor;
    }
    SDL_ShowCursor(SDL_ENABLE);
}

std::vector<std::string> SdlBackend::missed_shots()
{
    std::lock_guard<std::mutex> hold(script_lock_);
    return player_.missed_shots();
}

// A program that restarted itself ends while its successor opens a window of
// its own: this process stays (its X connection too, so the display server
// neither ends with it under xvfb-run nor resets for want of clients) with
// its window hidden and its sound stopped.
bool SdlBackend::outlive_children()
{
    audio_stop();
    if (on_ui_thread())
    {
        SDL_HideWindow(window_);
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> SdlBackend::handover_environment()
{
    std::lock_guard<std::mutex> hold(script_lock_);
    return player_.handover();
}

void SdlBackend::audio_callback(void* self, Uint8* stream, int bytes)
{
    auto* backend = static_cast<SdlBackend*>(self);
    memset(stream, 0, size_t(bytes));
    if (backend->fill_)
    {
        backend->fill_(reinterpret_cast<int16_t*>(stream), bytes / 4, backend->fill_user_);
    }
}

bool SdlBackend::audio_start(int rate, AudioFill fill, void* user)
{
    std::lock_guard<std::mutex> hold(audio_lock_);
    if (rate <= 0 || !fill || audio_device_)
    {
        return false;
    }
    QuietAlsa quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    {
        say_no_sound();
        return false;
    }
    SDL_AudioSpec want;
    memset(&want, 0, sizeof want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = audio_callback;
    want.userdata = this;
    fill_ = fill;
    fill_user_ = user;
    audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (audio_device_ == 0)
    {
        fill_ = nullptr;
        say_no_sound();
        return false;
    }
    SDL_PauseAudioDevice(audio_device_, 0);
    return true;
}

// One line, once: the program goes on without sound.
void SdlBackend::say_no_sound()
{
    if (!said_no_sound_)
    {
        said_no_sound_ = true;
        fprintf(stderr, "os/host: no sound (%s); the program runs without it.\n", SDL_GetError());
    }
}

void SdlBackend::audio_stop()
{
    std::lock_guard<std::mutex> hold(audio_lock_);
    if (audio_device_)
    {
        SDL_CloseAudioDevice(audio_device_);
        audio_device_ = 0;
    }
    fill_ = nullptr;
    fill_user_ = nullptr;
}

} // namespace os::host::sdl

namespace os::host {

std::unique_ptr<Backend> make_sdl_backend()
{
    return std::make_unique<sdl::SdlBackend>();
}

} // namespace os::host
