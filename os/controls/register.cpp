// register.cpp -- the built-in control classes
#include "os/controls/register.h"

namespace os::controls {

void register_builtin_classes()
{
    // The control classes register themselves with the window manager here.
}

} // namespace os::controls
