// showcase_main.cpp -- the platform showcase program
//
// Opens one full-screen buffered window and runs the engine's message loop;
// every idle turn draws a paced frame. The command line "gapi" presents
// through GAPI's display memory instead of GDI. With OS_OUT set, everything
// the mixer plays is recorded to OS_OUT/showcase-mix.wav.
#include "engine/platform/frame_timer.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/message_loop.h"
#include "engine/platform/system_utils.h"
#include "engine/platform/tests/showcase/showcase_content.h"
#include "engine/platform/tests/showcase/showcase_window.h"

#include "os/testing/sound.h"

#include <os/windows.h>

#include <cstdlib>
#include <string>

namespace {

class FrameDriver : public IdleHandler
{
public:
    explicit FrameDriver(ShowcaseWindow& window) : window(window)
    {
        // A fixed pause per frame: the paced mode measures before it sleeps,
        // and on a clock that only sleeping moves it would never start.
        timer.mode = FrameTimer::Capped;
        timer.targetFps = 25;
        timer.extraDelayMs = 40;
    }

    void onIdle(MSG*, HWND) override
    {
        window.frame(GetTickCount());
        timer.tick();
    }

private:
    ShowcaseWindow& window;
    FrameTimer timer;
};

void recordMix()
{
    if (const char* out = std::getenv("OS_OUT"))
        os::sound::record_mix_to(std::string(out) + "/" + showcase::kMixName);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    std::u16string line = commandLine ? commandLine : u"";
    WCHAR folder[MAX_PATH] = {};
    getProgramFolder(folder);
    recordMix();
    int result = 1;
    {
        ShowcaseWindow window(folder);
        if (window.open())
        {
            if (line.find(u"gapi") != std::u16string::npos)
                GapiDisplay::open(window.getHandle(), true, false);
            FrameDriver driver(window);
            setIdleHandler(&driver);
            result = runMessageLoop(window.getHandle());
            setIdleHandler(nullptr);
            GapiDisplay::close();
        }
    }
    os::sound::stop_recording();
    return result;
}
