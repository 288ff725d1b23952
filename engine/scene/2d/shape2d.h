// shape2d.h -- flat shapes of 2D groups: points, quadrilaterals, one material
#pragma once

#include "engine/base/ptr_vector.h"
#include "engine/base/vector.h"
#include "engine/scene/2d/raster_context.h"

#include <os/types.h>

#include <cstdint>

class Material;
class Shape2D;

// The renderer's 2D viewport: width, height and scale (1024 is 1:1), and
// the screen's orientation (the racing build turns the picture: 1 a quarter
// turn one way, 2 the other; 0 upright).
struct Viewport2D
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t scale = 1024;
    int32_t orientation = 0;
};

class ShapePoint
{
public:
    float x = 0.0f;
    float y = 0.0f;
    int32_t u = 0;
    int32_t v = 0;
    Shape2D* shape = nullptr;
    // Filled by project every frame.
    int32_t screenX = 0;
    int32_t screenY = 0;
    int32_t texelU = 0;
    int32_t texelV = 0;
    int32_t outcode = 0;

    enum Outcode
    {
        Left = 1,
        Right = 2,
        Above = 4,
        Below = 8,
    };

    ShapePoint(float x, float y, int32_t u, int32_t v) : x(x), y(y), u(u), v(v) {}
    // m holds the first two rows of the group's 3 x 3 transform.
    void project(const float* m, const Viewport2D& view);
    QuadPoint toQuadPoint() const { return {screenX, screenY, texelU, texelV}; }
};

class Polygon2D
{
public:
    int32_t a, b, c, d;
    Shape2D* shape = nullptr;

    Polygon2D(int32_t a, int32_t b, int32_t c, int32_t d) : a(a), b(b), c(c), d(d) {}
    Polygon2D* clone() const { return new Polygon2D(a, b, c, d); }
    // The four points exist in the shape.
    bool isValidFor(int pointCount) const;
};

class Shape2D
{
public:
    static constexpr int kNameLength = 64;

    PtrVector points;
    PtrVector polygons;
    int32_t visible = 1;
    Material* material = nullptr;
    WCHAR name[kNameLength] = {};

    Shape2D() = default;
    ~Shape2D();
    Shape2D(const Shape2D&) = delete;
    Shape2D& operator=(const Shape2D&) = delete;

    Shape2D* clone() const;
    void addPointRecord(ShapePoint* point);
    void addPoint(float x, float y, int32_t u, int32_t v) { addPointRecord(new ShapePoint(x, y, u, v)); }
    void addPolygonRecord(Polygon2D* polygon);
    void addPolygon(int32_t a, int32_t b, int32_t c, int32_t d) { addPolygonRecord(new Polygon2D(a, b, c, d)); }
    // Smallest and largest x and y over the points; untouched without points.
    void getBounds(Vector2& min, Vector2& max) const;

    ShapePoint* point(int i) const { return static_cast<ShapePoint*>(points.get(i)); }
    Polygon2D* polygon(int i) const { return static_cast<Polygon2D*>(polygons.get(i)); }
};
