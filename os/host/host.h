// host.h -- the one seam between the platform layer and the machine it runs on
//
// Everything above this interface (windows, messages, GDI, GAPI, sound) is
// shared code. A back end owns the clock, shows the device screen, delivers
// input and plays mixed audio. Two back ends exist:
//   headless  virtual clock, scripted input, screenshots to PNG (the default
//             when no display is wanted, and always in tests)
//   sdl       a real desktop window showing the device screen scaled up,
//             mouse as the stylus, keyboard as the device keys, SDL audio
// The back end is chosen once per process by OS_BACKEND ("headless" or "sdl").
//
// Environment variables read by the platform layer:
//   OS_BACKEND       headless | sdl
//   OS_DEVICE_ROOT   host folder that stands for the device's file system
//   OS_DOCUMENTS     host folder for special folder 5 (default <root>/My Documents)
//   OS_SCREEN        WIDTHxHEIGHTxBPP, e.g. 240x320x16 (overrides the program's own)
//   OS_SCRIPT        input script (os/host/README.md); OS_SCRIPT_POS the index
//                    of the command to resume at, OS_SHOT_COUNT the number of
//                    screenshots taken so far (both set for a child process)
//   OS_IDLE_GRACE_MS headless: real time an idle program may wait before Close
//   OS_RUN_LIMIT_MS  headless program run without a script: virtual time after
//                    which it is closed (default 60000)
//   OS_FRAME_MS      headless program run: virtual time a frame shown costs at
//                    least (default 20, a 50 Hz screen; 0: frames cost nothing
//                    and only waits move the clock); a script's `frame MS`
//                    line wins over it
//   OS_OUT           folder for screenshots and recorded output (made by the
//                    first screenshot when missing)
//   OS_INSTANCE      isolation prefix for cross-process window lookup
//   OS_MEM_AVAIL     free physical memory reported by GlobalMemoryStatus (bytes)
//   OS_SCALE         SDL window scale factor (default 2, 1 for a desktop screen;
//                    the window never exceeds the display)
//   OS_TITLE         SDL window title (default: the program's name)
#pragma once

#include <os/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace os::host {

// The device's display: one surface per process. Window DCs draw into it,
// GXBeginDraw hands out a pointer into it, and the back end shows it.
// 16 bpp is RGB565; 32 bpp is 0x00RRGGBB per pixel. Rows are top-down.
struct Screen
{
    int width = 240;
    int height = 320;
    int bpp = 16;
    int pitch = 480; // bytes per row
    uint8_t* pixels = nullptr;
    std::recursive_mutex lock; // held while drawing from more than one thread
};

// The screen of this process, created on first use with the configured size.
Screen& screen();

// Configure the device screen before first use (a program's own default);
// OS_SCREEN overrides it. Has no effect once the screen exists.
void set_default_screen(int width, int height, int bpp);

// The scale a window showing the screen asks for: OS_SCALE, else the
// program's default (2, or what set_default_scale said: 1 for a desktop
// screen). A window never ends up larger than the display it opens on.
void set_default_scale(int scale);
int window_scale();

enum class EventType
{
    None,
    PenDown, // x, y in screen pixels
    PenMove,
    PenUp,
    KeyDown, // key = device virtual key
    KeyUp,
    Char,       // ch = one UTF-16 unit of typed text
    Close,      // the user closed the window
    Activate,   // the host window gained focus
    Deactivate, // the host window lost focus
    Minimize,
    Restore,
    Wheel, // x, y the pointer in screen pixels; wheel = turn (WHEEL_DELTA a notch)
};

struct Event
{
    EventType type = EventType::None;
    int x = 0;
    int y = 0;
    UINT key = 0;
    WCHAR ch = 0;
    DWORD time = 0;
    int wheel = 0; // Wheel: positive turned away from the user
};

// What the program can take now, as the platform sees it on the thread that
// reads input: `idle` when it asked for a message and none was waiting (it
// has dealt with everything before), `window` when a window exists to take
// input. A script's input waits for both, its screenshots and its closing
// for `idle`, so that a script never runs ahead of the program it drives;
// input from a person waits for a window, so none is lost while the program
// starts.
struct ProgramState
{
    bool idle = true;
    bool window = true;
};

// Mixed audio is pulled from the platform's mixer by the back end.
// fill writes `frames` stereo frames of signed 16-bit samples at `rate` Hz.
typedef void (*AudioFill)(int16_t* out, int frames, void* user);

class Backend
{
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;

    // Milliseconds since start-up (virtual in headless), before 32-bit truncation.
    virtual uint64_t now_ms() = 0;
    virtual void sleep_ms(uint32_t ms) = 0;

    // Show the device screen (or one rectangle of it, nullptr = whole).
    virtual void present(const RECT* area) = 0;

    // The program holds the screen's pixels for drawing straight into them
    // (the direct display between GXBeginDraw and GXEndDraw): while it does,
    // each time it comes back for input it has drawn a frame.
    virtual void set_direct_drawing(bool on) {}

    // Take the next input event without waiting; false when none.
    virtual bool poll_event(Event& event) = 0;

    // Wait up to timeout_ms (INFINITE allowed) for an input event or wake().
    // Headless: advances the virtual clock instead of waiting where nothing
    // else can happen. Answers true with an event, false on timeout or wake.
    virtual bool wait_event(Event& event, uint32_t timeout_ms) = 0;

    // Thread-safe: make a pending wait_event return (a message was posted).
    virtual void wake() = 0;

    // A modal message box. Headless answers from the script or the default.
    virtual int message_box(const std::u16string& text, const std::u16string& caption, UINT flags) = 0;

    // True when message boxes should be drawn on the device screen by the
    // platform's own modal box (a person is at the screen); false when the
    // back end answers them itself (headless, or a scripted session).
    virtual bool device_message_boxes() { return false; }

    // Host text input on or off (the input panel).
    virtual void text_input(bool on) = 0;

    // Pointer shape: an IDC_* number, or 0 for none. No-op headless.
    virtual void set_cursor(int id) = 0;

    // Start pulling audio; answers false when no audio device can be opened.
    virtual bool audio_start(int rate, AudioFill fill, void* user) = 0;
    virtual void audio_stop() = 0;

    // Write the device screen to a PNG file; false on failure.
    virtual bool screenshot(const std::string& path);

    // Variables this back end hands to a child process so that the session
    // goes on there (see child_environment). Asking hands the session over.
    virtual std::vector<std::pair<std::string, std::string>> handover_environment();

    // The script's screenshots not written so far (not reached, or the file
    // could not be written), each as "PATH: why".
    virtual std::vector<std::string> missed_shots() { return {}; }

    // Asked when the program ends: true when this process should stay until
    // the children it started have ended (a window's session, whose launcher
    // -- a terminal, xvfb-run -- must not end before the program it restarted
    // into); the back end then puts its window and sound away.
    virtual bool outlive_children() { return false; }

    // Told by the platform before each poll_event or wait_event on the thread
    // that reads input; a back end that never hears it sees a ready program.
    void set_program_state(ProgramState state) { state_ = state; }
    ProgramState program_state() const { return state_; }

private:
    ProgramState state_;
};

// The back end of this process (chosen from OS_BACKEND on first use).
Backend& backend();

// Tests install their own back end (or nullptr to go back to the default).
void set_backend(Backend* backend);

// Environment helpers
std::string env(const char* name, const char* fallback = "");

// The device screen written to a PNG file (screenshot's work, reusable for
// any Screen record); false when the file cannot be written.
bool write_screen_png(Screen& screen, const std::string& path);

// The program entry calls begin_program before the program runs: a script in
// OS_SCRIPT that cannot be read (or is a folder) or is malformed is reported
// and ends the process with status 2; a headless run without a script is
// closed after OS_RUN_LIMIT_MS of virtual time (and ended if it does not
// close); frames shown cost the script's frame length, else OS_FRAME_MS.
void begin_program();

// ExitProcess asks end_program for the status the process ends with: the
// program's own, or 3 when a scripted screenshot was not written (each one is
// named on stderr).
int end_program(int status);

// True when the ending process should wait for its children first (see
// Backend::outlive_children); false when no back end was ever made.
bool outlive_children();

// Variables a child process started by CreateProcessW must get on top of this
// process's environment (the headless script position, for example), so that
// a scripted session goes on across a restart of the program.
std::vector<std::pair<std::string, std::string>> child_environment();

} // namespace os::host
