// template_loader.cpp -- reading a template and handing its entries out

#include "engine/scene/screen/template_loader.h"

#include "engine/base/properties.h"
#include "engine/base/property_map.h"
#include "engine/base/ptr_vector.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/3d/model_library.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <algorithm>
#include <vector>

namespace {

bool same(const WCHAR* a, const WCHAR* b)
{
    return a && std::u16string_view(a) == std::u16string_view(b);
}

} // namespace

TemplateLoader::TemplateLoader(Canvas& target) : canvas(target) {}

TemplateLoader::~TemplateLoader() = default;

bool TemplateLoader::load(const WCHAR* folderText, const WCHAR* nameText, bool replace)
{
    Properties* templ = canvas.getTemplate();
    if (!templ || !folderText || !nameText || !*folderText || !*nameText)
        return false;
    folder = folderText;
    name = nameText;
    std::u16string previousFolder = canvas.getTemplateFolder();
    std::u16string previousName = canvas.getTemplateName();
    canvas.setTemplateFolder(folder.c_str());
    canvas.setTemplateName(name.c_str());
    PtrVector keys(0);
    if (!templ->load(folder.c_str(), name.c_str(), &keys))
    {
        std::u16string text = u"Can not find the template file: " + folder + name + u".";
        MessageBoxW(nullptr, text.c_str(), u"Error", MB_OK | MB_ICONSTOP);
        // An added file that is missing must not move the screen's saves
        // into a file of that name.
        if (!replace)
            restoreScreen(previousFolder, previousName);
        return false;
    }
    // Only the keys this load added are built: what an earlier load built is
    // not built twice (a key this file repeats takes the new value in the
    // template but keeps what was built from the old one).
    std::vector<std::u16string> real;
    for (int i = 0; i < keys.size(); ++i)
        if (auto* key = static_cast<const WCHAR*>(keys.get(i)); key && !Properties::isPlaceholder(key))
            real.emplace_back(key);
    const int count = int(real.size());
    for (int i = 0; i < count; ++i)
    {
        const WCHAR* key = real[size_t(i)].c_str();
        buildEntry(key);
        std::u16string progress = u"Load " + std::u16string(key).substr(0, 20);
        report(progress.c_str(), i * 100 / count);
    }
    settle3D();
    report(u"Load", 100);
    canvas.onTemplateLoaded();
    if (!replace)
        restoreScreen(previousFolder, previousName);
    return true;
}

// After an added file the screen's own template is current again (and its
// save path), unless there was none.
void TemplateLoader::restoreScreen(const std::u16string& previousFolder, const std::u16string& previousName)
{
    if (previousName.empty())
        return;
    canvas.setTemplateFolder(previousFolder.c_str());
    canvas.setTemplateName(previousName.c_str());
    canvas.getTemplate()->setPath(previousFolder.c_str(), previousName.c_str());
}

void TemplateLoader::report(const WCHAR* text, int percent)
{
    if (LoadListener* listener = canvas.getLoadListener())
        listener->onLoad(text, name.c_str(), percent);
}

void TemplateLoader::buildEntry(const WCHAR* key)
{
    Properties* templ = canvas.getTemplate();
    const WCHAR* value = templ->get(key);
    if (!value)
        return;
    PropertyMap map(value, u',', u':');
    const WCHAR* type = map.get(u"type");
    if (!type)
        return;
    static const WCHAR* const sceneTypes[] = {u"SceneSprite", u"Scene2D", u"Scene3D", u"SceneAWT"};
    for (int kind = 0; kind < 4; ++kind)
        if (same(type, sceneTypes[kind]))
            return buildScene(key, map, kind);
    if (same(type, u"Sprite"))
        return buildSprite(key, map);
    if (same(type, u"AWTComponent"))
        return buildControl(key, map);
    if (same(type, u"Group2D"))
        return buildGroup2D(key, map);
    if (same(type, u"Group3D") || same(type, u"Chip3D"))
        return buildGroup3D(key, map);
    if (same(type, u"LOD"))
        return buildLod(key, map);
    if (same(type, u"Fog"))
        return buildFog(map);
    if (same(type, u"Light"))
        return buildLight(key, map);
    if (same(type, u"WaveSound"))
        return buildWaveSound(key, map);
    if (same(type, u"BitmapFont"))
        return buildBitmapFont(key, map);
    canvas.buildCustomEntry(templ, key);
}

int templateLength(const PropertyMap& map, const WCHAR* field, int whole, float screenScale)
{
    const WCHAR* text = map.get(field);
    if (!text || !*text)
        return whole;
    if (std::u16string_view(text).find(u'%') != std::u16string_view::npos)
        return saturatingInt(map.getFloat(field, 0.0f) * float(whole) * 0.01f + 0.5f);
    const int n = map.getInt(field, 0);
    return screenScale == 1.0f ? n : saturatingInt(float(n) * screenScale + 0.5f);
}

int TemplateLoader::length(const PropertyMap& map, const WCHAR* field, int whole)
{
    return templateLength(map, field, whole, Canvas::getScreenScale());
}

Scene* TemplateLoader::container(const PropertyMap& map) const
{
    const WCHAR* sceneName = map.get(u"container");
    return sceneName ? canvas.findScene(sceneName) : nullptr;
}

Texture* TemplateLoader::texture(const PropertyMap& map, const WCHAR* field, bool powerOfTwo, bool roundUp) const
{
    const WCHAR* file = map.get(field);
    TextureDictionary* textures = canvas.getTextureDictionary();
    if (!file || !*file || !textures)
        return nullptr;
    return textures->load(canvas.getTemplateFolder(), file, powerOfTwo, roundUp);
}

void TemplateLoader::attachCopies(const WCHAR* key, const PropertyMap& map, Scene* scene, SceneObject* object,
                                  const std::function<SceneObject*(const SceneObject&)>& cloneOf)
{
    if (!scene)
    {
        delete object;
        return;
    }
    // A screen never holds more copies than this; a larger count is a
    // damaged template and would only exhaust memory.
    constexpr int kMaxCopies = 1000;
    const int number = std::min(map.getInt(u"number", 0), kMaxCopies);
    if (number < 1)
    {
        scene->addChild(key, object);
        return;
    }
    for (int i = 0; i < number; ++i)
    {
        const std::string digits = std::to_string(i);
        const std::u16string copyName = std::u16string(key) + std::u16string(digits.begin(), digits.end());
        scene->addChild(copyName.c_str(), i == 0 ? object : cloneOf(*object));
    }
}
