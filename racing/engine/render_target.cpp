// render_target.cpp -- the picture a racing scene's renderer draws into
#include "racing/engine/render_target.h"

#include "engine/platform/image.h"
#include "engine/scene/core/fixed_point.h"

namespace racing {

int zoomedSide(int side, float zoom)
{
    return saturatingInt(double(side) * zoom);
}

RenderTarget::RenderTarget(Image* window, int w, int h, uint32_t colour, Image* background, bool share)
    : windowImage(window), width(w), height(h), bkgColor(colour), bkgImage(background), clipWidth(w), clipHeight(h),
      mayShare(share ? 1 : 0)
{
    acquireImage();
}

RenderTarget::~RenderTarget()
{
    releaseImage();
}

void RenderTarget::acquireImage()
{
    if (mayShare && windowImage && windowImage->width == width && windowImage->height == height)
    {
        image = windowImage;
        shared = 1;
        return;
    }
    image = new Image(width, height, true);
    shared = 0;
}

void RenderTarget::releaseImage()
{
    if (!shared)
        delete image;
    image = nullptr;
    shared = 0;
}

void RenderTarget::resize(int w, int h)
{
    originX = originY = 0;
    width = clipWidth = w;
    height = clipHeight = h;
    releaseImage();
    acquireImage();
}

void RenderTarget::setWindowImage(Image* window)
{
    releaseImage();
    windowImage = window;
    acquireImage();
}

void RenderTarget::beginFrame()
{
    if (!image)
        return;
    if (frameListener)
        frameListener->beforeBackground(image);
    if (bkgImage && !bkgImage->isEmpty())
        image->drawScaled(*bkgImage, 0, 0, image->width, image->height);
    else if (bkgColor != 0xFFFFFFFFu)
        image->fill(bkgColor);
    if (frameListener)
        frameListener->afterBackground(image);
}

void RenderTarget::present(int x, int y, int w, int h)
{
    for (Overlay* overlay : overlays)
        overlay->onPresent(image);
    if (image && windowImage && image != windowImage)
        windowImage->blit(*image, x, y, w, h);
}

} // namespace racing
