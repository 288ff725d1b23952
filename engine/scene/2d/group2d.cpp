// group2d.cpp -- 2D groups, their clones and the textured rectangle
#include "engine/scene/2d/group2d.h"

#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include <os/user.h>

#include <algorithm>
#include <cstdlib>

Group2D::~Group2D()
{
    for (int i = 0; i < shapes.size(); ++i)
        delete shape(i);
    for (int i = 0; i < materials.size(); ++i)
        delete material(i);
}

Group2D* Group2D::clone() const
{
    auto* copy = new Group2D;
    copy->copyFieldsFrom(*this);
    copy->setName(name);
    copy->transform = transform;
    copy->cloneFlag = 1;
    for (int i = 0; i < materials.size(); ++i)
        copy->materials.add(material(i)->clone());
    for (int i = 0; i < shapes.size(); ++i)
    {
        Shape2D* s = shape(i)->clone();
        int at = materials.indexOf(s->material);
        if (at >= 0)
            s->material = copy->material(at);
        copy->shapes.add(s);
    }
    return copy;
}

void Group2D::setColor(uint32_t colour)
{
    for (int i = 0; i < materials.size(); ++i)
        material(i)->color = colour;
}

void Group2D::setDetailLevel(int level)
{
    for (int i = 0; i < materials.size(); ++i)
        material(i)->detailLevel = level;
}

void Group2D::addShape(const WCHAR* shapeName, Shape2D* s)
{
    copyName(s->name, shapeName);
    shapes.add(s);
}

void Group2D::addMaterial(const WCHAR* materialName, Material* m)
{
    m->setName(materialName);
    materials.add(m);
}

Material* Group2D::findMaterial(const WCHAR* materialName) const
{
    for (int i = 0; i < materials.size(); ++i)
        if (sameName(material(i)->name, materialName))
            return material(i);
    return nullptr;
}

Material* Group2D::getFirstMaterial() const
{
    return materials.size() > 0 ? material(0) : nullptr;
}

void Group2D::normalize(float radius)
{
    if (shapes.size() == 0)
        return;
    Vector2 min, max;
    shape(0)->getBounds(min, max);
    for (int i = 1; i < shapes.size(); ++i)
    {
        Vector2 lo = min, hi = max;
        shape(i)->getBounds(lo, hi);
        min.set(std::min(min.x, lo.x), std::min(min.y, lo.y));
        max.set(std::max(max.x, hi.x), std::max(max.y, hi.y));
    }
    float halfX = (max.x - min.x) * 0.5f, halfY = (max.y - min.y) * 0.5f;
    float cx = (min.x + max.x) * 0.5f, cy = (min.y + max.y) * 0.5f;
    float larger = std::max(halfX, halfY);
    float f = larger > 0.0f ? radius / larger : 1.0f;
    for (int i = 0; i < shapes.size(); ++i)
    {
        Shape2D* s = shape(i);
        for (int k = 0; k < s->points.size(); ++k)
        {
            ShapePoint* p = s->point(k);
            p->x = (p->x - cx) * f;
            p->y = (p->y - cy) * f;
        }
    }
}

Rect2D::Rect2D(float scale, Texture* texture, Texture* mask, bool textureColorKey)
{
    build(scale, texture, mask, textureColorKey);
}

void Rect2D::resize(int w, int h)
{
    Shape2D* s = shapes.size() > 0 ? shape(0) : nullptr;
    if (!s || s->points.size() < 4)
        return;
    float hw = float(w >> 1), hh = float(h >> 1);
    const float corners[4][2] = {{-hw, hh}, {hw, hh}, {hw, -hh}, {-hw, -hh}};
    for (int i = 0; i < 4; ++i)
    {
        s->point(i)->x = corners[i][0];
        s->point(i)->y = corners[i][1];
    }
}

bool Rect2D::build(float scale, Texture* texture, Texture* mask, bool textureColorKey)
{
    if (!texture && !mask)
    {
        MessageBoxW(nullptr, u"The Rect2D should have either texture or mask.", u"Error", MB_ICONEXCLAMATION);
        return false;
    }
    if (texture && mask && (texture->imageWidth != mask->imageWidth || texture->imageHeight != mask->imageHeight))
    {
        MessageBoxW(nullptr, u"The texture should have same dimension as mask.", u"Error", MB_ICONEXCLAMATION);
        return false;
    }
    auto* material = new ColorMaterial;
    material->texture = texture;
    material->mask = mask;
    if (textureColorKey)
        material->useTextureColorKey();
    const Texture* sizing = texture ? texture : mask;
    int w = sizing->imageWidth, h = sizing->imageHeight;
    int32_t u = sizing->width > 0 ? int32_t((int64_t(w) << 16) / sizing->width) : 0;
    int32_t v = sizing->height > 0 ? int32_t((int64_t(h) << 16) / sizing->height) : 0;
    float fw = float(std::abs(w)), fh = float(std::abs(h));
    auto* s = new Shape2D;
    s->addPoint(-fw, fh, 0, 0);
    s->addPoint(fw, fh, u, 0);
    s->addPoint(fw, -fh, u, v);
    s->addPoint(-fw, -fh, 0, v);
    s->addPolygon(0, 1, 2, 3);
    s->material = material;
    addShape(u"rectangle", s);
    addMaterial(u"rectMtl", material);
    normalize(scale * float(std::max(w, h)) * 0.5f);
    return true;
}
