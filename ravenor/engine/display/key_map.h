// key_map.h -- which virtual-key codes the device's pad and buttons send
//
// Codes in order: up, down, left, right, buttons 1..4 (the device's Start,
// A, B and C buttons), then up to eight further hardware keys listed under
// HKLM "SOFTWARE\Microsoft\Shell\Keys" (0 where there is none). The pad and
// buttons come from gx.dll when it is there, else from the display driver's
// GETGXINFO escape, else the defaults: arrows, Return, Space, Control, Shift.
// The pad is turned to match the orientation the game draws in.
#pragma once

#include <cstdint>

struct KeyMap
{
    enum : int
    {
        kUp,
        kDown,
        kLeft,
        kRight,
        kButton1,
        kButton2,
        kButton3,
        kButton4,
        kFirstFurther,
        kCount = 16,
    };
    uint16_t codes[kCount] = {};

    // Fills the map for orientation 0..3 (anything else counts as 0).
    static void Detect(KeyMap& keyMap, int32_t orientation);
};
