// device.cpp -- what a program says about its device (os/device.h)
#include "os/host/host.h"
#include "os/kernel/module_private.h"

#include <os/device.h>

namespace os::device {

void set_screen(int width, int height, int bits_per_pixel)
{
    os::host::set_default_screen(width, height, bits_per_pixel);
}

void use_desktop_screen()
{
    os::host::set_default_screen(800, 600, 32);
    os::host::set_default_scale(1); // a desktop screen is shown as it is
}

void set_library_absent(const std::u16string& name, bool absent)
{
    os::module::set_library_absent(name, absent);
}

} // namespace os::device
