// shell.h -- the Pocket PC shell library: full-screen state, the input
// panel, special folders and configuration documents
#pragma once

#include <os/types.h>

#ifndef HRESULT_DEFINED_OS
#define HRESULT_DEFINED_OS
typedef LONG HRESULT;
#endif
#ifndef S_OK
#define S_OK ((HRESULT)0L)
#endif
#ifndef E_INVALIDARG
#define E_INVALIDARG ((HRESULT)0x80070057L)
#endif
#ifndef E_OUTOFMEMORY
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#endif

// SHFullScreen flags
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

enum SIPSTATE : int
{
    SIP_UP = 0,
    SIP_DOWN,
    SIP_FORCEDOWN,
    SIP_UNCHANGED,
    SIP_INPUTDIALOG,
};

#define CSIDL_PERSONAL 0x0005

#define CFGFLAG_PROCESS 0x0001
#define CFGFLAG_METADATA 0x0002

// Hides or shows the task bar, the input-panel button and the Start icon
// while the window is in front. Nothing is drawn on this host; the state is
// kept per window. FALSE (ERROR_INVALID_WINDOW_HANDLE) for a null window,
// FALSE (ERROR_INVALID_PARAMETER) for flags that both show and hide one part.
BOOL SHFullScreen(HWND window, DWORD flags);

// SIP_UP starts the host's text input, SIP_DOWN and SIP_FORCEDOWN stop it.
BOOL SHSipPreference(HWND window, SIPSTATE state);

// CSIDL_PERSONAL answers the documents folder's device path (created if
// missing); other folders fail. The buffer holds MAX_PATH characters.
BOOL SHGetSpecialFolderPathW(HWND window, LPWSTR path, int folder, BOOL create);
inline BOOL SHGetSpecialFolderPath(HWND window, LPWSTR path, int folder, BOOL create)
{
    return SHGetSpecialFolderPathW(window, path, folder, create);
}

// Applies provisioning XML. Settings are not applied on this host: the XML
// text is recorded and echoed back in *output, which the caller frees with
// delete[]. E_INVALIDARG without text, output or a CFGFLAG_ flag.
HRESULT DMProcessConfigXML(LPCWSTR document, DWORD flags, LPWSTR* output);
