// gdi.h -- GDI's test seams: the emulated raw frame buffer and escapes
// answered by the test
#pragma once

#include <os/gdi.h>

#include <functional>

namespace os::gdi {

// Turns on an emulated 480 x 640 RGB565 raw frame buffer (its own memory
// when the device screen has another size).
void set_raw_framebuffer_emulation(bool on);

// Answers a device-specific escape (QUERYESCSUPPORT then reports it); an
// empty handler removes it again.
using EscapeHandler = std::function<int(int input_size, LPCSTR input, int output_size, LPSTR output)>;
void set_escape_handler(int escape, EscapeHandler handler);

} // namespace os::gdi
