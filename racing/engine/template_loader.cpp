// template_loader.cpp -- building a racing screen from its template files
#include "racing/engine/template_loader.h"

#include "engine/base/property_map.h"
#include "engine/base/wstring_utils.h"
#include "engine/scene/2d/awt_component.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"
#include "racing/engine/animators.h"
#include "racing/engine/canvas.h"
#include "racing/engine/loader3ds.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene2d.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/scene_awt.h"
#include "racing/engine/sprite.h"
#include "racing/engine/template_builders.h"

#include <os/windows.h>
#include <os/wstring.h>

#include <algorithm>
#include <string_view>

namespace racing {

namespace {

// A screen never holds more copies of one entry; a larger count is a
// damaged template and would only exhaust memory.
constexpr int kMaxCopies = 1000;

bool same(const WCHAR* a, const char16_t* b)
{
    return a && std::u16string_view(a) == b;
}

bool contains(const WCHAR* text, const char16_t* part)
{
    return text && std::u16string_view(text).find(part) != std::u16string_view::npos;
}

void errorBox(const char16_t* text)
{
    MessageBoxW(nullptr, text, u"Error", MB_ICONSTOP);
}

std::u16string numbered(const WCHAR* key, int i)
{
    const std::string digits = std::to_string(i);
    return std::u16string(key) + std::u16string(digits.begin(), digits.end());
}

// The object under the key, or with "number" N >= 1 the object and N - 1
// copies under key0 .. keyN-1. Without a scene the object is deleted:
// nothing would own it.
template <class SceneKind, class Object, class Add, class Clone>
void placeCopies(const WCHAR* key, const PropertyMap& map, SceneKind* scene, Object* object, Add add, Clone cloneOf)
{
    if (!scene)
    {
        delete object;
        return;
    }
    const int number = std::min(map.getInt(u"number", 0), kMaxCopies);
    if (number < 1)
        return add(*scene, key, object);
    for (int i = 0; i < number; ++i)
        add(*scene, numbered(key, i).c_str(), i == 0 ? object : cloneOf(*object));
}

int guiTypeOf(const WCHAR* text)
{
    static const char16_t* const names[] = {u"button", u"checkbox", u"hyperlink", u"tiplink"};
    for (int i = 0; text && i < 4; ++i)
        if (std::u16string_view(text) == names[i])
            return i + 1;
    return 0;
}

int controlKindOf(const WCHAR* text)
{
    static const char16_t* const kinds[] = {u"BUTTON", u"EDIT", u"COMBOBOX", u"LISTBOX",
                                            u"LABEL",  u"STATIC", u"TEXTAREA"};
    for (int i = 0; text && i < 7; ++i)
        if (std::u16string_view(text) == kinds[i])
            return i;
    return 0;
}

// "transform" turns every image of a sprite.
void transformImage(Texture* texture, const WCHAR* transform)
{
    if (!texture || !transform)
        return;
    if (contains(transform, u"ROTATE_"))
        texture->rotate(!contains(transform, u"ANTICLOCKWISE"));
    if (contains(transform, u"MIRROR"))
        texture->mirror(false);
    if (contains(transform, u"FLIP"))
        texture->flip(false);
}

void copyText(WCHAR* out, size_t capacity, const WCHAR* text)
{
    size_t i = 0;
    for (; text && text[i] && i + 1 < capacity; ++i)
        out[i] = text[i];
    out[i] = 0;
}

template <class List>
auto lastNamed(const List& list, const WCHAR* key) -> decltype(list.front().object.get())
{
    for (auto it = list.rbegin(); key && it != list.rend(); ++it)
        if (it->key == key)
            return it->object.get();
    return nullptr;
}

} // namespace

TemplateLoader::TemplateLoader(Canvas& owner) : canvas(owner) {}

TemplateLoader::~TemplateLoader() = default;

void TemplateLoader::forgetObjects()
{
    textureAnimators.clear();
    modelAnimators.clear();
    sounds.clear();
    turnedImages.clear();
}

void TemplateLoader::load(const WCHAR* folder, const WCHAR* name, bool replace)
{
    if (!folder || !name || !*folder || !*name)
        return;
    if (replace)
    {
        canvas.onBeforeTemplateLoad(folder, name);
        templ.clear();
        built.clear();
        canvas.removeAllScenes();
        forgetObjects();
    }
    templateName = std::u16string(name).substr(0, 64);
    canvas.templateFolder = folder;
    if (!templ.load(canvas.templateFolder.c_str(), templateName.c_str()))
        return;
    // The keys of this file, those the template had already included (the
    // template's own key list names only keys new to it); after a replacing
    // load every key is new.
    std::vector<std::u16string> thisFile;
    if (!replace)
    {
        Properties file;
        file.load(canvas.templateFolder.c_str(), templateName.c_str());
        WCHAR** fileKeys = file.getKeys();
        for (int i = 0; i < file.getKeyCount(); ++i)
            thisFile.emplace_back(fileKeys[i]);
        delete[] fileKeys;
    }
    // The keys are copied: a builder may not change the template, but the
    // listener runs the page's code.
    std::vector<std::u16string> keys;
    {
        WCHAR** all = templ.getKeys();
        for (int i = 0; i < templ.getKeyCount(); ++i)
            keys.emplace_back(all[i]);
        delete[] all;
    }
    const int count = int(keys.size());
    for (int i = 0; i < count; ++i)
    {
        const std::u16string& key = keys[size_t(i)];
        if (std::find(built.begin(), built.end(), key) != built.end())
        {
            if (std::find(thisFile.begin(), thisFile.end(), key) == thisFile.end())
                continue;
        }
        else
            built.push_back(key);
        const WCHAR* value = templ.get(key.c_str());
        if (!value)
            continue;
        PropertyMap map(value, u',', u':');
        if (!map.get(u"type"))
            continue;
        buildEntry(key.c_str(), map);
        if (LoadListener* listener = canvas.getLoadListener())
        {
            // The key right-aligned in ten places, cut at 20 characters.
            std::u16string text = key.substr(0, 20);
            if (text.size() < 10)
                text.insert(0, 10 - text.size(), u' ');
            text = u"Load " + text;
            listener->onLoad(text.c_str(), templateName.c_str(), 100 * i / count);
        }
    }
    if (LoadListener* listener = canvas.getLoadListener())
        listener->onLoad(u"Load", templateName.c_str(), 100);
    canvas.onTemplateLoaded();
    canvas.afterTemplateLoad();
}

int TemplateLoader::scaled(int n) const
{
    return canvas.scaleToScreen(n);
}

int TemplateLoader::scaledField(const PropertyMap& map, const WCHAR* field, int fallback) const
{
    return scaled(map.getInt(field, fallback));
}

int TemplateLoader::lengthField(const PropertyMap& map, const WCHAR* field, int whole) const
{
    const WCHAR* text = map.get(field);
    if (!text || !*text)
        return whole;
    if (std::u16string_view(text).find(u'%') == std::u16string_view::npos)
        return scaledField(map, field, 0);
    return saturatingInt(double(map.getFloat(field, 0.0f)) * whole * 0.01 + 0.5);
}

void TemplateLoader::buildEntry(const WCHAR* key, const PropertyMap& map)
{
    const WCHAR* type = map.get(u"type");
    static const char16_t* const sceneTypes[] = {u"SceneSprite", u"Scene2D", u"Scene3D", u"SceneAWT"};
    for (int code = 0; code < 4; ++code)
        if (same(type, sceneTypes[code]))
            return buildScene(key, map, code);
    if (same(type, u"AWTComponent"))
        return buildAwtComponent(key, map);
    if (same(type, u"Sprite"))
        return buildSprite(key, map);
    if (same(type, u"Group2D"))
        return canvas.build2DScenes ? buildGroup2D(key, map) : void();
    if (same(type, u"Group3D") || same(type, u"Chip3D"))
        return buildGroup3D(key, map, same(type, u"Chip3D"));
    if (same(type, u"LOD"))
        return buildLod(map);
    if (same(type, u"Fog"))
    {
        buildFog(map, canvas.findScene3D(map.get(u"container")));
        return;
    }
    if (same(type, u"Light"))
    {
        buildLight(map, key, canvas.findScene3D(map.get(u"container")));
        return;
    }
    if (same(type, u"Camera"))
    {
        buildCamera(map, canvas.findScene3D(map.get(u"container")));
        return;
    }
    if (same(type, u"TextureAnimator"))
    {
        Group3D* group = findGroup3D(map.get(u"container"));
        if (containerAbsent(group, u"TextureAnimator") || !canvas.getTextureDictionary())
            return;
        if (TextureAnimator* animator = racing::buildTextureAnimator(map, group, *canvas.getTextureDictionary(),
                                                                     canvas.templateFolder.c_str()))
            textureAnimators.push_back({key, std::unique_ptr<TextureAnimator>(animator)});
        return;
    }
    if (same(type, u"ModelAnimator"))
    {
        Scene3D* scene = canvas.findScene3D(map.get(u"container"));
        if (containerAbsent(scene, u"ModelAnimator"))
            return;
        if (ModelAnimator* animator = racing::buildModelAnimator(map, scene, findGroup3D(map.get(u"group")),
                                                                 canvas.templateFolder.c_str()))
            modelAnimators.push_back({key, std::unique_ptr<ModelAnimator>(animator)});
        return;
    }
    if (same(type, u"WaveSound"))
        return buildWaveSound(key, map);
    // Any other type builds nothing.
}

void TemplateLoader::buildScene(const WCHAR* key, const PropertyMap& map, int code)
{
    if (code == 1 && !canvas.build2DScenes)
        return;
    if (code == 3)
    {
        auto* scene = new SceneAWT();
        scene->setIndexTextColor(uint32_t(map.getColor(u"indexTextColor", 0xFFFF00)));
        scene->setIndexTextSize(map.getInt(u"indexTextSize", 12));
        scene->indexOffsetX = scaledField(map, u"indexTextOffsetX", 0);
        scene->indexOffsetY = scaledField(map, u"indexTextOffsetY", 0);
        scene->visible = uint8_t(map.getInt(u"visible", 1) != 0);
        canvas.addScene(key, scene);
        scene->x = 0;
        scene->y = 0;
        scene->width = canvas.getClientWidth();
        scene->height = canvas.getClientHeight();
        return;
    }
    const int x = scaledField(map, u"x", 0), y = scaledField(map, u"y", 0);
    const int w = lengthField(map, u"width", canvas.getClientWidth());
    const int h = lengthField(map, u"height", canvas.getClientHeight());
    uint32_t background = uint32_t(map.getColor(u"bkgColor", -1));
    Texture* bkgTexture = nullptr;
    if (const WCHAR* file = map.get(u"bkgTexture"); file && *file && canvas.getTextureDictionary())
    {
        bkgTexture = canvas.getTextureDictionary()->load(canvas.templateFolder.c_str(), file, false, true);
        background = 0;
    }
    const bool visible = map.getInt(u"visible", 1) != 0;
    if (code == 0)
    {
        auto* scene = new SceneSprite(x, y, w, h, background, bkgTexture);
        scene->indexColor = uint32_t(map.getColor(u"indexTextColor", 0xFFFF00));
        scene->indexTextSize = map.getInt(u"indexTextSize", 12);
        scene->indexOffsetX = scaledField(map, u"indexTextOffsetX", 0);
        scene->indexOffsetY = scaledField(map, u"indexTextOffsetY", 0);
        scene->visible = uint8_t(visible);
        canvas.addScene(key, scene);
        return;
    }
    if (code == 1)
    {
        auto* scene = new Scene2D(x, y, w, h, background, bkgTexture);
        scene->visible = uint8_t(visible);
        canvas.addScene(key, scene);
        return;
    }
    auto* scene = new Scene3D(x, y, w, h, background, bkgTexture);
    if (map.get(u"ambient"))
        scene->environment.ambient = uint32_t(map.getColor(u"ambient", 0));
    if (map.get(u"frontClip"))
        scene->environment.frontClip = map.getFloat(u"frontClip", 0.0f);
    if (map.get(u"backClip"))
        scene->environment.backClip = map.getFloat(u"backClip", 0.0f);
    scene->visible = uint8_t(visible);
    canvas.addScene(key, scene);
}

void TemplateLoader::buildAwtComponent(const WCHAR* key, const PropertyMap& map)
{
    SceneAWT* scene = canvas.findControlScene(map.get(u"container"));
    if (containerAbsent(scene, u"AWTComponent"))
        return;
    AWTComponent* component = SceneAWT::makeComponent(
        controlKindOf(map.get(u"AWTType")), map.getInt(u"id", 0), scaledField(map, u"x", 0), scaledField(map, u"y", 0),
        scaledField(map, u"width", 0), scaledField(map, u"height", 0), map.get(u"text"));
    if (!component)
        return;
    component->setFont(scaledField(map, u"fontSize", 16), map.get(u"fontFace"), map.getInt(u"fontItalic", 0) != 0,
                       map.getInt(u"fontWeight", 400));
    component->visible = uint8_t(map.getInt(u"visible", 1) != 0);
    scene->addComponent(key, component, map.get(u"index"));
    if (!component->visible && component->control && component->control->getHandle())
        component->control->show(false);
    canvas.onComponentBuilt(component);
}

void TemplateLoader::buildSprite(const WCHAR* key, const PropertyMap& map)
{
    const bool sized = map.get(u"width") && map.get(u"height");
    auto* sprite = new Sprite(scaledField(map, u"x", 0), scaledField(map, u"y", 0),
                              sized ? scaledField(map, u"width", 0) : -1, sized ? scaledField(map, u"height", 0) : -1);
    sprite->setText(map.get(u"text"));
    sprite->setFont(map.get(u"textFont"));
    sprite->textSize = std::max(12, scaledField(map, u"textSize", 16));
    sprite->italic = uint8_t(map.getInt(u"textItalic", 0) != 0);
    sprite->underline = uint8_t(map.getInt(u"textUnderline", 0) != 0);
    sprite->textWeight = std::clamp(map.getInt(u"textWeight", 400), 0, 900);
    static const char16_t* const alignments[] = {u"LEFT", u"CENTER", u"RIGHT"};
    for (int i = 0; i < 3; ++i)
        if (const WCHAR* align = map.get(u"textAlignment"); align && _wcsicmp(align, alignments[i]) == 0)
            sprite->textAlignment = i;
    sprite->textColor = uint32_t(map.getColor(u"textColor", 0));
    sprite->visible = uint8_t(map.getInt(u"visible", 1) != 0);
    sprite->guiType = guiTypeOf(map.get(u"GUIType"));
    if (sprite->guiType == 2)
    {
        copyText(sprite->group, Sprite::kGroupLength + 1, map.get(u"group"));
        sprite->persistent = uint8_t(map.getInt(u"persistent", 0) != 0);
    }
    if ((sprite->guiType == 3 || sprite->guiType == 4) && map.get(u"href"))
    {
        copyText(sprite->link, SceneObject::kNameLength, map.get(u"href"));
        sprite->underline = 1;
    }
    sprite->fillColor = uint32_t(map.getColor(u"color", -1));
    sprite->frameColor = uint32_t(map.getColor(u"frame", -1));
    Texture* faces[4] = {};
    static const char16_t* const fields[] = {u"texture", u"bright", u"dark", u"mask"};
    for (int i = 0; i < 4; ++i)
        faces[i] = spriteImage(map.get(fields[i]), map.get(u"transform"));
    if (map.get(u"texture") || map.get(u"bright") || map.get(u"dark"))
    {
        sprite->setImages(faces[0], faces[1], faces[2], faces[3], map.getInt(u"clipX", -1), map.getInt(u"clipY", -1),
                          map.getInt(u"clipW", -1), map.getInt(u"clipH", -1));
        if (!sized)
        {
            sprite->width = scaled(sprite->width);
            sprite->height = scaled(sprite->height);
        }
    }
    sprite->width = std::max(0, sprite->width);
    sprite->height = std::max(0, sprite->height);
    sprite->setState(std::clamp(map.getInt(u"status", 0), 0, 2));
    const WCHAR* index = map.get(u"index");
    placeCopies(key, map, canvas.findSpriteScene(map.get(u"container")), sprite,
                [index](SceneSprite& scene, const WCHAR* name, Sprite* s) { scene.addSprite(name, s, index); },
                [](const Sprite& s) { return s.cloneWithLooks(); });
}

Texture* TemplateLoader::spriteImage(const WCHAR* file, const WCHAR* transform)
{
    TextureDictionary* textures = canvas.getTextureDictionary();
    if (!file || !*file || !textures)
        return nullptr;
    Texture* shared = textures->load(canvas.templateFolder.c_str(), file, false, false);
    if (!shared || !transform || !*transform)
        return shared;
    const std::u16string name = canvas.templateFolder + u"\\" + file + u"|" + transform;
    for (const auto& turned : turnedImages)
        if (turned.first == name)
            return turned.second.get();
    auto copy = std::make_unique<Texture>(*shared);
    transformImage(copy.get(), transform);
    turnedImages.emplace_back(name, std::move(copy));
    return turnedImages.back().second.get();
}

void TemplateLoader::buildGroup2D(const WCHAR* key, const PropertyMap& map)
{
    if (!map.get(u"scale"))
        return; // a rectangle needs its scale
    TextureDictionary* textures = canvas.getTextureDictionary();
    auto image = [&](const WCHAR* field) -> Texture* {
        const WCHAR* file = map.get(field);
        return file && *file && textures ? textures->load(canvas.templateFolder.c_str(), file, true, true) : nullptr;
    };
    // The racing rectangles take no colour key from their texture.
    auto* group = new Rect2D(map.getFloat(u"scale", 1.0f) * canvas.screenScale, image(u"texture"), image(u"mask"),
                             false);
    if (map.get(u"visible"))
        group->visible = uint8_t(map.getInt(u"visible", 1) != 0);
    if (map.get(u"detailLevel"))
        group->setDetailLevel(map.getInt(u"detailLevel", 1));
    if (map.get(u"color"))
        group->setColor(uint32_t(map.getColor(u"color", 0)));
    placeCopies(key, map, canvas.findScene2D(map.get(u"container")), static_cast<Group2D*>(group),
                [](Scene2D& scene, const WCHAR* name, Group2D* g) { scene.addChild(name, g); },
                [](const Group2D& g) { return g.clone(); });
}

void TemplateLoader::buildGroup3D(const WCHAR* key, const PropertyMap& map, bool chip)
{
    if (!map.get(u"radius"))
        return errorBox(u"The radius of Group3D is absent.");
    const float radius = map.getFloat(u"radius", 1.0f);
    Group3D* group = nullptr;
    TextureDictionary* textures = canvas.getTextureDictionary();
    if (chip)
    {
        auto image = [&](const WCHAR* field) -> Texture* {
            const WCHAR* file = map.get(field);
            return file && *file && textures ? textures->load(canvas.templateFolder.c_str(), file, true, false)
                                             : nullptr;
        };
        group = new Chip3D(radius, map.getFloat(u"width", 1.0f), map.getFloat(u"height", 1.0f),
                           map.getInt(u"orientation", 2), image(u"texture"), image(u"alpha"));
    }
    else
    {
        const WCHAR* model = map.get(u"model");
        if (!model || !*model)
            return errorBox(u"The model of Group3D is absent.");
        group = Loader3DS().load(canvas.templateFolder.c_str(), model, radius, textures);
        if (!group)
            return;
    }
    if (map.get(u"visible"))
        group->visible = uint8_t(map.getInt(u"visible", 1) != 0);
    if (map.get(u"detailLevel"))
        group->setDetailLevel(map.getInt(u"detailLevel", 0));
    if (map.get(u"color"))
        setColor(*group, uint32_t(map.getColor(u"color", 0)));
    if (map.get(u"luminous"))
        setLuminous(*group, uint32_t(map.getColor(u"luminous", 0)));
    if (map.get(u"transparency"))
        setTransparency(*group, map.getInt(u"transparency", 0));
    if (map.get(u"reflectivity"))
        setReflectivity(*group, map.getInt(u"reflectivity", 0));
    if (map.get(u"flat"))
        setFlat(*group, map.getInt(u"flat", 0) != 0);
    if (map.get(u"wireframe"))
        setWireframe(*group, map.getInt(u"wireframe", 0) != 0);
    if (map.get(u"doubleside"))
        setDoubleSided(*group, map.getInt(u"doubleside", 0) != 0);
    if (map.get(u"environmentEnabled"))
        group->setEnvironmentEnabled(map.getInt(u"environmentEnabled", 0));
    if (map.get(u"billboard"))
        group->billboard = map.getInt(u"billboard", 0);
    if (map.get(u"cullingPolicy"))
        group->cullingPolicy = cullingPolicyFromRacing(map.getInt(u"cullingPolicy", 0));
    placeCopies(key, map, canvas.findScene3D(map.get(u"container")), group,
                [](Scene3D& scene, const WCHAR* name, Group3D* g) { scene.addChild(name, g); },
                [](const Group3D& g) { return g.clone(7); });
}

void TemplateLoader::buildLod(const PropertyMap& map)
{
    Group3D* group = findGroup3D(map.get(u"container"));
    if (containerAbsent(group, u"LOD"))
        return;
    const WCHAR* list = map.get(u"model");
    if (!list)
        return;
    std::u16string text = list;
    auto trimmed = [](std::u16string s, const char16_t* junk) {
        const size_t a = s.find_first_not_of(junk);
        if (a == std::u16string::npos)
            return std::u16string();
        return s.substr(a, s.find_last_not_of(junk) - a + 1);
    };
    text = trimmed(text, u" \t()");
    std::vector<std::u16string> files;
    for (size_t start = 0; start <= text.size();)
    {
        const size_t end = std::min(text.find(u';', start), text.size());
        files.push_back(trimmed(text.substr(start, end - start), u" \t"));
        start = end + 1;
    }
    // No more levels than files listed.
    const int levels = std::clamp(map.getInt(u"levelNum", 0), 0, int(files.size()));
    std::vector<std::unique_ptr<Group3D>> models;
    std::vector<Group3D*> raw;
    for (int i = 0; i < levels; ++i)
    {
        Group3D* model = Loader3DS().load(canvas.templateFolder.c_str(), files[size_t(i)].c_str(),
                                          map.getFloat(u"radius", 1.0f), nullptr);
        if (!model)
            return;
        models.emplace_back(model);
        raw.push_back(model);
    }
    if (!raw.empty())
        group->setLevels(raw.data(), int(raw.size()), map.getFloat(u"segment", 0.0f));
}

void TemplateLoader::buildWaveSound(const WCHAR* key, const PropertyMap& map)
{
    const WCHAR* src = map.get(u"src");
    if (!src || !*src || !canvas.getSoundDictionary())
        return;
    if (WaveSound* sound = canvas.getSoundDictionary()->load(canvas.templateFolder.c_str(), src))
        sounds.emplace_back(key, sound);
}

Group3D* TemplateLoader::findGroup3D(const WCHAR* groupName) const
{
    return canvas.findGroup3D(groupName);
}

TextureAnimator* TemplateLoader::findTextureAnimator(const WCHAR* key) const
{
    return lastNamed(textureAnimators, key);
}

ModelAnimator* TemplateLoader::findModelAnimator(const WCHAR* key) const
{
    return lastNamed(modelAnimators, key);
}

WaveSound* TemplateLoader::findSound(const WCHAR* key) const
{
    for (auto it = sounds.rbegin(); key && it != sounds.rend(); ++it)
        if (it->first == key)
            return it->second;
    return nullptr;
}

} // namespace racing
