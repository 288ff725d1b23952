// surface.cpp -- RGB565 surfaces
#include "ravenor/engine/display/surface.h"

#include <new>

Surface::Surface(int32_t width, int32_t height, int32_t pitch, uint16_t* pixels)
    : width(width), height(height), pitch(pitch), pixels(pixels)
{
}

std::unique_ptr<Surface> Surface::Make(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return nullptr;
    const int32_t pitch = PitchFor(width);
    std::unique_ptr<Surface> surface(new (std::nothrow) Surface(width, height, pitch, nullptr));
    if (!surface)
        return nullptr;
    try
    {
        surface->store_.assign(static_cast<size_t>(pitch / 4) * height, 0);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
    surface->pixels = reinterpret_cast<uint16_t*>(surface->store_.data());
    surface->ownsPixels = true;
    return surface;
}
