// scene2d.h -- the racing build's 2D scene and its renderer
//
// A 2D scene holds groups of flat textured shapes (rectangles from the
// template's Group2D entries). Its renderer clears its render target, turns
// every visible shape of every visible group through the group's transform
// into the target (one template unit a pixel when the target has the
// scene's size; the longer side of the target decides the scale), fills
// the quads with the engine's 2D quad filler and presents the target at
// the scene's place.
#pragma once

#include "engine/scene/core/scene_object.h"

#include <os/types.h>

#include <cstdint>
#include <memory>
#include <vector>

class Group2D;
class RasterContext;
class Texture;

namespace racing {

class RenderTarget;

class Scene2D
{
public:
    // Width and height as given (no least size). bkgColor -1: none.
    Scene2D(int x, int y, int width, int height, uint32_t bkgColor, Texture* bkgTexture);
    ~Scene2D();
    Scene2D(const Scene2D&) = delete;
    Scene2D& operator=(const Scene2D&) = delete;

    // The scene owns the group; the name (63 characters) is copied into it.
    void addChild(const WCHAR* groupName, Group2D* group);
    // The first group of that name, else null.
    Group2D* findChild(const WCHAR* groupName) const;
    // Takes the first group of that name out of the scene (not deleted).
    Group2D* removeChild(const WCHAR* groupName);

    // The target the renderer draws into, owned from then on.
    void setTarget(RenderTarget* target);
    RenderTarget* getTarget() const { return target.get(); }
    // One frame into the target, presented at (x, y, width, height).
    void render(float dt);
    // The scale of template units to target pixels, in 1024ths:
    // (target width x 1024) / width when the target is wider than high,
    // else (target height x 1024) / height.
    int zoom() const;

    uint8_t visible = 1;
    int x, y, width, height;
    uint32_t bkgColor;
    Texture* bkgTexture;
    WCHAR name[SceneObject::kNameLength] = {};
    std::vector<std::unique_ptr<Group2D>> children;

private:
    std::unique_ptr<RenderTarget> target;
    std::unique_ptr<RasterContext> raster;
};

} // namespace racing
