// template_media.cpp -- 2D groups, wave sounds and bitmap fonts of a template

#include "engine/base/property_map.h"
#include "engine/scene/2d/bitmap_font.h"
#include "engine/scene/screen/canvas.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/screen/template_loader.h"

#include <string>

void TemplateLoader::buildGroup2D(const WCHAR* key, const PropertyMap& map)
{
    auto* group = new Rect2D(map.getFloat(u"scale", 1.0f), texture(map, u"texture", true, true),
                             texture(map, u"mask", true, true));
    group->visible = uint8_t(map.getBool(u"visible", true));
    group->setDetailLevel(map.getInt(u"detailLevel", 1));
    group->setColor(uint32_t(map.getColor(u"color", 0xffffff)));
    attachCopies(key, map, dynamic_cast<Scene2D*>(container(map)), group,
                 [](const SceneObject& g) { return static_cast<const Group2D&>(g).clone(); });
}

void TemplateLoader::buildWaveSound(const WCHAR* key, const PropertyMap& map)
{
    const WCHAR* file = map.get(u"src");
    SoundDictionary* sounds = canvas.getSoundDictionary();
    if (!file || !*file || !sounds)
        return;
    if (WaveSound* sound = sounds->load(canvas.getTemplateFolder(), file))
        canvas.addSound(key, sound);
}

void TemplateLoader::buildBitmapFont(const WCHAR* key, const PropertyMap& map)
{
    const WCHAR* file = map.get(u"bitmap");
    const int columns = map.getInt(u"columns", 0);
    const int rows = map.getInt(u"rows", 0);
    if (!file || !*file || columns < 1 || rows < 1)
        return;
    std::u16string path = canvas.getTemplateFolder();
    if (!path.empty() && path.back() != u'\\')
        path += u'\\';
    path += file;
    canvas.addFont(key, new BitmapFont(path.c_str(), columns, rows, map.getInt(u"caseConvertion", 1),
                                       map.getInt(u"startCode", 32), uint32_t(map.getColor(u"transparentColor", 0))));
}
