// demo_private.h -- the platform demonstration program's shared state
//
// One window on the device screen shows what the platform layer can do:
// text in two sizes, shapes, a stretched bitmap, taps (a mark where the pen
// went down), keys (their code), messages from a worker thread (a counter),
// controls, a generated sound, and a restart of the program by itself.
#pragma once

#include <os/windows.h>

#include <vector>

namespace demo {

// Places on the screen (client coordinates of the full-screen window).
constexpr RECT kRedBox = {8, 40, 56, 80};
constexpr RECT kBlueEllipse = {64, 40, 112, 80};
constexpr RECT kStretched = {176, 40, 224, 88};
constexpr RECT kRestartedMark = {200, 4, 236, 20};
constexpr RECT kKeyMark = {200, 96, 236, 110};
constexpr RECT kSoundMark = {200, 114, 236, 128};
constexpr RECT kRestartButton = {160, 290, 236, 316};
constexpr RECT kPickMark = {200, 150, 236, 158};
constexpr RECT kClickMark = {200, 162, 236, 170};
constexpr RECT kTypedMark = {200, 174, 236, 182};
constexpr int kCounterTop = 132;
constexpr int kMarkHalf = 3;

constexpr UINT kWorkerPosted = WM_APP;
constexpr UINT kWorkerSent = WM_APP + 1;
constexpr int kWorkerRounds = 3;
constexpr UINT kAppButton1 = 0xC1;

struct State
{
    HWND window = nullptr;
    bool restarted = false;
    UINT last_key = 0;
    int worker_messages = 0;
    bool sound_done = false;
    std::vector<POINT> taps;
    HFONT big_font = nullptr;
    HFONT small_font = nullptr;
    HBITMAP tile = nullptr;
    HWND edit = nullptr;
    HWND list = nullptr;
    HWND button = nullptr;
    int picked = -1;
    int clicks = 0;
    int typed = 0; // characters in the edit box
};

State& state();

// paint.cpp
void create_resources();
void paint(HDC dc);

// sound.cpp
void play_tone(HWND window);
void sound_finished(HWAVEOUT device, WAVEHDR* header);

// controls
void create_controls(HWND window);
void control_command(WPARAM wparam, LPARAM lparam);

} // namespace demo
