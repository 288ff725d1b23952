// model3d.cpp -- culling numbers and the racing chip
#include "racing/engine/model3d.h"

#include "engine/scene/3d/mesh.h"

#include <algorithm>
#include <cmath>

namespace racing {

namespace {

constexpr int kGroupSphere = 1; // the shared model's numbers
constexpr int kMeshSpheres = 2;

} // namespace

int cullingPolicyFromRacing(int racingNumber)
{
    return racingNumber == 1 ? kMeshSpheres : kGroupSphere;
}

int racingCullingNumber(int cullingPolicy)
{
    return cullingPolicy == kMeshSpheres ? 1 : 0;
}

namespace {

template <class Change>
void forEachMaterial(Group3D& group, Change change)
{
    for (int i = 0; i < group.materialCount(); ++i)
        change(*group.material(i));
}

} // namespace

void setColor(Group3D& group, uint32_t colour)
{
    forEachMaterial(group, [&](Material& m) { m.color = colour; });
}

void setLuminous(Group3D& group, uint32_t colour)
{
    forEachMaterial(group, [&](Material& m) { m.color2 = colour; });
}

void setTransparency(Group3D& group, int transparency)
{
    forEachMaterial(group, [&](Material& m) { m.transparency = transparency; });
}

void setReflectivity(Group3D& group, int reflectivity)
{
    forEachMaterial(group, [&](Material& m) { m.shininessStrength = reflectivity; });
}

void setFlat(Group3D& group, bool flat)
{
    forEachMaterial(group, [&](Material& m) { m.flat = flat ? 1 : 0; });
}

void setWireframe(Group3D& group, bool wireframe)
{
    forEachMaterial(group, [&](Material& m) { m.wireframe = wireframe ? 1 : 0; });
}

void setDoubleSided(Group3D& group, bool doubleSided)
{
    forEachMaterial(group, [&](Material& m) { m.twoSided = doubleSided ? 1 : 0; });
}

void setNearPlaneCulling(Group3D& group, bool culling)
{
    for (int i = 0; i < group.meshCount(); ++i)
        group.mesh(i)->noNearClip = culling ? 1 : 0;
}

Chip3D::Chip3D(float scale, float width, float height, int orientation, Texture* texture, Texture* mask)
{
    auto* material = new TexturedMaterial();
    material->texture = texture;
    material->mask = mask;
    auto* mesh = new Mesh();
    mesh->material = material;
    float hx = std::fabs(width) * 0.5f, hy = std::fabs(height) * 0.5f;
    const int32_t one = 65536;
    const int32_t uv[4][2] = {{0, 0}, {0, one}, {one, one}, {one, 0}};
    float corners[4][3];
    if (orientation == 0)
    {
        const float c[4][3] = {{0, hy, hx}, {0, -hy, hx}, {0, -hy, -hx}, {0, hy, -hx}};
        std::copy(&c[0][0], &c[0][0] + 12, &corners[0][0]);
    }
    else if (orientation == 2)
    {
        const float c[4][3] = {{hx, hy, 0}, {hx, -hy, 0}, {-hx, -hy, 0}, {-hx, hy, 0}};
        std::copy(&c[0][0], &c[0][0] + 12, &corners[0][0]);
    }
    else
    {
        const float c[4][3] = {{hx, 0, hy}, {hx, 0, -hy}, {-hx, 0, -hy}, {-hx, 0, hy}};
        std::copy(&c[0][0], &c[0][0] + 12, &corners[0][0]);
    }
    for (int i = 0; i < 4; ++i)
        mesh->addVertex(corners[i][0], corners[i][1], corners[i][2], uv[i][0], uv[i][1]);
    mesh->addFace(0, 1, 2);
    mesh->addFace(0, 2, 3);
    mesh->radius = scale;
    addMaterial(u"chipMtl", material);
    addObject(u"chip", mesh);
    normalize(std::max(width, height) * scale, nullptr, nullptr);
    radius = scale;
    material->flat = 1;
    material->twoSided = 1;
}

} // namespace racing
