// template_3d.cpp -- 3D groups, chips, detail levels, fog and lights of a template

#include "engine/base/property_map.h"
#include "engine/base/vector.h"
#include "engine/base/wstring_utils.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/environment.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/light.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/scenes/renderer3d.h"
#include "engine/scene/scenes/scene3d.h"
#include "engine/scene/screen/template_loader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kCloneAll = 7;

// "(a.3ds; b.3ds)" -> {"a.3ds", "b.3ds"}, blanks and tabs trimmed.
std::vector<std::u16string> modelList(const WCHAR* text)
{
    std::vector<std::u16string> names;
    std::u16string rest = text ? text : u"";
    if (!rest.empty() && rest.front() == u'(')
        rest.erase(0, 1);
    if (!rest.empty() && rest.back() == u')')
        rest.pop_back();
    size_t start = 0;
    while (start <= rest.size())
    {
        size_t end = rest.find(u';', start);
        if (end == std::u16string::npos)
            end = rest.size();
        std::u16string name = rest.substr(start, end - start);
        const size_t first = name.find_first_not_of(u" \t");
        const size_t last = name.find_last_not_of(u" \t");
        if (first != std::u16string::npos)
            names.push_back(name.substr(first, last - first + 1));
        start = end + 1;
    }
    return names;
}

Scene3D* scene3D(Canvas& canvas, const PropertyMap& map)
{
    const WCHAR* name = map.get(u"container");
    return name ? dynamic_cast<Scene3D*>(canvas.findScene(name)) : nullptr;
}

} // namespace

Group3D* TemplateLoader::loadModel(const WCHAR* file, const PropertyMap& map)
{
    ModelLibrary* models = canvas.getModelLibrary();
    if (!models)
        return nullptr;
    const WCHAR* folder = canvas.getTemplateFolder();
    return models->load(folder, file, map.getFloat(u"radius", 1.0f), canvas.getTextureDictionary(),
                         map.get(u"wantedObjectsWhenNormalize"), map.get(u"unwantedObjectsWhenNormalize"), folder);
}

void TemplateLoader::setUp3D(Scene3D* scene, const PropertyMap& map)
{
    Environment* environment = scene->environment;
    environment->ambient = uint32_t(map.getColor(u"ambient", int(environment->ambient)));
    environment->setClipPlanes(map.getFloat(u"frontClip", environment->frontClip),
                               map.getFloat(u"backClip", environment->backClip));
    if (const WCHAR* provider = map.get(u"zBufferProviderScene"))
    {
        // The named scene is built earlier, so it draws first each frame; the
        // canvas deletes both together, so the renderer's pointer never
        // outlives its lender.
        scene->zBufferProvider = dynamic_cast<Scene3D*>(canvas.findScene(provider));
        scene->renderer3D()->depthProvider = scene->zBufferProvider ? scene->zBufferProvider->renderer3D() : nullptr;
    }
}

void TemplateLoader::touch3D(const Scene3D* scene)
{
    if (scene && std::find(scenes3D.begin(), scenes3D.end(), scene->name) == scenes3D.end())
        scenes3D.emplace_back(scene->name);
}

// A scene added to the canvas already has its viewport, so its view is
// never set up again by initView: the template's lights, ambient colour and
// clip planes are handed to its renderer here.
void TemplateLoader::settle3D()
{
    for (const std::u16string& sceneName : scenes3D)
        if (auto* scene = dynamic_cast<Scene3D*>(canvas.findScene(sceneName.c_str())))
        {
            scene->updateLighting();
            scene->loadClipRange();
        }
    scenes3D.clear();
}

void TemplateLoader::buildGroup3D(const WCHAR* key, const PropertyMap& map)
{
    Group3D* group = nullptr;
    if (std::u16string_view(map.get(u"type")) == u"Chip3D")
        group = new Chip3D(map.getFloat(u"radius", 1.0f), map.getFloat(u"width", 1.0f), map.getFloat(u"height", 1.0f),
                           map.getInt(u"orientation", 2), texture(map, u"texture", true, false),
                           texture(map, u"alpha", true, false), map.getBool(u"mirror", false));
    else
        group = loadModel(map.get(u"model"), map);
    if (!group)
        group = new Group3D();
    group->visible = uint8_t(map.getBool(u"visible", true));
    group->setDetailLevel(map.getInt(u"detailLevel", 2));
    group->setEnvironmentEnabled(map.getInt(u"environmentEnabled", 1));
    group->billboard = map.getInt(u"billboard", 0);
    group->cullingPolicy = map.getInt(u"cullingPolicy", 1);
    attachCopies(key, map, scene3D(canvas, map), group,
                 [](const SceneObject& g) { return static_cast<const Group3D&>(g).clone(kCloneAll); });
}

void TemplateLoader::buildLod(const WCHAR*, const PropertyMap& map)
{
    const WCHAR* owner = map.get(u"container");
    auto* target = owner ? dynamic_cast<Group3D*>(canvas.findComponent(owner)) : nullptr;
    if (!target)
        return;
    const std::vector<std::u16string> files = modelList(map.get(u"model"));
    const int count = std::min(map.getInt(u"levelNum", 1), int(files.size()));
    if (count < 1)
        return;
    std::vector<Group3D*> levels;
    for (int i = 0; i < count; ++i)
        levels.push_back(loadModel(files[size_t(i)].c_str(), map));
    // A model-library clone owns its meshes and materials but is not marked
    // as owning levels; the levels handed over now are its own to free.
    if (!target->levels)
        target->cloneMode |= Group3D::kCloneLevels;
    target->setLevels(levels.data(), count, map.getFloat(u"segment", 1.0f));
    for (Group3D* level : levels)
        delete level;
}

void TemplateLoader::buildFog(const PropertyMap& map)
{
    Scene3D* scene = scene3D(canvas, map);
    touch3D(scene);
    if (scene)
        scene->setFog(new Fog(map.getInt(u"front", 100), map.getInt(u"back", 200),
                              uint32_t(map.getColor(u"color", 0xffffff))));
}

void TemplateLoader::buildLight(const WCHAR* key, const PropertyMap& map)
{
    Scene3D* scene = scene3D(canvas, map);
    if (!scene)
        return;
    touch3D(scene);
    Vector3 direction(0.0f, -1.0f, 0.0f);
    if (const WCHAR* text = map.get(u"dir"))
        parseVector3(text, direction);
    const uint32_t colour = uint32_t(map.getColor(u"color", 0xffffff));
    scene->addLight(key, new Light(direction, colour, colour, 320, 120));
}
