// register.h -- registration of the built-in control classes
#pragma once

namespace os::controls {

// Registers "EDIT", "BUTTON", "LISTBOX", "COMBOBOX" and "STATIC" with the
// window manager as system classes. The window manager calls it (given at
// start-up, see os/user/classes.h) once, before its first class lookup;
// calling it again does nothing.
void register_builtin_classes();

} // namespace os::controls
