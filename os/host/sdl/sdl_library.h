// sdl_library.h -- libSDL2, loaded when the SDL back end is first asked for
//
// Programs do not link SDL: a headless run (every test, every scripted
// session) maps none of SDL's libraries (X11, Wayland, the sound server's).
// The SDL back end calls SDL through this table, filled from
// libSDL2-2.0.so.0 on first use. sdl_backend.cpp reaches it through the
// SDL_... names (sdl_calls.h); every function it calls is listed here.
#pragma once

#include <SDL.h>

#define OS_HOST_SDL_FUNCTIONS(X) \
    X(SDL_CloseAudioDevice) \
    X(SDL_CreateRenderer) \
    X(SDL_CreateSystemCursor) \
    X(SDL_CreateTexture) \
    X(SDL_CreateWindow) \
    X(SDL_DestroyRenderer) \
    X(SDL_DestroyTexture) \
    X(SDL_DestroyWindow) \
    X(SDL_FreeCursor) \
    X(SDL_GetCurrentVideoDriver) \
    X(SDL_GetDisplayUsableBounds) \
    X(SDL_GetError) \
    X(SDL_GetTicks64) \
    X(SDL_GetWindowSize) \
    X(SDL_HideWindow) \
    X(SDL_Init) \
    X(SDL_InitSubSystem) \
    X(SDL_OpenAudioDevice) \
    X(SDL_PauseAudioDevice) \
    X(SDL_PollEvent) \
    X(SDL_PushEvent) \
    X(SDL_Quit) \
    X(SDL_RegisterEvents) \
    X(SDL_RenderClear) \
    X(SDL_RenderCopy) \
    X(SDL_RenderPresent) \
    X(SDL_SetCursor) \
    X(SDL_SetError) \
    X(SDL_SetHint) \
    X(SDL_ShowCursor) \
    X(SDL_ShowMessageBox) \
    X(SDL_StartTextInput) \
    X(SDL_StopTextInput) \
    X(SDL_UpdateTexture) \
    X(SDL_WaitEventTimeout)

namespace os::host::sdl {

struct Library
{
#define OS_HOST_SDL_MEMBER(name) decltype(&::name) name = nullptr;
    OS_HOST_SDL_FUNCTIONS(OS_HOST_SDL_MEMBER)
#undef OS_HOST_SDL_MEMBER
};

// The loaded library. When it cannot be loaded, says why on stderr and ends
// the process with status 2, as the back end does when no window can open.
const Library& library();

} // namespace os::host::sdl
