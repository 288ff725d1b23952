// device.h -- what a program says about the device it runs on
//
// The platform layer stands for one device per process. A program calls these
// before it opens its first window (they have no effect on a screen already
// made): the size and depth of its screen, and which optional libraries its
// device lacks. The user may still override the screen with OS_SCREEN.
#pragma once

#include <os/types.h>

#include <string>

namespace os::device {

// The device's screen: width x height pixels at 16 bits (RGB565) or 32 bits
// (0x00RRGGBB) per pixel; 240 x 320 x 16 unless a program says otherwise.
void set_screen(int width, int height, int bits_per_pixel);

// A desktop computer's screen (800 x 600 x 32), shown at its own size in a
// window rather than scaled up as a handheld's screen is.
void use_desktop_screen();

// A library the device does not have: LoadLibraryW of this name fails with
// ERROR_MOD_NOT_FOUND, so code that binds to it by name takes its fallback.
void set_library_absent(const std::u16string& name, bool absent = true);

} // namespace os::device
