// backends_private.h -- how host.cpp creates the back ends
#pragma once

#include "os/host/host.h"

#include <memory>

namespace os::host {

std::unique_ptr<Backend> make_headless_backend();

// Opens the desktop window; on failure explains how to get a display and
// ends the process with status 2.
std::unique_ptr<Backend> make_sdl_backend();

// The answer of a message box nobody answered: its first button (IDOK,
// IDABORT, IDYES or IDRETRY by the MB_ button set in the low four bits).
int default_box_answer(UINT flags);

// Tells stderr about a message box answered without the user.
void report_box(const std::u16string& caption, const std::u16string& text, int answer);

// The configured screen size as "WxHxBPP" text parsed; false when malformed
// or out of range, with what is wrong in `why` when given.
bool parse_screen_size(const std::string& text, int& width, int& height, int& bpp, std::string* why = nullptr);

} // namespace os::host
