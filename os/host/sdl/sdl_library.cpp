// sdl_library.cpp -- loading libSDL2 on first use
#include "os/host/sdl/sdl_library.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace os::host::sdl {

namespace {

constexpr const char* kSoname = "libSDL2-2.0.so.0";

[[noreturn]] void cannot_load(const char* what)
{
    fprintf(stderr, "The SDL back end needs %s: %s\n"
                    "Install it (scripts/install-deps), or run without a window (OS_BACKEND=headless).\n",
            kSoname, what ? what : "not found");
    exit(2);
}

Library load()
{
    void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
    {
        cannot_load(dlerror());
    }
    Library lib;
#define OS_HOST_SDL_LOOKUP(name)                                                                                       \
    lib.name = reinterpret_cast<decltype(lib.name)>(dlsym(handle, #name));                                             \
    if (!lib.name)                                                                                                     \
    {                                                                                                                  \
        cannot_load(dlerror());                                                                                        \
    }
    OS_HOST_SDL_FUNCTIONS(OS_HOST_SDL_LOOKUP)
#undef OS_HOST_SDL_LOOKUP
    // The library stays loaded to the end of the process: SDL's threads and
    // handlers may outlive any one window.
    return lib;
}

} // namespace

const Library& library()
{
    static const Library lib = load();
    return lib;
}

} // namespace os::host::sdl
