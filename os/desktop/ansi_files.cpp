// ansi_files.cpp -- the ANSI file, folder and program-start calls
#include "os/desktop/desktop_private.h"

#include <os/sync.h>
#include <os/wstring.h>

using os::desktop::wide;

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE template_file)
{
    return CreateFileW(wide(path).ptr(), access, share, security, disposition, flags, template_file);
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    return CreateDirectoryW(wide(path).ptr(), security);
}

UINT WinExec(LPCSTR command_line, UINT show)
{
    if (!command_line)
        return 0;
    std::u16string line = os::to_u16(command_line);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info))
    {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ERROR_FILE_NOT_FOUND;
        if (error == ERROR_BAD_EXE_FORMAT)
            return ERROR_BAD_FORMAT;
        return 0;
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return 33;
}
