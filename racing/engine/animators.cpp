// animators.cpp -- texture and model animators of the racing templates, and
// the racing light
#include "racing/engine/animators.h"

#include <os/wstring.h>
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "racing/engine/scene3d.h"

#include <string>
#include <utility>

namespace racing {

namespace {

int wrap(int i, int n)
{
    if (n <= 0)
        return 0;
    const int r = i % n;
    return r < 0 ? r + n : r;
}

} // namespace

TextureAnimator::TextureAnimator(Material* material_, int count_, std::vector<Texture*> textures_,
                                 std::vector<Texture*> opacityMaps_, std::vector<Texture*> envMaps_)
    : count(count_ > 0 ? count_ : 0), material(material_), textures(std::move(textures_)),
      opacityMaps(std::move(opacityMaps_)), envMaps(std::move(envMaps_))
{
}

void TextureAnimator::showFrame(int i)
{
    frame = wrap(i, count);
    if (!material || count == 0)
        return;
    const size_t f = size_t(frame);
    if (f < textures.size())
        material->texture = textures[f];
    if (f < opacityMaps.size())
        material->mask = opacityMaps[f];
    if (f < envMaps.size())
        material->reflectionMap = envMaps[f];
}

ModelAnimator::ModelAnimator(Group3D* base, std::vector<Group3D*> models) : baseGroup(base)
{
    frames.push_back(base);
    for (Group3D* model : models)
    {
        if (!model)
            continue;
        if (base)
            model->matrix = base->matrix;
        model->visible = 0;
        frames.push_back(model);
    }
    count = int(frames.size());
}

ModelAnimator::~ModelAnimator()
{
    if (framesOwned)
        for (size_t i = 1; i < frames.size(); ++i)
            delete frames[i];
}

void ModelAnimator::addToScene(Scene3D& scene)
{
    const std::u16string base = baseGroup ? baseGroup->name : u"";
    for (size_t i = 1; i < frames.size(); ++i)
    {
        const std::u16string name = base + u"[ani:" + os::to_u16(std::to_string(i)) + u"]";
        scene.addChild(name.c_str(), frames[i]);
    }
    framesOwned = false;
}

void ModelAnimator::showFrame(int i)
{
    frame = wrap(i, count);
    for (int k = 0; k < count; ++k)
    {
        Group3D* g = frames[size_t(k)];
        if (!g)
            continue;
        if (k > 0 && baseGroup)
            g->matrix = baseGroup->matrix;
        g->visible = k == frame ? 1 : 0;
    }
}

Light* makeLight(const Vector3& direction, uint32_t colour)
{
    return new Light(direction, colour, colour, 320, 120);
}

} // namespace racing
