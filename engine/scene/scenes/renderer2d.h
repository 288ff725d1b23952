// renderer2d.h -- transforms and fills the 2D groups of a Scene2D
#pragma once

#include "engine/scene/scenes/renderer.h"
#include "engine/scene/2d/shape2d.h"

class Group2D;
class RasterContext;
class Scene2D;

// Projects the visible shapes of a group through its transform into the
// viewport and fills each quad that has a material and is not wholly beyond
// one edge (both builds' 2D renderers draw their groups with it).
void drawGroupShapes(RasterContext& raster, const Group2D& group, const Viewport2D& view);

class Renderer2D : public Renderer
{
public:
    RasterContext* rasterContext = nullptr;

    explicit Renderer2D(Scene2D* scene);
    ~Renderer2D() override;

    // Makes the raster context for the scene's current surface and target.
    void initRasterizer();
    void render(float dt) override;

private:
    void drawGroup(Group2D& group, float dt, const Viewport2D& view);
};
