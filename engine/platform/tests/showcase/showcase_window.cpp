// showcase_window.cpp -- drawing, the chime's life and the fade
#include "engine/platform/tests/showcase/showcase_window.h"

#include "engine/platform/system_utils.h"
#include "engine/platform/tests/showcase/showcase_content.h"

#include <algorithm>
#include <string>

using namespace showcase;

ShowcaseWindow* ShowcaseWindow::current = nullptr;

namespace {

std::u16string inFolder(const WCHAR* folder, const char16_t* name)
{
    return std::u16string(folder) + name;
}

} // namespace

ShowcaseWindow::ShowcaseWindow(const WCHAR* folder)
    : BufferedWindow(u"Platform Showcase", nullptr),
      jpeg(std::make_unique<Image>(inFolder(folder, kJpegName).c_str(), true)),
      bmp(std::make_unique<Image>(inFolder(folder, kBmpName).c_str(), true)),
      badge(std::make_unique<Image>(inFolder(folder, kGifName).c_str(), true)),
      chime(std::make_unique<WaveSound>(inFolder(folder, kWavName).c_str())), fade(kFadeColour, 0)
{
    current = this;
    Window::setWaveDoneHandler(&ShowcaseWindow::chimeDone);
}

ShowcaseWindow::~ShowcaseWindow()
{
    chime.reset();
    Window::setWaveDoneHandler(nullptr);
    current = nullptr;
}

bool ShowcaseWindow::open()
{
    int x = 0, y = 0, width = 0, height = 0;
    getScreenRect(&x, &y, &width, &height);
    if (!create(x, y, width, height))
        return false;
    addPresentFilter(&fade);
    return getBackBuffer() != nullptr;
}

void ShowcaseWindow::chimeDone(WaveSound* sound)
{
    WaveSound::complete(sound);
    if (current && sound == current->chime.get() && !current->chimeEnded)
    {
        current->chimeEnded = true;
        current->chimeHeard = true;
        current->chimeEndedAt = GetTickCount();
    }
}

// A chime that cannot play (no wave device, sounds off) counts as ended at
// once, so the show goes on without it.
void ShowcaseWindow::startChime(DWORD now)
{
    chimeStarted = true;
    chime->play(getHandle());
    if (chime->state != WaveSound::Playing)
    {
        chimeEnded = true;
        chimeEndedAt = now;
    }
}

uint32_t ShowcaseWindow::lightColour() const
{
    if (chimeHeard)
        return kLightDone;
    return chime->state == WaveSound::Playing ? kLightPlaying : kLightIdle;
}

int ShowcaseWindow::fadeAmount(DWORD now) const
{
    if (!chimeEnded)
        return 0;
    long elapsed = long(now - chimeEndedAt) - kFadeDelayMs;
    return int(std::clamp(elapsed * 256 / kFadeMs, 0L, 256L));
}

void ShowcaseWindow::drawScene(Image& canvas)
{
    canvas.drawRect(kBackground, 0, 0, -1, -1, true);
    canvas.drawImage(*jpeg, kJpegX, kJpegY);
    canvas.drawImage(*bmp, kBmpX, kBmpY);
    uint32_t key = badge->hasColorKey ? badge->colorKey : 0xFFFFFFFFu;
    canvas.drawImage(*badge, kBadgeX, kBadgeY, -1, -1, -1, -1, key);
    canvas.drawScaled(*bmp, kScaledX, kScaledY, 2 * bmp->width, 2 * bmp->height);
    canvas.drawRect(lightColour(), kLightX, kLightY, kLightSide, kLightSide, true);
}

void ShowcaseWindow::frame(DWORD now)
{
    BackBuffer* buffer = getBackBuffer();
    if (!buffer || !getHandle())
        return;
    if (!chimeStarted)
        startChime(now);
    drawScene(*buffer->getImage());
    fade.setAmount(fadeAmount(now));
    present(nullptr, -1);
}
