// desktop.h -- what a desktop Windows program needs beyond the device's calls
//
// The desktop installer is an ANSI program: it calls the "A" forms of the
// window, registry, file and string calls, reads resources compiled into it
// (custom types, a string table, dialog templates) and shows dialogs. This
// library gives it:
//   - the ANSI layer: thin wrappers that widen text as Latin-1 (one byte per
//     character) and call the wide calls of the platform layer;
//   - resources: a per-program table filled by the code that the resource
//     compiler (installer/tools) generates from a resource script;
//   - dialogs: modal and modeless dialogs built from the templates, drawn
//     with the platform's controls, with the dialog keys (Enter, Escape, Tab,
//     arrows in a radio group);
//   - the desktop profile: an 800 x 600 x 32 screen.
#pragma once

#include <os/controls.h>
#include <os/device.h>
#include <os/file.h>
#include <os/font.h>
#include <os/gdi.h>
#include <os/process.h>
#include <os/registry.h>
#include <os/user.h>

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

#ifndef DM_GETDEFID
#define DM_GETDEFID (WM_USER + 0)
#endif
#define DC_HASDEFID 0x534B

// Dialog template styles
#define DS_ABSALIGN 0x0001L
#define DS_SYSMODAL 0x0002L
#define DS_3DLOOK 0x0004L
#define DS_LOCALEDIT 0x0020L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_NOIDLEMSG 0x0100L
#define DS_SETFOREGROUND 0x0200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L

#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif

struct LOGFONTA
{
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTA* LPLOGFONTA;

// ---- resources ----
// Names and types are MAKEINTRESOURCEA numbers, "#number" texts or names
// (case-insensitive). The module is NULL or the program's own instance.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// Copies string `id` of the string table, cut to size - 1 bytes and always
// terminated; answers its length, 0 when there is no such string.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
HMODULE GetModuleHandleA(LPCSTR name);

// ---- dialogs ----
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param);
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
// The dialog keys for `dialog` and every dialog inside it: true when the
// message was one of them and has been handled.
BOOL IsDialogMessageA(HWND dialog, LPMSG msg);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wparam, LPARAM lparam);
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
// Dialog units of `dialog`'s font to pixels, in place.
BOOL MapDialogRect(HWND dialog, LPRECT rect);

// ---- windows, messages, fonts (ANSI) ----
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);
int GetObjectA(HGDIOBJ object, int size, LPVOID out);
HFONT CreateFontIndirectA(const LOGFONTA* logfont);

// ---- registry (ANSI) ----
LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
// REG_SZ data is narrowed to Latin-1 on the way out and widened on the way
// in; sizes count bytes of the ANSI text (with its NUL when it was stored
// with one). Other types pass through unchanged.
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

// ---- files and processes (ANSI) ----
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
// Starts the program the command line's first word names (quotes group),
// with the rest as its argument text. Above 31 on success, else 0 (out of
// resources), ERROR_FILE_NOT_FOUND or ERROR_BAD_FORMAT.
UINT WinExec(LPCSTR command_line, UINT show);

// ---- strings (ANSI) ----
int lstrlenA(LPCSTR text);
LPSTR lstrcpyA(LPSTR dst, LPCSTR src);
// Copies at most size - 1 bytes and always terminates (size > 0).
LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int size);
LPSTR lstrcatA(LPSTR dst, LPCSTR src);
// At most 1024 bytes are written (with the NUL); %s, %c, %d, %i, %u, %x, %X,
// %lu, %ld, widths, '-' and '0' flags. Answers the length written.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args);

namespace os::desktop {

// One control of a dialog template, in dialog units.
struct DialogItem
{
    std::string class_name; // "BUTTON", "EDIT", "STATIC", ...
    std::string text;       // "#149" names an image (not drawn: no image resources)
    int id = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate
{
    DWORD style = 0;
    DWORD ex_style = 0;
    std::string caption;
    std::string font_face; // empty: the system font
    int point_size = 8;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::vector<DialogItem> items;
};

// The program's resources. A resource key is a number or a name.
void add_resource(const std::string& type, const std::string& name, std::vector<uint8_t> bytes);
void add_resource(int type, int id, std::vector<uint8_t> bytes);
void add_resource(int type, int id, const uint8_t* data, size_t size); // the bytes stay where they are
void add_string(UINT id, const std::string& text);
void add_dialog(int id, DialogTemplate dialog);
const DialogTemplate* find_dialog(LPCSTR name);

// Pixels of a dialog-unit rectangle for a dialog font (base units measured
// from the font, as the desktop does).
RECT dialog_units_to_pixels(const RECT& units, int base_x, int base_y);

} // namespace os::desktop
