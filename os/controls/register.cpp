// register.cpp -- the built-in control classes
#include "os/controls/register.h"

#include "os/controls/control_private.h"
#include "os/controls/message_box.h"
#include "os/user/classes.h"

#include <mutex>

namespace os::controls {

namespace {

struct ClassEntry
{
    LPCWSTR name;
    WNDPROC proc;
    UINT style;
    LPCWSTR cursor;
};

} // namespace

void register_builtin_classes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const ClassEntry entries[] = {
            {u"EDIT", edit_proc, CS_GLOBALCLASS | CS_DBLCLKS, IDC_IBEAM},
            {u"BUTTON", button_proc, CS_GLOBALCLASS | CS_DBLCLKS, IDC_ARROW},
            {u"LISTBOX", listbox_proc, CS_GLOBALCLASS | CS_DBLCLKS, IDC_ARROW},
            {u"COMBOBOX", combobox_proc, CS_GLOBALCLASS | CS_DBLCLKS, IDC_ARROW},
            {u"STATIC", static_proc, CS_GLOBALCLASS, IDC_ARROW},
            {u"ComboLBox", combolist_proc, CS_GLOBALCLASS | CS_SAVEBITS, IDC_ARROW},
            {kMessageBoxClass, message_box_proc, CS_GLOBALCLASS, IDC_ARROW},
        };
        for (const ClassEntry& e : entries)
        {
            WNDCLASSW wc{};
            wc.style = e.style;
            wc.lpfnWndProc = e.proc;
            wc.hCursor = LoadCursorW(nullptr, e.cursor);
            wc.lpszClassName = e.name;
            os::user::register_system_class(wc);
        }
    });
}

} // namespace os::controls

// The control library gives the window manager its classes and its message
// box when the process starts (os/user/classes.h); the link pulls this in
// with os_controls.
namespace {

bool give_controls()
{
    os::user::ControlLibrary library;
    library.register_classes = os::controls::register_builtin_classes;
    library.message_box = os::controls::run_message_box;
    os::user::set_control_library(library);
    return true;
}

} // namespace

extern "C" const bool os_controls_started = give_controls();
