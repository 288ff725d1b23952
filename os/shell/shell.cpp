// shell.cpp -- the Pocket PC shell library
#include "os/shell/shell_private.h"
#include "os/host/host.h"
#include "os/kernel/module_private.h"
#include "os/kernel/path.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace os::shell {

namespace {

struct Shell
{
    std::mutex lock;
    std::map<HWND, FullScreenState> windows;
    SIPSTATE sip = SIP_UNCHANGED;
    std::vector<std::u16string> documents;
};

Shell& shell()
{
    static auto* s = new Shell;
    return *s;
}

// One part of the screen (task bar, input-panel button, Start icon): its
// show flag, its hide flag and where its state is kept.
struct Part
{
    DWORD show;
    DWORD hide;
    bool FullScreenState::*hidden;
};

const Part kParts[] = {
    {SHFS_SHOWTASKBAR, SHFS_HIDETASKBAR, &FullScreenState::taskbar_hidden},
    {SHFS_SHOWSIPBUTTON, SHFS_HIDESIPBUTTON, &FullScreenState::sip_button_hidden},
    {SHFS_SHOWSTARTICON, SHFS_HIDESTARTICON, &FullScreenState::start_icon_hidden},
};

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

} // namespace

void register_library()
{
    using os::module::proc;
    os::module::register_library(u"aygshell.dll", {
                                                       {"SHFullScreen", 65, proc(SHFullScreen)},
                                                       {"SHSipPreference", 21, proc(SHSipPreference)},
                                                       {"SHGetSpecialFolderPath", 295, proc(SHGetSpecialFolderPathW)},
                                                       {"DMProcessConfigXML", 0, proc(DMProcessConfigXML)},
                                                   });
}

FullScreenState fullscreen_state(HWND window)
{
    std::lock_guard<std::mutex> guard(shell().lock);
    auto it = shell().windows.find(window);
    return it == shell().windows.end() ? FullScreenState{} : it->second;
}

SIPSTATE sip_state()
{
    std::lock_guard<std::mutex> guard(shell().lock);
    return shell().sip;
}

std::vector<std::u16string> config_documents()
{
    std::lock_guard<std::mutex> guard(shell().lock);
    return shell().documents;
}

} // namespace os::shell

using namespace os::shell;

BOOL SHFullScreen(HWND window, DWORD flags)
{
    if (!window)
        return fail(ERROR_INVALID_WINDOW_HANDLE);
    for (const Part& part : kParts)
        if ((flags & part.show) && (flags & part.hide))
            return fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(shell().lock);
    FullScreenState& state = shell().windows[window];
    for (const Part& part : kParts)
    {
        if (flags & part.show)
            state.*part.hidden = false;
        if (flags & part.hide)
            state.*part.hidden = true;
    }
    state.last_flags = flags;
    ++state.calls;
    return TRUE;
}

BOOL SHSipPreference(HWND, SIPSTATE state)
{
    if (state < SIP_UP || state > SIP_INPUTDIALOG)
        return fail(ERROR_INVALID_PARAMETER);
    {
        std::lock_guard<std::mutex> guard(shell().lock);
        shell().sip = state;
    }
    if (state == SIP_UP || state == SIP_INPUTDIALOG)
        os::host::backend().text_input(true);
    else if (state == SIP_DOWN || state == SIP_FORCEDOWN)
        os::host::backend().text_input(false);
    return TRUE;
}

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int folder, BOOL)
{
    if (!path)
        return fail(ERROR_INVALID_PARAMETER);
    if (folder != CSIDL_PERSONAL)
        return fail(ERROR_INVALID_PARAMETER);
    std::u16string documents = os::path::documents();
    if (documents.size() >= MAX_PATH)
        return fail(ERROR_INSUFFICIENT_BUFFER);
    std::copy(documents.begin(), documents.end(), path);
    path[documents.size()] = 0;
    return TRUE;
}

HRESULT DMProcessConfigXML(LPCWSTR document, DWORD flags, LPWSTR* output)
{
    if (!document || !output || !(flags & (CFGFLAG_PROCESS | CFGFLAG_METADATA)))
        return E_INVALIDARG;
    std::u16string text(document);
    {
        std::lock_guard<std::mutex> guard(shell().lock);
        shell().documents.push_back(text);
    }
    auto* echo = new WCHAR[text.size() + 1];
    std::copy(text.begin(), text.end(), echo);
    echo[text.size()] = 0;
    *output = echo;
    return S_OK;
}
