// environment.h -- clip planes, ambient colour and fog of a 3D scene
#pragma once

#include <cstdint>

struct Fog
{
    int32_t front = 100;
    int32_t back = 200;
    uint32_t color = 0xFFFFFF;

    Fog() = default;
    Fog(int32_t front_, int32_t back_, uint32_t colour) : front(front_), back(back_), color(colour) {}
    // A fog is drawn only when its back lies beyond its front.
    bool isUsable() const { return back > front; }
};

// The environment does not own its fog; the scene that set it does.
struct Environment
{
    float frontClip = 1.0f;
    float backClip = 1000.0f;
    uint32_t ambient = 0;
    Fog* fog = nullptr;

    void setClipPlanes(float front, float back)
    {
        frontClip = front;
        backClip = back;
    }
};
