// message_box.h -- a modal message box drawn on the device screen
//
// The SDL back end shows MessageBoxW with this: a popup window centred on
// the device screen with a caption bar, the text (wrapped at spaces and
// after path separators, a word longer than a line within it) and a row
// of buttons for the MB_ type (OK; OK Cancel; Yes No; Yes No Cancel; Retry
// Cancel; Abort Retry Ignore), the MB_DEFBUTTONn one the default. The box
// runs its own message loop until a button is pressed. Return presses the
// default button; Escape or closing the box answers Cancel when there is
// one, else No, else OK. A WM_QUIT arriving meanwhile ends the box the same
// way and is posted again for the caller's loop. The owner is disabled
// while the box is up.
#pragma once

#include <os/types.h>

#include <string>
#include <vector>

namespace os::controls {

struct MessageBoxLayout
{
    RECT box{};     // screen coordinates
    RECT caption{}; // client coordinates of the box
    RECT text{};
    std::u16string wrapped; // the text as shown: its lines joined by CR LF
    struct Button
    {
        int id = 0;
        std::u16string label;
        RECT rect{}; // client coordinates of the box
    };
    std::vector<Button> buttons;
    int default_id = 0;
    int cancel_id = 0; // what Escape and closing answer
};

// Where everything of a box goes on the device screen.
MessageBoxLayout message_box_layout(const std::u16string& text, const std::u16string& caption, UINT flags);

// Shows the box and answers the id of the button pressed (IDOK, IDCANCEL,
// IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE), or 0 when the box could not be made.
int run_message_box(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags);

} // namespace os::controls
