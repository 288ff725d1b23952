// shell_private.h -- the shell library's state for tests, and its
// registration as aygshell.dll
#pragma once

#include <os/shell.h>

#include <string>
#include <vector>

namespace os::shell {

// Makes "aygshell.dll" loadable: SHFullScreen (ordinal 65), SHSipPreference
// (21), SHGetSpecialFolderPath (295) and DMProcessConfigXML, by name too.
void register_library();

struct FullScreenState
{
    bool taskbar_hidden = false;
    bool sip_button_hidden = false;
    bool start_icon_hidden = false;
    DWORD last_flags = 0;
    int calls = 0;
};

// A window never passed to SHFullScreen shows everything.
FullScreenState fullscreen_state(HWND window);

// The last SHSipPreference state asked for (SIP_UNCHANGED before any).
SIPSTATE sip_state();

// Every document given to DMProcessConfigXML, in order.
std::vector<std::u16string> config_documents();

} // namespace os::shell
