// shape2d.cpp -- shape geometry, bounds and projection to the screen
#include "engine/scene/2d/shape2d.h"

#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include <algorithm>
#include <cmath>

namespace {

// float to int, saturating
int32_t toInt(float f)
{
    if (!(f > -2147483648.0f))
        return f != f ? 0 : INT32_MIN;
    if (f >= 2147483648.0f)
        return INT32_MAX;
    return int32_t(f);
}

} // namespace

void ShapePoint::project(const float* m, const Viewport2D& view)
{
    int32_t sx = toInt(m[0] * x + m[1] * y + m[2]);
    int32_t sy = toInt(m[3] * x + m[4] * y + m[5]);
    int32_t zx = int32_t((int64_t(sx) * view.scale) >> 10), zy = int32_t((int64_t(sy) * view.scale) >> 10);
    if (view.orientation == 1)
    {
        screenX = (view.width >> 1) - zy;
        screenY = (view.height >> 1) - zx;
    }
    else if (view.orientation == 2)
    {
        screenX = (view.width >> 1) + zy;
        screenY = (view.height >> 1) + zx;
    }
    else
    {
        screenX = (view.width >> 1) + zx;
        screenY = (view.height >> 1) - zy;
    }
    const Material* material = shape ? shape->material : nullptr;
    if (!material)
        return;
    const Texture* sizing = material->texture ? material->texture : material->mask;
    int shiftU = sizing ? sizing->widthLog2 : 0, shiftV = sizing ? sizing->heightLog2 : 0;
    int32_t tu = u, tv = v;
    material->turnTextureCoordinates(tu, tv);
    texelU = int32_t(uint32_t(material->textureOffsetU + tu) << shiftU);
    texelV = int32_t(uint32_t(material->textureOffsetV + tv) << shiftV);
    outcode = 0;
    if (screenX < 0)
        outcode |= Left;
    else if (screenX >= view.width)
        outcode |= Right;
    if (screenY < 0)
        outcode |= Above;
    else if (screenY >= view.height)
        outcode |= Below;
}

bool Polygon2D::isValidFor(int pointCount) const
{
    auto ok = [&](int32_t i) { return i >= 0 && i < pointCount; };
    return ok(a) && ok(b) && ok(c) && ok(d);
}

Shape2D::~Shape2D()
{
    for (int i = 0; i < points.size(); ++i)
        delete point(i);
    for (int i = 0; i < polygons.size(); ++i)
        delete polygon(i);
}

Shape2D* Shape2D::clone() const
{
    auto* copy = new Shape2D;
    std::copy(name, name + kNameLength, copy->name);
    copy->visible = visible;
    copy->material = material;
    for (int i = 0; i < points.size(); ++i)
    {
        const ShapePoint* p = point(i);
        copy->addPoint(p->x, p->y, p->u, p->v);
    }
    for (int i = 0; i < polygons.size(); ++i)
        copy->addPolygonRecord(polygon(i)->clone());
    return copy;
}

void Shape2D::addPointRecord(ShapePoint* p)
{
    p->shape = this;
    points.add(p);
}

void Shape2D::addPolygonRecord(Polygon2D* p)
{
    p->shape = this;
    polygons.add(p);
}

void Shape2D::getBounds(Vector2& min, Vector2& max) const
{
    if (points.size() == 0)
        return;
    min.set(point(0)->x, point(0)->y);
    max = min;
    for (int i = 1; i < points.size(); ++i)
    {
        const ShapePoint* p = point(i);
        min.set(std::min(min.x, p->x), std::min(min.y, p->y));
        max.set(std::max(max.x, p->x), std::max(max.y, p->y));
    }
}
