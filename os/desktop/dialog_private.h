// dialog_private.h -- the state of each dialog window
#pragma once

#include "os/desktop/desktop_private.h"

#include <memory>
#include <vector>

namespace os::desktop {

struct DialogState
{
    DLGPROC proc = nullptr;
    LPARAM param = 0;
    HFONT font = nullptr;
    bool own_font = false;
    int base_x = 6; // dialog base units of the font, in pixels
    int base_y = 13;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    // The dialog's controls in template order, then the dialogs created
    // inside it: the tab order.
    std::vector<HWND> items;
};

// The state of a dialog window (nullptr for any other window).
std::shared_ptr<DialogState> dialog_state(HWND hwnd);

// True for windows of the dialog class.
bool is_dialog(HWND hwnd);

// The BS_ type of a BUTTON control; kNotButton for any other window.
const DWORD kNotButton = 0xFFFFFFFF;
DWORD button_type(HWND hwnd);

// Creates a dialog from its template: the window (hidden unless the template
// says WS_VISIBLE), its font, its controls, then WM_INITDIALOG.
HWND create_dialog(HINSTANCE instance, const DialogTemplate& dialog, HWND parent, DLGPROC proc, LPARAM param,
                   bool modal);

// The enabled, visible tab stops of `dialog` and the dialogs inside it.
std::vector<HWND> tab_stops(HWND dialog);

// Focus on the first tab stop when the focus is not already inside.
void focus_first(HWND dialog);

// The innermost dialog holding `hwnd` (itself when it is one).
HWND holding_dialog(HWND hwnd);

// The modal loop: runs until EndDialog or WM_QUIT.
void run_modal(HWND dialog, DialogState& state);

} // namespace os::desktop
