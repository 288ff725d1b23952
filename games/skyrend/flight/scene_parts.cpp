// scene_parts.cpp -- chips and look-ups on the flight canvas
#include "games/skyrend/flight/scene_parts.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/screen/canvas.h"

#include <string>

namespace skyrend {

void copyBounded(WCHAR* buffer, int capacity, const WCHAR* text)
{
    if (capacity <= 0)
        return;
    int n = 0;
    for (; text && text[n] && n < capacity - 1; ++n)
        buffer[n] = text[n];
    buffer[n] = 0;
}

Group3D* findGroup(Canvas* canvas, const WCHAR* name)
{
    if (!canvas || !name)
        return nullptr;
    return dynamic_cast<Group3D*>(canvas->findComponent(name));
}

Texture* loadSiblingTexture(Canvas* canvas, const WCHAR* folder, const WCHAR* relative)
{
    if (!canvas || !canvas->getTextureDictionary() || !folder)
        return nullptr;
    const std::u16string parent = std::u16string(folder) + u"..\\";
    return canvas->getTextureDictionary()->load(parent.c_str(), relative, true, false);
}

Chip3D* makeChip(Canvas* canvas, const WCHAR* folder, const WCHAR* picture, float size, uint32_t colour, float nearClip,
                 float farClip)
{
    if (!canvas)
        return nullptr;
    Texture* texture = loadSiblingTexture(canvas, folder, picture);
    auto* chip = new Chip3D(size, 1.0f, 1.0f, 2, texture, nullptr, false);
    if (Material* m = chip->getMaterial())
        m->color = colour;
    chip->frontClip = nearClip;
    chip->backClip = farClip;
    chip->setDetailLevel(4);
    chip->billboard = 1;
    chip->visible = 0;
    return chip;
}

Chip3D* makeSmokeChip(Canvas* canvas, const WCHAR* folder, float size, uint32_t colour)
{
    static const WCHAR* const pictures[3] = {u"fume\\fumealf0.jpg", u"fume\\fumealf1.jpg", u"fume\\fumealf2.jpg"};
    return makeChip(canvas, folder, pictures[randomInt(0, 100) % 3], size, colour, 3.0f, 500.0f);
}

bool addToMainScene(Canvas* canvas, const WCHAR* name, Group3D* object)
{
    Scene* scene = canvas ? canvas->findScene(u"mainScene") : nullptr;
    if (!scene)
    {
        delete object;
        return false;
    }
    scene->addChild(name, object);
    return true;
}

} // namespace skyrend
