// chip3d.cpp -- building the quad of a chip and switching its frames
#include "engine/scene/3d/chip3d.h"

#include <cmath>

Chip3D::Chip3D(float scale, float width, float height, int orientation, Texture* texture, Texture* mask, bool mirror)
{
    TexturedMaterial* m = new TexturedMaterial();
    m->texture = texture;
    m->mask = mask;
    m->useTextureColorKey();
    m->flat = 1;
    m->twoSided = 1;
    build(scale, width, height, orientation, m, mirror);
}

void Chip3D::build(float scale, float width, float height, int orientation, Material* m, bool mirror)
{
    const float hw = std::fabs(width) * 0.5f, hh = std::fabs(height) * 0.5f;
    const float corners[3][4][3] = {
        {{0, hh, hw}, {0, -hh, hw}, {0, -hh, -hw}, {0, hh, -hw}},
        {{hw, 0, hh}, {hw, 0, -hh}, {-hw, 0, -hh}, {-hw, 0, hh}},
        {{hw, hh, 0}, {hw, -hh, 0}, {-hw, -hh, 0}, {-hw, hh, 0}},
    };
    const int o = orientation >= 0 && orientation <= 2 ? orientation : 0;
    constexpr int32_t T = 65536;
    const int32_t vs[4] = {0, T, T, 0};
    const int32_t us[4] = {0, 0, T, T};
    Mesh* mesh = new Mesh();
    mesh->material = m;
    for (int i = 0; i < 4; ++i)
        mesh->addVertex(corners[o][i][0], corners[o][i][1], corners[o][i][2], mirror ? T - us[i] : us[i], vs[i]);
    mesh->addFace(0, 1, 2);
    mesh->addFace(2, 3, 0);
    mesh->radius = scale * std::fmax(width, height);
    chipWidth = width * scale * 2.0f;
    chipHeight = height * scale * 2.0f;
    addMaterial(u"chipMtl", m);
    addObject(u"chip", mesh);
    normalize(mesh->radius, nullptr, nullptr);
}

void ChipFrames::setFrame(int i)
{
    if (i < 0 || i >= count)
        return;
    if (textures)
        material->texture = textures[i];
    if (masks)
        material->mask = masks[i];
}
