// classes.h -- registration of system window classes by other os modules
//
// The control library registers its classes ("EDIT", "BUTTON", "LISTBOX",
// "COMBOBOX", "STATIC") through this call from
// os::controls::register_builtin_classes(), which the window manager runs
// once before its first class lookup. System classes are global, their names
// compare case-insensitively, GetClassInfoW(0, name) finds them, and a
// program cannot register a class of the same name.
#pragma once

#include <os/user.h>

namespace os::user {

// Registers or replaces a system class. The class name is copied.
void register_system_class(const WNDCLASSW& wc);

} // namespace os::user
