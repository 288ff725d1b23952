// install.cpp -- writing the payload beside the application manager,
// recording the uninstaller and starting the manager
//
// Every failure ends the installation with one message box and leaves what
// was already written; only a failed uninstall entry lets it go on.
#include "installer/cabmover/cabmover.h"

#include <cstring>

namespace cabmover {
namespace {

const char kManagerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The manager's path from its App Paths entry; false when it is missing,
// not a text, or has no backslash.
bool manager_path(char (&path)[MAX_PATH + 1])
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = MAX_PATH;
    LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, (LPBYTE)path, &size);
    RegCloseKey(key);
    path[rc == ERROR_SUCCESS ? std::min<DWORD>(size, MAX_PATH) : 0] = 0; // the value may lack its NUL
    return rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && std::strrchr(path, '\\');
}

// The manager's folder with its last backslash, then the component name.
bool install_folder(const char* manager, const char* component, char (&folder)[MAX_PATH + 1])
{
    size_t cut = size_t(std::strrchr(manager, '\\') - manager) + 1;
    if (cut + size_t(lstrlenA(component)) > MAX_PATH)
        return false;
    lstrcpynA(folder, manager, int(cut) + 1);
    lstrcatA(folder, component);
    return true;
}

bool write_all(const char* path, const void* data, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

// Writes payloads 1, 2, ... until the first id without one; false on a
// failure.
bool write_payloads(const char* folder)
{
    for (int id = 1;; ++id)
    {
        bool error = false;
        if (!WritePayloadFile(id, folder, &error))
            return !error;
    }
}

// The quoted path of payload 1's file; false when its name is missing or
// the whole would not fit a path.
bool ini_argument(const char* folder, char (&out)[MAX_PATH + 3])
{
    char name[MAX_PATH + 1];
    if (!LoadResourceText(kNameType, 1, name, sizeof(name)))
        return false;
    if (size_t(lstrlenA(folder)) + 1 + size_t(lstrlenA(name)) > MAX_PATH)
        return false;
    wsprintfA(out, "\"%s\\%s\"", folder, name);
    return true;
}

} // namespace

void ReportFailure(UINT text_id, const char* caption)
{
    char text[kTextSize];
    char program[kTextSize];
    LoadText(text, text_id);
    if (!caption)
    {
        LoadText(program, kCaption);
        caption = program;
    }
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

int WritePayloadFile(int id, const char* folder, bool* error)
{
    *error = false;
    DWORD size = 0;
    const void* data = FindPayload(id, &size);
    if (!data)
        return 0;
    *error = true;
    char name[MAX_PATH + 1];
    if (!LoadResourceText(kNameType, id, name, sizeof(name)))
        return 0;
    if (size_t(lstrlenA(folder)) + 1 + size_t(lstrlenA(name)) > MAX_PATH)
        return 0;
    char path[MAX_PATH + 1];
    wsprintfA(path, "%s\\%s", folder, name);
    if (!write_all(path, data, size))
        return 0;
    *error = false;
    return 1;
}

void WriteUninstallEntry(const char* folder, const char* component)
{
    HKEY key = nullptr;
    HKEY entry = nullptr;
    bool ok = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_CREATE_SUB_KEY | KEY_QUERY_VALUE, &key) ==
                  ERROR_SUCCESS &&
              RegCreateKeyExA(key, component, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr) ==
                  ERROR_SUCCESS;
    if (ok)
    {
        // The uninstaller's path is quoted: install folders often hold blanks.
        char command[2 * MAX_PATH + 32];
        wsprintfA(command, "\"%s\\Uninstall.exe\" %s", folder, component);
        ok = RegSetValueExA(entry, "DisplayName", 0, REG_SZ, (const BYTE*)component, DWORD(lstrlenA(component) + 1)) ==
                 ERROR_SUCCESS &&
             RegSetValueExA(entry, "UninstallString", 0, REG_SZ, (const BYTE*)command,
                            DWORD(lstrlenA(command) + 1)) == ERROR_SUCCESS;
    }
    if (entry)
        RegCloseKey(entry);
    if (key)
        RegCloseKey(key);
    if (!ok)
        ReportFailure(kNoUninstall);
}

UINT InstallPayload(const char* component)
{
    char manager[MAX_PATH + 1];
    char folder[MAX_PATH + 1] = {};
    if (!manager_path(manager))
    {
        ReportFailure(kNoManager);
        return 0;
    }
    if (!install_folder(manager, component, folder) ||
        (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS))
    {
        ReportFailure(kNoFolder, folder[0] ? folder : manager);
        return 0;
    }
    if (!write_payloads(folder))
    {
        ReportFailure(kWriteFailed, folder);
        return 0;
    }
    char ini[MAX_PATH + 3];
    if (!ini_argument(folder, ini))
    {
        ReportFailure(kMissingInfo);
        return 0;
    }
    WriteUninstallEntry(folder, component);
    // The manager's path is quoted too, so a folder with blanks names it whole.
    char command[2 * MAX_PATH + 8];
    wsprintfA(command, "\"%s\" %s", manager, ini);
    return WinExec(command, SW_SHOW);
}

} // namespace cabmover
