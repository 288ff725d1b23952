// user.h -- the window manager's test seams
#pragma once

#include <os/user.h>

#include <string>

namespace os::user {

// The text SystemParametersInfoW(SPI_GETOEMINFO) answers. The default is
// "Handheld Emulator"; tests choose another to drive model detection.
void set_oem_info(const std::u16string& text);

} // namespace os::user
