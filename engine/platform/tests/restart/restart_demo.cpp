// restart_demo.cpp -- the program the restart tests start
//
// Every instance appends one line to "\report.txt": its command line and
// "created" when its window opened, or "stood back" when a window of the
// same class and title already existed (that window is brought to the
// front and this instance ends with code 2). Command lines:
//   ARG:hold     keeps its window until the file "\stop" exists
//   ARG:restart  restarts itself with "ARG:second" from its first idle turn
//   anything else ends as soon as its window is open
#include "engine/platform/message_loop.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/window.h"

#include <os/windows.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

const WCHAR kTitle[] = u"Restart Demo";

void report(const std::u16string& commandLine, const WCHAR* what)
{
    if (FILE* file = _wfopen(u"\\report.txt", u"a"))
    {
        fwprintf(file, u"%s %s\n", commandLine.c_str(), what);
        std::fclose(file);
    }
}

class DemoIdle : public IdleHandler
{
public:
    explicit DemoIdle(std::u16string commandLine) : commandLine(std::move(commandLine)) {}

    void onIdle(MSG*, HWND window) override
    {
        if (commandLine == u"ARG:restart")
        {
            setIdleHandler(nullptr);
            restartProgram(window, u"ARG:second");
            return;
        }
        bool stop = GetFileAttributesW(u"\\stop") != INVALID_FILE_ATTRIBUTES;
        if (commandLine != u"ARG:hold" || stop || std::chrono::steady_clock::now() > deadline)
        {
            setIdleHandler(nullptr);
            DestroyWindow(window);
            return;
        }
        Sleep(1);
    }

private:
    std::u16string commandLine;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    std::u16string line = commandLine ? commandLine : u"";
    if (checkFreeMemory(nullptr, 5.0f) != IDYES)
        return 1;
    int x = 0, y = 0, width = 0, height = 0;
    getScreenRect(&x, &y, &width, &height);
    Window window(kTitle, nullptr, false);
    if (!window.create(x, y, width, height))
    {
        report(line, u"stood back");
        return 2;
    }
    report(line, u"created");
    DemoIdle idle(line);
    setIdleHandler(&idle);
    return runMessageLoop(window.getHandle());
}
