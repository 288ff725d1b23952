// exhaust_fume.cpp -- a racer's exhaust puffs
#include "racing/framework/exhaust_fume.h"

#include "racing/engine/model3d.h"

#include "engine/base/math_utils.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture_dictionary.h"

namespace racing {

Chip3D* ExhaustFume::makeChip(float scale, uint32_t colour, TextureDictionary* textures, const std::u16string& folder)
{
    const int which = randomInt(0, 100) % 3;
    Texture* mask =
        textures ? textures->load(folder.c_str(), (u"common/fumealf" + std::u16string(1, char16_t(u'0' + which)) + u".jpg").c_str(),
                                  true, false)
                 : nullptr;
    auto* chip = new Chip3D(scale, 1.0f, 1.0f, 2, nullptr, mask);
    if (Material* m = chip->getMaterial())
    {
        m->color = colour;
        m->texture = nullptr;
        m->detailLevel = 4;
    }
    chip->billboard = 2;
    chip->visible = 0;
    return chip;
}

void ExhaustFume::update(float dt)
{
    for (auto& exhaust : puffs)
        for (ExhaustPuff& p : exhaust)
            if (p.object && p.object->visible)
                p.update(dt);
}

void ExhaustFume::emit(float dt, float speed, const Matrix4& model, float width, float height, float length,
                       float rise)
{
    timer += dt;
    if (timer <= interval)
        return;
    timer = 0.0f;
    for (int e = 0; e < 2; ++e)
    {
        const float r = randomFloat(0.3f, 0.4f);
        Vector3 offset(width * r * (e == 0 ? -1.0f : 1.0f), rise * height, length * r);
        model.transformPointTo(offset, offset);
        Matrix4 from(model);
        from.setTranslation(offset);
        for (ExhaustPuff& p : puffs[e])
            if (p.object && !p.object->visible)
            {
                p.launch(speed, from);
                break;
            }
    }
}

void ExhaustFume::hide()
{
    for (auto& exhaust : puffs)
        for (ExhaustPuff& p : exhaust)
            if (p.object)
                p.object->visible = 0;
}

int ExhaustFume::visible(int exhaust) const
{
    int n = 0;
    for (const ExhaustPuff& p : puffs[exhaust])
        n += p.object && p.object->visible;
    return n;
}

} // namespace racing
