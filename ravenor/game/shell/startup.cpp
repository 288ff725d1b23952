// startup.cpp -- start-up steps of the program
#include "ravenor/game/shell/startup.h"

#include <os/windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "ravenor/engine/core/transform.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/engine/data/textures.h"
#include "ravenor/engine/display/system_bindings.h"
#include "ravenor/engine/render/city_cells.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/span_fill.h"
#include "ravenor/engine/render/text.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/classes/class_table.h"
#include "ravenor/game/front_end/interface_images.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/shell/bmp_reader.h"
#include "ravenor/game/shell/window_proc.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/world_draw.h"

namespace {

constexpr DWORD kMinimumMemory = 4500000;
constexpr int kWindowWidth = 176;
constexpr int kWindowHeight = 220;
constexpr int kSplashTop = 80;
const WCHAR kClassName[] = u"Ravenor";


// The host may show its window only once messages are served: let it, without
// taking any message, so the splash reaches a real window while loading runs.
void LetHostShowWindow()
{
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
}

// Copies a bitmap in its own size through a memory DC
void BlitBitmap(HDC target, HBITMAP bitmap, int x, int y)
{
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HDC memory = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(target, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

} // namespace

void SetProgramFolder()
{
    WCHAR path[kProgramFolderChars] = {};
    GetModuleFileNameW(nullptr, path, kProgramFolderChars);
    if (WCHAR* slash = wcsrchr(path, u'\\'))
        slash[1] = 0;
    else
        path[0] = 0;
    wcscpy(g_shell.programFolder, path);
    DataArchive::SetFolder(g_shell.programFolder);
}

void CheckMemory()
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    if (status.dwAvailPhys >= kMinimumMemory)
        return;
    MessageBoxW(nullptr,
                u"Not enough memory to run. This program requires around 4.5M available memory. Try freeing memory "
                u"by closing down applications",
                nullptr, MB_ICONSTOP | MB_SETFOREGROUND | MB_TOPMOST);
    ExitProcess(0);
}

bool RaiseRunningInstance()
{
    HWND running = FindWindowW(kClassName, kClassName);
    if (!running)
        return false;
    // The device only brings the running copy to the front; on a desktop it
    // may be in another window, so this copy says why it ends.
    std::fprintf(stderr, "Ravenor is already running on this device; this copy ends and brings that one to the "
                         "front.\n");
    SetForegroundWindow(running);
    return true;
}

void EndOnUnusableData(const char* reason)
{
    std::fprintf(stderr, "Ravenor: %s\n", reason);
    std::u16string text = u"The game's data \"demo.bin\" cannot be used (";
    for (const char* c = reason; *c != 0; ++c)
        text += static_cast<char16_t>(static_cast<unsigned char>(*c));
    text += u"). Ravenor ends; installing it again brings its data back.";
    MessageBoxW(g_shell.window, text.c_str(), kClassName, MB_OK | MB_ICONSTOP);
    ExitProcess(1);
}

bool CreateGameWindow(HINSTANCE instance, HINSTANCE previous)
{
    g_shell.instance = instance;
    if (!previous)
    {
        WNDCLASSW wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kClassName;
        if (!RegisterClassW(&wc))
            return false;
    }
    g_shell.window = CreateWindowExW(0, kClassName, kClassName, WS_POPUP | WS_VISIBLE, 0, 0, kWindowWidth,
                                     kWindowHeight, nullptr, nullptr, instance, nullptr);
    return g_shell.window != nullptr;
}

void ShowSplash(HWND window)
{
    WCHAR path[kProgramFolderChars + 16];
    wcscpy(path, g_shell.programFolder);
    wcscat(path, u"splash2.bmp");
    HBITMAP splash = LoadDIBitmap(path);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    if (!splash)
        return;
    HDC dc = GetDC(window);
    BlitBitmap(dc, splash, 0, kSplashTop);
    ReleaseDC(window, dc);
    DeleteObject(splash);
    LetHostShowWindow();
}

bool PrepareScreen(int showCommand)
{
    HWND window = g_shell.window;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    CallSHFullScreen(window, SHFS_HIDESIPBUTTON);
    CallSHFullScreen(window, SHFS_HIDESTARTICON);
    CallSHFullScreen(window, SHFS_HIDETASKBAR);
    MoveWindow(window, 0, 0, kWindowWidth, kWindowHeight, TRUE);
    g_shell.displayParams = DisplayParams{0, 0, 0, kSwapDiscard};
    g_shell.display = Display::Create(window, g_shell.displayParams);
    if (!g_shell.display)
        return false;
    SetFrameDisplay(g_shell.display.get());
    KeyMap::Detect(g_shell.keyMap, 0);
    return true;
}

void SetUpRenderer()
{
    g_shell.matrixStack.Init(kMatrixLevels);
    g_renderer.stack = &g_shell.matrixStack;
    g_renderer.Init();
    g_renderer.SetMode(7);
    g_renderer.SetMode(2);
}

int StartupLoad()
{
    InstallClassHandlers();
    LoadFont();
    SetUpRenderer();
    SilenceKeyClicks();
    LoadSettings();
    // The sounds come before the city, so that a run whose city fails still
    // has its menu sounds.
    g_sound.window = g_shell.window;
    SetMusicVolume(static_cast<int32_t>(g_settings.musicVolume), kMaxVolume);
    SetEffectsVolume(static_cast<int32_t>(g_settings.effectsVolume), kMaxVolume);
    LoadSounds();
    for (uint8_t& key : g_shell.keys)
        key = 0;
    g_shell.sceneryLoaded = false;
    if (!LoadScenery("scenery.p3d") || !LoadTextures("scenery.tex"))
        return 0;
    for (int32_t m = 0; m < g_scenery.count; ++m)
        g_scenery.meshes[m].scenery = 1;
    g_world.loadingStep = LetHostShowWindow;
    if (g_world.BuildCells(g_scenery.meshes, g_scenery.count, 16, 8, 16) != 0)
        return 0;
    g_shell.sceneryLoaded = true;
    BuildStarField();
    g_menu.selectedStage = std::max(0, g_settings.unlockedStages - 1);
    LoadInterfaceImages();
    // The cone's family
    SendClassMessage(kClassCone, nullptr, kMsgLoad);
    ResetAllEntities();
    return 1;
}
