// scene2d.cpp -- racing 2D scenes drawn with the engine's quad filler
#include "racing/engine/scene2d.h"

#include "engine/platform/image.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/core/material.h"
#include "engine/scene/scenes/renderer2d.h"
#include "racing/engine/render_target.h"

#include <algorithm>

namespace racing {

Scene2D::Scene2D(int x_, int y_, int w, int h, uint32_t background, Texture* backgroundTexture)
    : x(x_), y(y_), width(w), height(h), bkgColor(background), bkgTexture(backgroundTexture)
{
}

Scene2D::~Scene2D() = default;

void Scene2D::addChild(const WCHAR* groupName, Group2D* group)
{
    if (!group)
        return;
    copyName(group->name, groupName ? groupName : u"");
    children.emplace_back(group);
}

Group2D* Scene2D::findChild(const WCHAR* groupName) const
{
    for (const auto& child : children)
        if (sameName(child->name, groupName))
            return child.get();
    return nullptr;
}

Group2D* Scene2D::removeChild(const WCHAR* groupName)
{
    for (auto it = children.begin(); it != children.end(); ++it)
        if (sameName((*it)->name, groupName))
        {
            Group2D* group = it->release();
            children.erase(it);
            return group;
        }
    return nullptr;
}

void Scene2D::setTarget(RenderTarget* t)
{
    raster.reset();
    target.reset(t);
}

int Scene2D::zoom() const
{
    if (!target)
        return 1024;
    if (target->width > target->height)
        return width > 0 ? target->width * 1024 / width : 1024;
    return height > 0 ? target->height * 1024 / height : 1024;
}

void Scene2D::render(float)
{
    if (!target)
        return;
    // The filler follows the target's picture (a resize or a window image
    // made again gives it another).
    if (!raster || raster->surface != target->image)
        raster.reset(target->image ? new RasterContext(target->image, 0, 0, target->width, target->height) : nullptr);
    if (raster)
        raster->reset();
    target->beginFrame();
    if (raster)
    {
        Viewport2D view;
        view.width = target->width;
        view.height = target->height;
        view.scale = zoom();
        view.orientation = target->orientation;
        for (const auto& group : children)
            if (group->visible)
                drawGroupShapes(*raster, *group, view);
    }
    target->present(x, y, width, height);
}

} // namespace racing
