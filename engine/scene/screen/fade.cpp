// fade.cpp -- the colour fade on a canvas
#include "engine/scene/screen/fade.h"

#include "engine/platform/back_buffer.h"
#include "engine/platform/color_fade.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/platform/present_filter.h"
#include "engine/scene/screen/canvas.h"

namespace {

// Presents at the canvas zoom; the sinking fade-out shows the whole picture
// through GDI and the zoomed part under GAPI.
class CanvasFade : public FadeTarget
{
public:
    explicit CanvasFade(Canvas* canvas_) : canvas(canvas_), zoom256(int(canvas_->getZoom() * 256.0f)) {}
    void attachFade(ColorBlendFilter* filter) override { canvas->addPresentFilter(filter); }
    void detachFade(ColorBlendFilter* filter) override { canvas->removePresentFilter(filter); }
    void redrawScenes() override { canvas->renderScenes(); }
    void showFadeStep(bool sinking) override { canvas->present(nullptr, sinking ? sinkZoom256() : zoom256); }
    Image* fadeImage() override { return canvas->getBackBuffer() ? canvas->getBackBuffer()->getImage() : nullptr; }
    int sinkZoom256() override { return GapiDisplay::isDisplayOpen() ? zoom256 : 256; }

private:
    Canvas* canvas;
    int zoom256;
};

} // namespace

void FadeEffect::apply(Canvas* canvas, bool fadeIn, bool redraw)
{
    if (!canvas)
        return;
    CanvasFade target(canvas);
    runColorFade(duration, fps, colour, fadeIn, redraw, target);
}
