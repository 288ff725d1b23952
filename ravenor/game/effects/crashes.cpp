// crashes.cpp -- the crash sounds of hits, each at most once in 969 ms
#include "ravenor/game/effects/crashes.h"

#include <os/windows.h>

#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/base/sound.h"

namespace {

// Crash sounds come at most once per 969 ms each.
constexpr uint32_t kCrashSoundMs = 969;
struct SoundThrottle
{
    uint32_t last = 0;
    bool played = false;
};
SoundThrottle g_lightCrash;
SoundThrottle g_wallCrash;

bool Due(SoundThrottle& throttle)
{
    const uint32_t now = GetTickCount();
    if (throttle.played && now - throttle.last < kCrashSoundMs)
        return false;
    throttle.played = true;
    throttle.last = now;
    return true;
}

} // namespace

void CrashSoundLight()
{
    if (Due(g_lightCrash))
        PlaySoundRandomRate(g_shell.frameCounter % 2 == 0 ? kSoundCollision1 : kSoundCollision2);
}

void CrashSoundWall()
{
    if (Due(g_wallCrash))
        PlaySoundRandomRate(kSoundWall1 + static_cast<int>(g_shell.frameCounter % 3));
}

void ResetCrashSounds()
{
    g_lightCrash = SoundThrottle{};
    g_wallCrash = SoundThrottle{};
}
