// wizard.cpp -- the wizard: a modal frame dialog that shows one page at a
// time, moved by the pages' requests
#include "installer/cabmover/cabmover.h"

#include <algorithm>

namespace cabmover {
namespace {

Wizard* g_active = nullptr;

void move(Wizard& wizard, WPARAM request)
{
    switch (request)
    {
    case kMoveNext: wizard.Next(); break;
    case kMoveBack: wizard.Back(); break;
    case kMoveFinish: wizard.Finish(); break;
    case kMoveCancel: wizard.Cancel(); break;
    default: break;
    }
}

} // namespace

Wizard* ActiveWizard()
{
    return g_active;
}

void Wizard::Init(HINSTANCE module, const char* name)
{
    pages.fill({});
    lstrcpynA(title, name ? name : "", sizeof(title));
    instance = module;
    page = nullptr;
    index = 0;
    count = 0;
    frame = nullptr;
    g_active = this;
}

bool Wizard::AddPage(uint32_t dialog, DLGPROC proc)
{
    if (count >= kCapacity)
        return false;
    pages[size_t(count++)] = {dialog, proc};
    return true;
}

INT_PTR Wizard::Run()
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(kFrameDialog), nullptr, FrameProc, 0);
}

void Wizard::ShowPage(int at)
{
    if (at < 0 || at >= count)
        return;
    HWND previous = page;
    const WizardPage& p = pages[size_t(at)];
    HWND created = CreateDialogParamA(instance, MAKEINTRESOURCEA(p.dialog), frame, p.proc, 0);
    if (!created)
        return;
    RECT client{};
    GetClientRect(frame, &client);
    MoveWindow(created, 0, 0, client.right - client.left, client.bottom - client.top, TRUE);
    ShowWindow(created, SW_SHOW);
    page = created;
    index = at;
    if (previous)
        DestroyWindow(previous);
}

void Wizard::Next()
{
    ShowPage(std::min(index + 1, count - 1));
}

void Wizard::Back()
{
    ShowPage(std::max(index - 1, 0));
}

void Wizard::Finish()
{
    EndDialog(frame, kMoveFinish);
}

void Wizard::Cancel()
{
    EndDialog(frame, kMoveCancel);
}

void Wizard::End()
{
    if (g_active == this)
        g_active = nullptr;
}

INT_PTR CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    Wizard* wizard = ActiveWizard();
    if (!wizard)
        return FALSE;
    switch (msg)
    {
    case WM_INITDIALOG:
        wizard->frame = hwnd;
        SetWindowTextA(hwnd, wizard->title);
        wizard->ShowPage(0);
        return TRUE;
    case kPageMove:
        move(*wizard, wparam);
        [[fallthrough]];
    case WM_COMMAND:
        // Menu and button commands (Escape's IDCANCEL, Enter's IDOK) and the
        // page's own requests go on to the page unchanged.
        if (wparam < 0x10000 && wizard->page)
            PostMessageA(wizard->page, msg, wparam, lparam);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace cabmover
