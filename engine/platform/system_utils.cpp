// system_utils.cpp -- memory check, program paths, processes, error boxes
#include "engine/platform/system_utils.h"

#include <string>

namespace {

constexpr int kOemInfoLength = 40;

std::u16string programPath()
{
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

DWORD getFreeMemory()
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return status.dwAvailPhys;
}

int checkFreeMemory(HWND parent, float neededMB)
{
    WCHAR name[MAX_PATH];
    getProgramFileName(name);
    std::u16string quoted = u"'" + std::u16string(name) + u"'";
    return checkFreeMemoryAs(parent, quoted.c_str(), neededMB);
}

int checkFreeMemoryAs(HWND parent, const WCHAR* shownName, float neededMB)
{
    float freeMB = float(getFreeMemory()) * (1.0f / 1048576.0f);
    if (!(freeMB < neededMB))
        return IDYES;
    std::u16string text = os::format(u"%s needs %.1fMB memory. Free memory is now %.1fMB.\n"
                                     u"System will adjust memory distribution to meet this requirement.\n"
                                     u"Ingore this warning and continue?",
                                     shownName ? shownName : u"", double(neededMB), double(freeMB));
    return MessageBoxW(parent, text.c_str(), u"Memory Warning", MB_YESNO | MB_ICONEXCLAMATION);
}

void getProgramFolder(WCHAR* buffer)
{
    std::u16string path = programPath();
    size_t slash = path.rfind(u'\\');
    if (slash != std::u16string::npos)
        path.resize(slash + 1);
    wcscpy(buffer, path.c_str());
}

void getProgramFileName(WCHAR* buffer)
{
    std::u16string path = programPath();
    size_t slash = path.rfind(u'\\');
    wcscpy(buffer, path.c_str() + (slash == std::u16string::npos ? 0 : slash + 1));
}

bool getSpecialFolder(int folder, WCHAR* buffer)
{
    return SHGetSpecialFolderPathW(nullptr, buffer, folder, TRUE) != FALSE;
}

bool startProgram(const WCHAR* program, const WCHAR* arguments)
{
    std::u16string line = arguments ? arguments : u"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return true;
}

// The window goes first, so that the new instance does not find it and
// stand back in its favour.
bool restartProgram(HWND window, const WCHAR* arguments)
{
    std::u16string program = programPath();
    DestroyWindow(window);
    return startProgram(program.c_str(), arguments);
}

void showLastError()
{
    WCHAR* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    MessageBoxW(nullptr, text ? text : u"", u"Error", MB_OK | MB_ICONEXCLAMATION);
    if (text)
        LocalFree(text);
}

void getScreenRect(int* x, int* y, int* width, int* height)
{
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
    *x = 0;
    *y = 0;
    if (*width <= *height)
        return;
    WCHAR name[MAX_PATH];
    getProgramFileName(name);
    std::u16string text = os::format(u"'%s' can not run under landscape mode.\n"
                                     u"Change the screen orientation to portrait mode and run again.",
                                     name);
    MessageBoxW(nullptr, text.c_str(), u"Error", MB_OK);
    exitCurrentThread(DWORD(-1));
}

void getOemInfo(WCHAR* buffer)
{
    SystemParametersInfoW(SPI_GETOEMINFO, kOemInfoLength, buffer, 0);
}

void exitCurrentThread(DWORD code)
{
    ExitThread(code);
}
