// cabmover.h -- the installer: its wizard, its licence page and the
// installation of the payload it carries in its resources
//
// Resources of the program (numbers of the resource script cabmover.rsc):
//   type 100, id n   payload n (1 the application-manager file, 2 the
//                    uninstaller, 3 the device cabinet, 4 the icon); ids run
//                    from 1 without a gap
//   type 101, id n   the file name of payload n, with its NUL
//   type 102, id 5   the licence agreement text, with its NUL
//   type 103, id 2   the component name, with its NUL
//   dialog 151       the wizard frame; dialog 2 the licence page
#pragma once

#include <os/desktop.h>
#include <os/sync.h>

#include <array>

namespace cabmover {

// Resource types and ids.
const int kPayloadType = 100;
const int kNameType = 101;
const int kLicenceType = 102;
const int kLicenceId = 5;
const int kComponentType = 103;
const int kComponentId = 2;
const int kFrameDialog = 151;
const int kLicenceDialog = 2;

// String table.
const UINT kNoManager = 1;
const UINT kCaption = 2;
const UINT kNoFolder = 3;
const UINT kWriteFailed = 4;
const UINT kMissingInfo = 5;
const UINT kNoUninstall = 6;
const UINT kLicenceTitle = 9;
const UINT kLicenceSubtitle = 10;

// Controls of the licence page.
const int kLicenceEdit = 6;
const int kAccept = 1031;
const int kDecline = 1032;
const int kBack = 1033;
const int kFinish = IDOK;
const int kCancel = IDCANCEL;
const int kHeader = 1030;
const int kHeaderLabel = 4545;

// The page-to-frame message: wParam is one of the moves.
const UINT kPageMove = WM_USER + 1;
enum PageMove : WPARAM
{
    kMoveNext = 0,
    kMoveBack = 1,
    kMoveFinish = 2,
    kMoveCancel = 3,
};

const int kTitleSize = 80;
const int kTextSize = 256;

struct WizardPage
{
    uint32_t dialog = 0;
    DLGPROC proc = nullptr;
};

struct Wizard
{
    static constexpr int kCapacity = 10000;

    std::array<WizardPage, kCapacity> pages{};
    char title[kTitleSize + 1] = {};
    HINSTANCE instance = nullptr;
    HWND page = nullptr;
    int index = 0;
    int count = 0;
    HWND frame = nullptr;

    void Init(HINSTANCE module, const char* name);
    // False when all the page slots are taken (nothing is written then).
    bool AddPage(uint32_t dialog, DLGPROC proc);
    INT_PTR Run();
    void ShowPage(int at);
    void Next();
    void Back();
    void Finish();
    void Cancel();
    void End();
};

// The one active wizard (set by Init, cleared by End).
Wizard* ActiveWizard();

INT_PTR CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK LicencePageProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
void AddPageHeader(HWND page, const char* title, const char* subtitle);

// The program's entry once the desktop is set up; returns when done.
void InstallerMain();

// Resource readers.
HINSTANCE Module();
// String `id` of the string table, at most 255 characters, always terminated.
void LoadText(char* buffer, UINT id);
// Copies the resource with its NUL; false when it is missing or has no NUL
// within `length` bytes (the buffer is then an empty text).
bool LoadResourceText(int type, int id, char* buffer, int length);
// The bytes of payload `id`, or nullptr when there is none.
const void* FindPayload(int id, DWORD* size);

// Installation.
// The failure's message box: string `text_id`, with the given caption or
// the program's name.
void ReportFailure(UINT text_id, const char* caption = nullptr);
int WritePayloadFile(int id, const char* folder, bool* error);
void WriteUninstallEntry(const char* folder, const char* component);
// The result of starting the application manager (above 31 when it
// started), or 0 after a failure's message box.
UINT InstallPayload(const char* component);

} // namespace cabmover
