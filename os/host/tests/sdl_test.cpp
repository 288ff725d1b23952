// sdl_test.cpp -- the SDL back end on SDL's offscreen "dummy" drivers
//
// Host input is fed as SDL events and must come out as device events.
#include "os/host/backends_private.h"
#include "os/host/host.h"
#include "os/host/sdl/sdl_backend.h"
#include "os/testing/program_run.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace os::host;

namespace {

class SdlBackendTest : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("OS_SCALE", "2", 1);
        host = make_sdl_backend();
        ASSERT_STREQ("sdl", host->name());
        drain();
    }

    void TearDown() override { host.reset(); }

    // Opens the window and forgets what the window system said about it.
    void drain()
    {
        Event event;
        while (host->poll_event(event))
        {
        }
    }

    std::vector<Event> events()
    {
        std::vector<Event> out;
        Event event;
        while (host->poll_event(event))
        {
            out.push_back(event);
        }
        return out;
    }

    static void push(const SDL_Event& event)
    {
        SDL_Event copy = event;
        ASSERT_EQ(1, SDL_PushEvent(&copy));
    }

    static SDL_Event mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT)
    {
        SDL_Event e = {};
        e.type = type;
        if (type == SDL_MOUSEMOTION)
        {
            e.motion.x = x;
            e.motion.y = y;
        }
        else
        {
            e.button.button = button;
            e.button.x = x;
            e.button.y = y;
        }
        return e;
    }

    static SDL_Event key(Uint32 type, SDL_Keycode sym, Uint16 mod = 0)
    {
        SDL_Event e = {};
        e.type = type;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        return e;
    }

    // A key as a US keyboard sends it: its place and its symbol.
    static SDL_Event placed_key(Uint32 type, SDL_Scancode place, SDL_Keycode sym)
    {
        SDL_Event e = key(type, sym);
        e.key.keysym.scancode = place;
        return e;
    }

    // The device key a host key's press and release give (both the same), or
    // 0 when they give none.
    UINT device_key_of(const SDL_Event& press)
    {
        SDL_Event release = press;
        release.type = SDL_KEYUP;
        push(press);
        push(release);
        auto got = events();
        if (got.empty())
        {
            return 0;
        }
        EXPECT_EQ(2u, got.size());
        EXPECT_EQ(EventType::KeyDown, got[0].type);
        EXPECT_EQ(EventType::KeyUp, got.back().type);
        EXPECT_EQ(got[0].key, got.back().key);
        return got[0].key;
    }

    static SDL_Event window(Uint8 what)
    {
        SDL_Event e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        return e;
    }

    std::unique_ptr<Backend> host;
};

} // namespace

TEST_F(SdlBackendTest, MouseIsThePenInDevicePixels)
{
    struct
    {
        SDL_Event sdl;
        EventType type;
        int x, y;
    } cases[] = {
        {mouse(SDL_MOUSEMOTION, 10, 10), EventType::None, 0, 0}, // no pen on the screen: nothing
        {mouse(SDL_MOUSEBUTTONDOWN, 200, 300), EventType::PenDown, 100, 150},
        {mouse(SDL_MOUSEMOTION, 201, 303), EventType::PenMove, 100, 151},
        {mouse(SDL_MOUSEMOTION, -40, 9000), EventType::PenMove, 0, 319},
        {mouse(SDL_MOUSEBUTTONUP, 479, 639), EventType::PenUp, 239, 319},
        {mouse(SDL_MOUSEMOTION, 20, 20), EventType::None, 0, 0},
        {mouse(SDL_MOUSEBUTTONDOWN, 20, 20, SDL_BUTTON_RIGHT), EventType::None, 0, 0},
    };
    for (auto& c : cases)
    {
        push(c.sdl);
        auto got = events();
        if (c.type == EventType::None)
        {
            EXPECT_TRUE(got.empty()) << "SDL event 0x" << std::hex << c.sdl.type << " should give nothing";
            continue;
        }
        ASSERT_EQ(1u, got.size()) << "SDL event 0x" << std::hex << c.sdl.type;
        EXPECT_EQ(c.type, got[0].type);
        EXPECT_EQ(c.x, got[0].x);
        EXPECT_EQ(c.y, got[0].y);
    }
}

// The wheel turns where the pointer last was, a notch 120, positive away
// from the user ("natural" scrolling reports the other way round).
TEST_F(SdlBackendTest, WheelTurnsAtThePointer)
{
    push(mouse(SDL_MOUSEMOTION, 200, 300));
    struct
    {
        int y;
        Uint32 direction;
        int turn; // 0: no event
    } cases[] = {
        {1, SDL_MOUSEWHEEL_NORMAL, 120},
        {-3, SDL_MOUSEWHEEL_NORMAL, -360},
        {2, SDL_MOUSEWHEEL_FLIPPED, -240},
        {0, SDL_MOUSEWHEEL_NORMAL, 0}, // sideways only
    };
    for (auto& c : cases)
    {
        SDL_Event e = {};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.y = c.y;
        e.wheel.x = c.y == 0 ? 1 : 0;
        e.wheel.direction = c.direction;
        push(e);
        auto got = events();
        if (c.turn == 0)
        {
            EXPECT_TRUE(got.empty()) << "a sideways turn gives nothing";
            continue;
        }
        ASSERT_EQ(1u, got.size()) << "wheel y " << c.y;
        EXPECT_EQ(EventType::Wheel, got[0].type);
        EXPECT_EQ(c.turn, got[0].wheel);
        EXPECT_EQ(100, got[0].x) << "device pixels";
        EXPECT_EQ(150, got[0].y);
    }
}

TEST_F(SdlBackendTest, KeyboardIsTheDeviceKeys)
{
    struct
    {
        SDL_Keycode sym;
        UINT vk; // 0: no device key
    } cases[] = {
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
        {SDLK_a, 'A'},
        {SDLK_y, 'Y'},
        {SDLK_0, '0'},
        {SDLK_9, '9'},
        {SDLK_LSHIFT, 0},
        {SDLK_F13, 0},
        {SDLK_PAGEUP, 0x21},
        {SDLK_PAGEDOWN, 0x22},
        {SDLK_HOME, 0x24},
        {SDLK_END, 0x23},
        {SDLK_DELETE, 0x2E},
        {SDLK_INSERT, 0x2D},
        // the keypad: VK_NUMPAD0..9, VK_MULTIPLY, VK_ADD, VK_SUBTRACT, VK_DECIMAL, VK_DIVIDE
        {SDLK_KP_0, 0x60},
        {SDLK_KP_1, 0x61},
        {SDLK_KP_5, 0x65},
        {SDLK_KP_9, 0x69},
        {SDLK_KP_MULTIPLY, 0x6A},
        {SDLK_KP_PLUS, 0x6B},
        {SDLK_KP_MINUS, 0x6D},
        {SDLK_KP_PERIOD, 0x6E},
        {SDLK_KP_DIVIDE, 0x6F},
        // "+" and "-" without a keypad
        {SDLK_PLUS, 0x6B},
        {SDLK_EQUALS, 0x6B},
        {SDLK_MINUS, 0x6D},
    };
    for (auto& c : cases)
    {
        EXPECT_EQ(c.vk, device_key_of(key(SDL_KEYDOWN, c.sym))) << "SDL key " << c.sym;
    }
}

// Every letter and every F-key reaches a program as itself (the on-screen
// keyboard, type-to-find and key remapping need them all), with or without
// Shift; the device's A, B, C and Start buttons sit on keys of their own.
TEST_F(SdlBackendTest, LettersAndFunctionKeysAreThemselvesAndTheButtonsHaveKeysOfTheirOwn)
{
    for (int i = 0; i < 26; ++i)
    {
        SDL_Scancode place = SDL_Scancode(SDL_SCANCODE_A + i);
        EXPECT_EQ(UINT('A' + i), device_key_of(placed_key(SDL_KEYDOWN, place, SDLK_a + i))) << char('a' + i);
    }
    for (int i = 0; i < 12; ++i)
    {
        SDL_Scancode place = SDL_Scancode(SDL_SCANCODE_F1 + i);
        for (Uint16 mod : {KMOD_NONE, KMOD_LSHIFT})
        {
            SDL_Event press = placed_key(SDL_KEYDOWN, place, SDLK_F1 + i);
            press.key.keysym.mod = mod;
            EXPECT_EQ(UINT(0x70 + i), device_key_of(press)) << "F" << i + 1 << (mod ? " with Shift" : "");
        }
    }
    const struct
    {
        SDL_Scancode place;
        SDL_Keycode sym;
        UINT vk;
    } buttons[] = {
        {SDL_SCANCODE_COMMA, SDLK_COMMA, 0xC1},
        {SDL_SCANCODE_PERIOD, SDLK_PERIOD, 0xC2},
        {SDL_SCANCODE_SLASH, SDLK_SLASH, 0xC3},
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, 0xC4},
        // by place: a layout that prints another sign there keeps the button
        {SDL_SCANCODE_SLASH, SDLK_MINUS, 0xC3},
        {SDL_SCANCODE_SEMICOLON, 0xF6 /* o with umlaut */, 0xC4},
    };
    for (auto& b : buttons)
    {
        EXPECT_EQ(b.vk, device_key_of(placed_key(SDL_KEYDOWN, b.place, b.sym))) << "scancode " << b.place;
    }
}

// With Num Lock off the keypad's keys come as Home, End, arrows...: by their
// place they stay the keypad's digits.
TEST_F(SdlBackendTest, KeypadDigitsWhateverNumLockSays)
{
    const struct
    {
        SDL_Scancode place;
        SDL_Keycode sym;
        UINT vk;
    } cases[] = {
        {SDL_SCANCODE_KP_1, SDLK_END, 0x61}, {SDL_SCANCODE_KP_7, SDLK_HOME, 0x67},
        {SDL_SCANCODE_KP_8, SDLK_UP, 0x68},  {SDL_SCANCODE_KP_0, SDLK_INSERT, 0x60},
        {SDL_SCANCODE_END, SDLK_END, 0x23}, // the key of its own stays End
    };
    for (auto& c : cases)
    {
        SDL_Event press = key(SDL_KEYDOWN, c.sym);
        press.key.keysym.scancode = c.place;
        push(press);
        auto got = events();
        ASSERT_EQ(1u, got.size()) << "scancode " << c.place;
        EXPECT_EQ(c.vk, got[0].key) << "scancode " << c.place;
    }
}

TEST_F(SdlBackendTest, ShiftLeavesF1ToF4TheDeviceFunctionKeys)
{
    // F2 is VK_F2 pressed alone or with Shift, and its release too, whenever
    // Shift was let go.
    push(key(SDL_KEYDOWN, SDLK_F2, KMOD_LSHIFT));
    push(key(SDL_KEYUP, SDLK_F2));
    push(key(SDL_KEYDOWN, SDLK_F2));
    push(key(SDL_KEYUP, SDLK_F2, KMOD_LSHIFT));
    push(key(SDL_KEYDOWN, SDLK_F4, KMOD_RSHIFT));
    push(key(SDL_KEYUP, SDLK_F4, KMOD_RSHIFT));
    auto got = events();
    ASSERT_EQ(6u, got.size());
    const UINT expected[] = {0x71, 0x71, 0x71, 0x71, 0x73, 0x73};
    for (size_t i = 0; i < got.size(); ++i)
    {
        EXPECT_EQ(i % 2 == 0 ? EventType::KeyDown : EventType::KeyUp, got[i].type) << i;
        EXPECT_EQ(expected[i], got[i].key) << i;
    }
}

TEST_F(SdlBackendTest, TypedTextBecomesCharsAndTakesThePrintableKeys)
{
    host->text_input(true);
    SDL_Event text = {};
    text.type = SDL_TEXTINPUT;
    strcpy(text.text.text, "h\xc3\xa9");
    push(text);
    push(key(SDL_KEYDOWN, SDLK_a));
    push(key(SDL_KEYDOWN, SDLK_SPACE));
    // keys that are keypad keys in play type text here
    for (SDL_Keycode typing : {SDLK_z, SDLK_v, SDLK_KP_5, SDLK_KP_PLUS, SDLK_MINUS, SDLK_EQUALS})
        push(key(SDL_KEYDOWN, typing));
    // and so do the device's buttons: their keys type "," "." "/" ";"
    push(placed_key(SDL_KEYDOWN, SDL_SCANCODE_COMMA, SDLK_COMMA));
    push(placed_key(SDL_KEYDOWN, SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON));
    push(key(SDL_KEYDOWN, SDLK_a, KMOD_LCTRL));
    push(key(SDL_KEYDOWN, SDLK_BACKSPACE));
    auto got = events();
    ASSERT_EQ(4u, got.size());
    EXPECT_EQ(EventType::Char, got[0].type);
    EXPECT_EQ(u'h', got[0].ch);
    EXPECT_EQ(EventType::Char, got[1].type);
    EXPECT_EQ(u'\u00e9', got[1].ch);
    EXPECT_EQ(EventType::KeyDown, got[2].type);
    EXPECT_EQ(UINT('A'), got[2].key) << "with Ctrl a letter stays a key";
    EXPECT_EQ(0x08u, got[3].key) << "editing keys stay keys";
    host->text_input(false);
    push(key(SDL_KEYDOWN, SDLK_a));
    got = events();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(UINT('A'), got[0].key) << "text input off: letters are keys again";
}

TEST_F(SdlBackendTest, WindowEvents)
{
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    struct
    {
        SDL_Event sdl;
        EventType type;
    } cases[] = {
        {window(SDL_WINDOWEVENT_CLOSE), EventType::Close},
        {quit, EventType::Close},
        {window(SDL_WINDOWEVENT_FOCUS_GAINED), EventType::Activate},
        {window(SDL_WINDOWEVENT_FOCUS_LOST), EventType::Deactivate},
        {window(SDL_WINDOWEVENT_MINIMIZED), EventType::Minimize},
        {window(SDL_WINDOWEVENT_RESTORED), EventType::Restore},
        {window(SDL_WINDOWEVENT_EXPOSED), EventType::None},
    };
    for (auto& c : cases)
    {
        push(c.sdl);
        auto got = events();
        if (c.type == EventType::None)
        {
            EXPECT_TRUE(got.empty());
            continue;
        }
        ASSERT_EQ(1u, got.size()) << "window event " << int(c.sdl.window.event);
        EXPECT_EQ(c.type, got[0].type) << "window event " << int(c.sdl.window.event);
    }
}

TEST_F(SdlBackendTest, WakeEndsAWaitFromAnotherThread)
{
    std::thread other([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        host->wake();
    });
    Event event;
    EXPECT_FALSE(host->wait_event(event, INFINITE));
    other.join();
    EXPECT_FALSE(host->wait_event(event, 0)) << "nothing left after the wake";
}

TEST_F(SdlBackendTest, WaitAnswersAnEventThatArrives)
{
    push(key(SDL_KEYDOWN, SDLK_F1));
    Event event;
    ASSERT_TRUE(host->wait_event(event, 1000));
    EXPECT_EQ(0x70u, event.key);
}

TEST_F(SdlBackendTest, MessageBoxWithoutADesktopAnswersTheDefault)
{
    // The dummy video driver cannot show a box: the first button answers.
    EXPECT_EQ(6, host->message_box(u"Continue?", u"Memory Warning", 0x34));
    EXPECT_EQ(1, host->message_box(u"Error", u"Error", 0x10));
}

TEST_F(SdlBackendTest, AudioIsPulledFromTheCallback)
{
    static std::atomic<int> calls{0};
    calls = 0;
    auto fill = [](int16_t* out, int frames, void*) {
        calls++;
        memset(out, 0, size_t(frames) * 4);
    };
    ASSERT_TRUE(host->audio_start(44100, fill, nullptr)) << SDL_GetError();
    EXPECT_FALSE(host->audio_start(44100, fill, nullptr)) << "one stream at a time";
    for (int i = 0; i < 500 && calls == 0; i++)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(calls.load(), 0);
    host->audio_stop();
    int after = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(after, calls.load()) << "nothing is pulled after audio_stop";
}

// A machine without sound: one line says so, and nothing of the sound
// library's own complaints reaches stderr (ALSA's are many for a card that
// is not there).
TEST_F(SdlBackendTest, NoSoundDeviceIsOneLine)
{
    auto fill = [](int16_t* out, int frames, void*) { memset(out, 0, size_t(frames) * 4); };
    for (const char* driver : {"alsa", "no-such-driver"})
    {
        SCOPED_TRACE(driver);
        host.reset();
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("ALSA_CARD", "hh-no-such-card", 1);
        host = make_sdl_backend();
        testing::internal::CaptureStderr();
        const bool started = host->audio_start(44100, fill, nullptr);
        const bool again = started || host->audio_start(44100, fill, nullptr);
        const std::string said = testing::internal::GetCapturedStderr();
        unsetenv("ALSA_CARD");
        EXPECT_FALSE(started);
        EXPECT_FALSE(again);
        EXPECT_EQ(said.rfind("os/host: no sound (", 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "one line, once: " << said;
    }
}

TEST_F(SdlBackendTest, ScreenshotOfTheShownScreen)
{
    Screen& shown = screen();
    uint16_t green = 0x07E0;
    memcpy(shown.pixels + 5 * shown.pitch + 6 * 2, &green, 2);
    host->present(nullptr);
    os::testing::ScratchFolder scratch("sdl");
    std::string path = scratch.path + "/shot.png";
    ASSERT_TRUE(host->screenshot(path));
    EXPECT_TRUE(std::filesystem::file_size(path) > 0);
}

TEST(SdlBackendScript, PlaysTheScriptAndAnswersBoxesFromIt)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    os::testing::ScratchFolder scratch("sdl");
    std::string path = scratch.path + "/script.txt";
    std::ofstream(path) << "answer NO\nkey APP2\n";
    setenv("OS_SCRIPT", path.c_str(), 1);
    auto host = make_sdl_backend();
    EXPECT_EQ(7, host->message_box(u"Continue?", u"Memory Warning", 4)) << "a scripted session answers its own boxes";
    std::vector<EventType> types;
    std::vector<UINT> keys;
    Event event;
    while (types.size() < 3 && host->wait_event(event, 5000))
    {
        if (event.type == EventType::KeyDown || event.type == EventType::KeyUp || event.type == EventType::Close)
        {
            types.push_back(event.type);
            keys.push_back(event.key);
        }
    }
    std::vector<EventType> expected = {EventType::KeyDown, EventType::KeyUp, EventType::Close};
    EXPECT_EQ(expected, types);
    EXPECT_EQ(0xC2u, keys[0]);
    auto vars = host->handover_environment();
    ASSERT_EQ(2u, vars.size());
    EXPECT_EQ("OS_SCRIPT_POS", vars[0].first);
    EXPECT_EQ("3", vars[0].second) << "all three commands and the closing were delivered";
}

TEST(SdlBackendScript, StartsWhenTheProgramIsReadyAndWaitsForIt)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    os::testing::ScratchFolder scratch("sdl");
    std::string path = scratch.path + "/script.txt";
    std::ofstream(path) << "key A\nwait 60000\nkey B\n";
    setenv("OS_SCRIPT", path.c_str(), 1);
    auto host = make_sdl_backend();
    auto next_key = [&host](UINT& vk) {
        Event event;
        while (host->poll_event(event))
        {
            if (event.type == EventType::KeyDown || event.type == EventType::KeyUp)
            {
                vk = event.key;
                return event.type;
            }
        }
        return EventType::None;
    };
    UINT vk = 0;
    host->set_program_state({false, false});
    for (int i = 0; i < 10; i++)
    {
        EXPECT_EQ(EventType::None, next_key(vk)) << "the program is still starting";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    host->set_program_state({true, true});
    ASSERT_EQ(EventType::KeyDown, next_key(vk)) << "ready: the script starts";
    EXPECT_EQ(UINT('A'), vk);
    host->set_program_state({false, true});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(EventType::None, next_key(vk)) << "busy: the key's release waits";
    host->set_program_state({true, true});
    ASSERT_EQ(EventType::KeyUp, next_key(vk));
    EXPECT_EQ(EventType::None, next_key(vk)) << "the long wait holds";
    unsetenv("OS_SCRIPT");
}

// The window fits the display it opens on: the scale comes down, and below
// scale 1 the screen is shrunk (a desktop screen on a small display).
TEST(SdlWindow, FitsTheDisplay)
{
    struct
    {
        int width, height, scale;
        SDL_Rect usable;
        int expect_w, expect_h;
    } cases[] = {
        {240, 320, 2, {0, 0, 1024, 740}, 480, 640},
        {240, 320, 3, {0, 0, 1024, 740}, 480, 640},
        {176, 220, 8, {0, 0, 1024, 740}, 528, 660},
        {800, 600, 2, {0, 0, 1024, 740}, 800, 600},
        {800, 600, 1, {0, 0, 640, 480}, 640, 480},
        {800, 600, 1, {0, 0, 1024, 400}, 533, 400},
        {240, 320, 2, {0, 0, 0, 0}, 480, 640}, // the display cannot tell
    };
    for (auto& c : cases)
    {
        SDL_Point size = os::host::sdl::fit_window(c.width, c.height, c.scale, c.usable);
        EXPECT_EQ(c.expect_w, size.x) << c.width << "x" << c.height << " at " << c.scale << " on " << c.usable.w << "x"
                                      << c.usable.h;
        EXPECT_EQ(c.expect_h, size.y) << c.width << "x" << c.height << " at " << c.scale << " on " << c.usable.w << "x"
                                      << c.usable.h;
    }
}

TEST_F(SdlBackendTest, TheWindowOpensAtItsFittedSize)
{
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; id < 100 && !window; id++)
        window = SDL_GetWindowFromID(id);
    ASSERT_NE(window, nullptr);
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    SDL_Rect usable{};
    ASSERT_EQ(0, SDL_GetDisplayUsableBounds(0, &usable));
    EXPECT_LE(width, usable.w);
    EXPECT_LE(height, usable.h);
    EXPECT_EQ(width * screen().height, height * screen().width) << "the screen's shape is kept";
}

// A key or tap made while the program has no window yet waits for one;
// closing the window does not.
TEST_F(SdlBackendTest, InputWaitsForTheProgramsWindow)
{
    host->set_program_state({true, false});
    push(key(SDL_KEYDOWN, SDLK_F1));
    push(window(SDL_WINDOWEVENT_CLOSE));
    auto early = events();
    ASSERT_EQ(1u, early.size());
    EXPECT_EQ(EventType::Close, early[0].type) << "the close passes the held key";
    host->set_program_state({true, true});
    auto later = events();
    ASSERT_EQ(1u, later.size()) << "the key was kept";
    EXPECT_EQ(EventType::KeyDown, later[0].type);
    EXPECT_EQ(0x70u, later[0].key);
}
