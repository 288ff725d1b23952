// base_library.cpp -- racing accessors, fixed-point scale, GAPI blit, fade
#include "racing/engine/base_library.h"

#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/base/resource_pack.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/color_fade.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"
#include "racing/engine/canvas.h"

#include <os/mmsystem.h>
#include <os/wstring.h>

#include <algorithm>
#include <cstring>

namespace racing {

namespace {

int g_subShift = 0;

} // namespace

void initRacingMath()
{
    if (fixedScale() == -1)
        setFixedPointShift(10, 3);
    initMathTables();
}

void initRacingBase()
{
    ResourcePack::setCaseExactMembers(true);
    initRacingMath();
}

WaveDeviceCaps::WaveDeviceCaps()
{
    WAVEOUTCAPSW caps{};
    if (waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof caps) != MMSYSERR_NOERROR)
        return;
    hasFormats = caps.dwFormats != 0;
    stereo = caps.wChannels == 2;
}

void setFixedPointShift(int shift, int subShift)
{
    setFixedShift(shift);
    g_subShift = subShift;
}

int fixedSubShift()
{
    return g_subShift;
}

int fixedSubScale()
{
    return g_subShift >= 0 && g_subShift < 32 ? fixedScale() >> g_subShift : 0;
}

int clampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

int getFieldInt(Properties& properties, const WCHAR* key, const WCHAR* field)
{
    WCHAR* text = properties.getField(key, field);
    if (!text)
        return -1;
    int value = int(_wtol(text));
    delete[] text;
    return value;
}

float getFieldFloat(Properties& properties, const WCHAR* key, const WCHAR* field)
{
    WCHAR* text = properties.getField(key, field);
    if (!text)
        return 0.0f;
    float value = float(wcstod(text, nullptr));
    delete[] text;
    return value;
}

const WCHAR* findCharInPrefix(const WCHAR* text, int n, WCHAR c)
{
    if (!text || n < 1)
        return nullptr;
    return findCharWithin(text, n, c);
}

void gapiBlit(const Image& image, int x, int y)
{
    auto* frame = static_cast<uint8_t*>(GapiDisplay::framePointer());
    if (!frame || image.bits != 16 || !image.pixels)
        return;
    const GapiDisplay::FrameBuffer& display = GapiDisplay::frameBuffer();
    int skipX = x < 0 ? -x : 0, skipY = y < 0 ? -y : 0;
    x = std::max(x, 0);
    y = std::max(y, 0);
    // Clipped to what lies on the display from (x, y) on.
    int width = std::min(image.width - skipX, display.width - x);
    int height = std::min(image.height - skipY, display.height - y);
    if (width <= 0 || height <= 0)
        return;
    for (int row = 0; row < height; ++row)
    {
        const uint8_t* source = image.getPixelAddress(skipX, skipY + row);
        uint8_t* target = frame + intptr_t(x) * display.xPitch + intptr_t(y + row) * display.yPitch;
        if (display.xPitch == 2)
        {
            std::memcpy(target, source, size_t(width) * 2);
            continue;
        }
        for (int i = 0; i < width; ++i)
            std::memcpy(target + intptr_t(i) * display.xPitch, source + i * 2, 2);
    }
}

namespace {

class RacingFade : public FadeTarget
{
public:
    explicit RacingFade(Canvas* canvas_) : canvas(canvas_) {}
    void attachFade(ColorBlendFilter* filter) override { canvas->addPresentFilter(FadeEffect::kFilterName, filter); }
    void detachFade(ColorBlendFilter*) override { canvas->removePresentFilter(FadeEffect::kFilterName); }
    void redrawScenes() override { canvas->renderScenes(); }
    void showFadeStep(bool) override { canvas->present(); }
    Image* fadeImage() override { return canvas->getBackBuffer() ? canvas->getBackBuffer()->getImage() : nullptr; }

private:
    Canvas* canvas;
};

} // namespace

void FadeEffect::apply(Canvas* canvas, bool fadeIn, bool redraw)
{
    if (!canvas)
        return;
    RacingFade target(canvas);
    runColorFade(duration, fps, colour, fadeIn, redraw, target);
}

} // namespace racing
