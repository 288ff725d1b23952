// page_strips.cpp -- the 2D scenes of a menu template
#include "racing/framework/page_strips.h"

#include "engine/base/properties.h"
#include "engine/base/property_map.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/raster_context.h"
#include "engine/scene/2d/shape2d.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/scene/screen/template_loader.h"

#include <string_view>

namespace racing {

namespace {

bool isType(const PropertyMap& map, const char16_t* type)
{
    const WCHAR* have = map.get(u"type");
    return have && std::u16string_view(have) == type;
}

void drawGroup(RasterContext& raster, Rect2D& group, const Viewport2D& view)
{
    for (int s = 0; s < group.shapes.size(); ++s)
    {
        Shape2D* shape = group.shape(s);
        if (!shape->visible || !shape->material)
            continue;
        for (int k = 0; k < shape->points.size(); ++k)
            shape->point(k)->project(group.transform.m, view);
        raster.setMaterial(shape->material);
        for (int k = 0; k < shape->polygons.size(); ++k)
        {
            const Polygon2D* p = shape->polygon(k);
            if (!p->isValidFor(shape->points.size()))
                continue;
            const ShapePoint* c[4] = {shape->point(p->a), shape->point(p->b), shape->point(p->c), shape->point(p->d)};
            if (c[0]->outcode & c[1]->outcode & c[2]->outcode & c[3]->outcode)
                continue;
            QuadPoint quad[4] = {c[0]->toQuadPoint(), c[1]->toQuadPoint(), c[2]->toQuadPoint(), c[3]->toQuadPoint()};
            raster.fillQuad(quad);
        }
    }
}

} // namespace

void PageStrips::build(Properties& templ, const WCHAR* folder, TextureDictionary& textures, int clientWidth,
                       int clientHeight)
{
    scenes.clear();
    int built = 0; // scenes the racing loader built before this entry
    WCHAR** keys = templ.getKeys();
    const int count = templ.getKeyCount();
    for (int i = 0; i < count; ++i)
    {
        const WCHAR* value = templ.get(keys[i]);
        if (!value)
            continue;
        PropertyMap map(value, u',', u':');
        if (isType(map, u"SceneSprite") || isType(map, u"Scene3D") || isType(map, u"SceneAWT"))
            ++built;
        else if (isType(map, u"Scene2D"))
        {
            Scene scene;
            scene.name = keys[i];
            scene.x = map.getInt(u"x", 0);
            scene.y = map.getInt(u"y", 0);
            scene.width = templateLength(map, u"width", clientWidth, 1.0f);
            scene.height = templateLength(map, u"height", clientHeight, 1.0f);
            scene.bkgColor = uint32_t(map.getColor(u"bkgColor", -1));
            scene.visible = map.getInt(u"visible", 1) != 0;
            scene.before = built;
            scenes.push_back(std::move(scene));
        }
        else if (isType(map, u"Group2D"))
        {
            const WCHAR* container = map.get(u"container");
            Scene* scene = nullptr;
            for (Scene& s : scenes)
                if (container && s.name == container)
                    scene = &s;
            auto image = [&](const WCHAR* field) -> Texture* {
                const WCHAR* file = map.get(field);
                return file && *file ? textures.load(folder, file, true, true) : nullptr;
            };
            Texture* texture = image(u"texture");
            Texture* mask = image(u"mask");
            if (!scene || (!texture && !mask))
                continue;
            auto group = std::make_unique<Rect2D>(map.getFloat(u"scale", 1.0f), texture, mask, false);
            group->visible = uint8_t(map.getInt(u"visible", 1) != 0);
            group->setDetailLevel(map.getInt(u"detailLevel", 1));
            group->setColor(uint32_t(map.getColor(u"color", 0xFFFFFF)));
            scene->groups.emplace_back(keys[i], std::move(group));
        }
    }
    delete[] keys;
}

Rect2D* PageStrips::findGroup(const WCHAR* groupName) const
{
    for (const Scene& scene : scenes)
        for (const auto& group : scene.groups)
            if (groupName && group.first == groupName)
                return group.second.get();
    return nullptr;
}

void PageStrips::draw(Image& surface, int before) const
{
    for (const Scene& scene : scenes)
    {
        if (scene.before != before || !scene.visible || scene.width <= 0 || scene.height <= 0)
            continue;
        if (scene.bkgColor != 0xFFFFFFFFu)
            surface.drawRect(scene.bkgColor, scene.x, scene.y, scene.width, scene.height, true);
        RasterContext raster(&surface, scene.x, scene.y, scene.width, scene.height);
        Viewport2D view{scene.width, scene.height, 1024, 0};
        for (const auto& group : scene.groups)
            if (group.second->visible)
                drawGroup(raster, *group.second, view);
    }
}

} // namespace racing
