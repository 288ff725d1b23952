// dialog_api.cpp -- the dialog calls: modal and modeless dialogs, their end,
// and the calls that reach controls by id
#include "os/desktop/dialog_private.h"

#include "os/host/host.h"

using namespace os::desktop;

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    const DialogTemplate* dialog = find_dialog(name);
    if (!dialog)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    bool disable_owner = owner && IsWindowEnabled(owner);
    if (disable_owner)
        EnableWindow(owner, FALSE);
    HWND hwnd = create_dialog(instance, *dialog, owner, proc, param, true);
    INT_PTR result = -1;
    if (auto state = dialog_state(hwnd))
    {
        if (!state->ended)
        {
            ShowWindow(hwnd, SW_SHOW);
            focus_first(hwnd);
            run_modal(hwnd, *state);
        }
        result = state->result;
        DestroyWindow(hwnd);
    }
    if (disable_owner)
        EnableWindow(owner, TRUE);
    return result;
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param)
{
    const DialogTemplate* dialog = find_dialog(name);
    if (!dialog)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return create_dialog(instance, *dialog, parent, proc, param, false);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    auto state = dialog_state(dialog);
    if (!state)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    state->ended = true;
    state->result = result;
    ShowWindow(dialog, SW_HIDE);
    PostMessageW(dialog, WM_NULL, 0, 0); // wake the modal loop
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wparam, LPARAM lparam)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageA(item, msg, wparam, lparam) : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowTextA(item, text) : FALSE;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check)
{
    if (!IsWindow(dialog) || first > last)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (int id = first; id <= last; ++id)
        if (GetDlgItem(dialog, id))
            CheckDlgButton(dialog, id, id == check ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect)
{
    auto state = dialog_state(dialog);
    if (!state || !rect)
    {
        SetLastError(state ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = dialog_units_to_pixels(*rect, state->base_x, state->base_y);
    return TRUE;
}
