// renderer2d.cpp -- 2D groups through the quad filler
#include "engine/scene/scenes/renderer2d.h"

#include "engine/scene/2d/group2d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/core/texture.h"

Renderer2D::Renderer2D(Scene2D* owner) : Renderer(owner) {}

Renderer2D::~Renderer2D()
{
    delete rasterContext;
}

void Renderer2D::initRasterizer()
{
    delete rasterContext;
    rasterContext = nullptr;
    Image* surface = scene->getSurface();
    if (!target || !surface)
        return;
    rasterContext = new RasterContext(surface, target->x, target->y, target->width, target->height);
    rasterContext->renderer = this;
}

void Renderer2D::render(float dt)
{
    if (dt > 0.0f)
        ++frameCounter;
    scene->drawBackground();
    if (!target)
        return;
    if (!rasterContext || rasterContext->surface != scene->getSurface())
        initRasterizer();
    if (!rasterContext)
        return;
    rasterContext->reset();
    Viewport2D view;
    view.width = target->width;
    view.height = target->height;
    view.scale = scene->width > 0 ? int(float(target->width) * 1024.0f * scene->screenScale / float(scene->width))
                                  : 1024;
    for (int i = 0; i < scene->children.size(); ++i)
    {
        auto* group = static_cast<Group2D*>(scene->child(i));
        if (group->visible)
            drawGroup(*group, dt, view);
    }
}

void Renderer2D::drawGroup(Group2D& group, float dt, const Viewport2D& view)
{
    for (int i = group.materials.size() - 1; i >= 0; --i)
    {
        Material* m = group.material(i);
        if (m->texture)
            m->texture->advanceOnce(dt, frameCounter);
        if (m->mask)
            m->mask->advanceOnce(dt, frameCounter);
    }
    drawGroupShapes(*rasterContext, group, view);
}

void drawGroupShapes(RasterContext& raster, const Group2D& group, const Viewport2D& view)
{
    const float* m = group.transform.m;
    for (int s = 0; s < group.shapes.size(); ++s)
    {
        Shape2D* shape = group.shape(s);
        if (!shape->visible)
            continue;
        for (int k = 0; k < shape->points.size(); ++k)
            shape->point(k)->project(m, view);
        if (!shape->material)
            continue;
        for (int k = 0; k < shape->polygons.size(); ++k)
        {
            const Polygon2D* p = shape->polygon(k);
            if (!p->isValidFor(shape->points.size()))
                continue;
            const ShapePoint* c[4] = {shape->point(p->a), shape->point(p->b), shape->point(p->c), shape->point(p->d)};
            if (c[0]->outcode & c[1]->outcode & c[2]->outcode & c[3]->outcode)
                continue;
            QuadPoint quad[4] = {c[0]->toQuadPoint(), c[1]->toQuadPoint(), c[2]->toQuadPoint(), c[3]->toQuadPoint()};
            if (raster.currentMaterial != shape->material)
                raster.setMaterial(shape->material);
            raster.fillQuad(quad);
        }
    }
}
