// group2d.h -- named groups of flat textured shapes with a 2D transform
#pragma once

#include "engine/base/matrix3.h"
#include "engine/base/ptr_vector.h"
#include "engine/scene/core/scene_object.h"
#include "engine/scene/2d/shape2d.h"

class Material;
class Texture;

class Group2D : public SceneObject
{
public:
    PtrVector shapes;
    PtrVector materials;
    Matrix3 transform;

    Group2D() : SceneObject(Group2DObject) {}
    ~Group2D() override;

    Group2D* clone() const;
    void setColor(uint32_t colour);
    void setDetailLevel(int level);
    void addShape(const WCHAR* name, Shape2D* shape);
    void addMaterial(const WCHAR* name, Material* material);
    Material* findMaterial(const WCHAR* name) const;
    Material* getFirstMaterial() const;
    // Centres the shapes on the origin and scales them so that the larger
    // half-extent becomes radius.
    void normalize(float radius);

    Shape2D* shape(int i) const { return static_cast<Shape2D*>(shapes.get(i)); }
    Material* material(int i) const { return static_cast<Material*>(materials.get(i)); }
};

// A group of one textured rectangle "rectangle" with its material "rectMtl".
// The racing build's rectangles take no colour key from their texture.
class Rect2D : public Group2D
{
public:
    Rect2D(float scale, Texture* texture, Texture* mask, bool textureColorKey = true);
    // False (after a box) when there is neither texture nor mask, or their
    // pictures differ in size; the group then stays empty.
    bool build(float scale, Texture* texture, Texture* mask, bool textureColorKey = true);
    // The rectangle's corners at (+-(w >> 1), +-(h >> 1)).
    void resize(int w, int h);
};
