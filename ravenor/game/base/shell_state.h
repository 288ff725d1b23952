// shell_state.h -- what the program shell keeps for the whole run
#pragma once

#include <os/types.h>

#include <cstdint>
#include <memory>

#include "ravenor/engine/core/transform.h"
#include "ravenor/engine/display/display.h"
#include "ravenor/engine/display/key_map.h"

constexpr int kProgramFolderChars = 260;

struct ShellState
{
    WCHAR programFolder[kProgramFolderChars] = {};   // ends with a backslash
    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    HDC windowDc = nullptr;
    DisplayParams displayParams;
    std::unique_ptr<Display> display;
    KeyMap keyMap;
    uint8_t keys[256] = {};   // 1 while the virtual key is down
    bool penDown = false;
    int32_t penFirst = 0;     // 176 - y: the pen turned a quarter
    int32_t penSecond = 0;    // x
    bool active = false;
    bool paused = false;
    int32_t pauseMenuState = 0;
    bool stageOver = false;
    bool displayReleased = false;
    uint32_t frameCounter = 0;
    int32_t frameClock = 0;
    MatrixStack matrixStack;    // the renderer places everything by its top
    bool sceneryLoaded = false;
};

constexpr int32_t kMatrixLevels = 4;

extern ShellState g_shell;

// The pause menu's state when the game is paused from outside
constexpr int32_t kPauseMenuFromOutside = 9;
