// template_builders.cpp -- the racing template entries that set up a 3D scene
#include "racing/engine/template_builders.h"

#include "engine/base/property_map.h"
#include "engine/base/vector.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/core/texture_dictionary.h"
#include "racing/engine/animators.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/scene3d.h"

#include <os/windows.h>
#include <os/wstring.h>

#include <memory>
#include <vector>

namespace racing {

namespace {

constexpr unsigned kStopIcon = 16;

bool vectorField(const PropertyMap& fields, const WCHAR* key, Vector3& out)
{
    const WCHAR* text = fields.get(key);
    if (!text || !*text)
        return false;
    parseVector3(text, out);
    return true;
}

// Frames i0 to i1; false when the range is empty or missing.
bool frameRange(const PropertyMap& fields, int& first, int& count)
{
    if (!fields.get(u"i0") || !fields.get(u"i1"))
        return false;
    first = fields.getInt(u"i0", 0);
    const int last = fields.getInt(u"i1", -1);
    if (last < first || int64_t(last) - first >= 100000)
        return false;
    count = last - first + 1;
    return true;
}

} // namespace

bool containerAbsent(const void* container, const WCHAR* typeName)
{
    if (container)
        return false;
    const std::u16string text = u"The container of " + std::u16string(typeName) + u" is absent.";
    MessageBoxW(nullptr, text.c_str(), u"Error", kStopIcon);
    return true;
}

bool buildCamera(const PropertyMap& fields, Scene3D* container)
{
    if (containerAbsent(container, u"Camera"))
        return false;
    Camera& camera = container->camera;
    Vector3 v;
    if (vectorField(fields, u"pos", v))
        camera.setPositionVector(v);
    if (vectorField(fields, u"lookAt", v))
        camera.setTargetVector(v);
    if (vectorField(fields, u"upAxis", v))
        camera.setOrientationUpVector(v);
    if (fields.get(u"fov"))
        camera.setFov(fields.getFloat(u"fov", camera.fov));
    return true;
}

Light* buildLight(const PropertyMap& fields, const WCHAR* key, Scene3D* container)
{
    if (containerAbsent(container, u"Light"))
        return nullptr;
    Vector3 direction(0.0f, 0.0f, 0.0f);
    vectorField(fields, u"dir", direction);
    Light* light = makeLight(direction, uint32_t(fields.getColor(u"color", 0xFFFFFF)));
    container->addOwnedLight(key, light);
    return light;
}

bool buildFog(const PropertyMap& fields, Scene3D* container)
{
    if (containerAbsent(container, u"Fog"))
        return false;
    container->setFog(new Fog(fields.getInt(u"front", 0), fields.getInt(u"back", 0),
                              uint32_t(fields.getColor(u"color", 0))));
    return true;
}

bool formatFrameName(const WCHAR* pattern, int number, std::u16string& out)
{
    if (!pattern)
        return false;
    std::u16string result;
    bool substituted = false;
    for (const WCHAR* p = pattern; *p; ++p)
    {
        if (*p != u'%')
        {
            result.push_back(*p);
            continue;
        }
        if (p[1] == u'%')
        {
            result.push_back(u'%');
            ++p;
        }
        else if (p[1] == u'd' && !substituted)
        {
            result += os::to_u16(std::to_string(number));
            substituted = true;
            ++p;
        }
        else
        {
            return false;
        }
    }
    if (!substituted)
        return false;
    out = result;
    return true;
}

TextureAnimator* buildTextureAnimator(const PropertyMap& fields, Group3D* container, TextureDictionary& textures,
                                      const WCHAR* templateFolder)
{
    if (containerAbsent(container, u"TextureAnimator"))
        return nullptr;
    int first = 0, count = 0;
    if (!frameRange(fields, first, count))
        return nullptr;
    Material* material = container->findMaterial(fields.get(u"material"));
    if (!material)
        return nullptr;
    auto frames = [&](const WCHAR* key) {
        std::vector<Texture*> list;
        const WCHAR* pattern = fields.get(key);
        if (!pattern || !*pattern)
            return list;
        for (int i = 0; i < count; ++i)
        {
            std::u16string name;
            if (!formatFrameName(pattern, first + i, name))
                return std::vector<Texture*>();
            list.push_back(textures.load(templateFolder, name.c_str(), true, false));
        }
        return list;
    };
    return new TextureAnimator(material, count, frames(u"texture"), frames(u"opamap"), frames(u"envmap"));
}

ModelAnimator* buildModelAnimator(const PropertyMap& fields, Scene3D* container, Group3D* baseGroup,
                                  const WCHAR* templateFolder)
{
    if (containerAbsent(container, u"ModelAnimator"))
        return nullptr;
    int first = 0, count = 0;
    if (!baseGroup || !frameRange(fields, first, count))
        return nullptr;
    const WCHAR* pattern = fields.get(u"model");
    const float radius = fields.getFloat(u"radius", 1.0f);
    std::vector<Group3D*> models;
    Loader3DS loader;
    for (int i = 0; i < count; ++i)
    {
        std::u16string name;
        if (!formatFrameName(pattern, first + i, name))
            break;
        models.push_back(loader.load(templateFolder, name.c_str(), radius, nullptr));
    }
    auto* animator = new ModelAnimator(baseGroup, models);
    animator->addToScene(*container);
    return animator;
}

} // namespace racing
