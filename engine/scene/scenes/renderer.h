// renderer.h -- the base of every scene renderer and its display target
//
// The canvas gives each renderer a display target: the rectangle of the
// target surface the scene covers (already multiplied by the canvas zoom),
// the zoom itself and the surface (the canvas back buffer).
#pragma once

#include <cstdint>

class Image;
class Scene;

struct DisplayTarget
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    float zoom = 1.0f;
    Image* surface = nullptr;
};

class Renderer
{
public:
    DisplayTarget* target = nullptr;
    int32_t frameCounter = 0;
    Scene* scene = nullptr;

    explicit Renderer(Scene* owner = nullptr) : scene(owner) {}
    virtual ~Renderer() { delete target; }
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Draws the scene; dt is the frame time in seconds (0 or less: no time passed).
    virtual void render(float dt) = 0;

    // Gives the renderer its place (the record is copied).
    void setTarget(const DisplayTarget& place)
    {
        if (!target)
            target = new DisplayTarget;
        *target = place;
    }
};
