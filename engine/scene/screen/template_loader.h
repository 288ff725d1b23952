// template_loader.h -- builds a canvas's screen from a template file
//
// A template is a properties file whose entries each build one thing on the
// canvas (a scene, a sprite, ...), in file order, so that containers come
// before their contents. The entry name names what is built; the "type"
// field picks the builder. Types this loader does not know go to the
// canvas's buildCustomEntry.
#pragma once

#include <os/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Canvas;
class ModelLibrary;
class PropertyMap;
class Scene;
class SceneObject;
class Texture;

// A layout length of a template entry: `whole` when the field is missing
// or empty, a percentage of `whole` when its text holds '%', else the number
// times screenScale, rounded.
int templateLength(const PropertyMap& map, const WCHAR* field, int whole, float screenScale);

class TemplateLoader
{
public:
    explicit TemplateLoader(Canvas& canvas);
    ~TemplateLoader();

    // Reads folder + name into the canvas's template and builds the entries
    // read by this load. False (with a box) when the file cannot be read.
    bool load(const WCHAR* folder, const WCHAR* name, bool replace);

private:
    // Builds one entry of the canvas's template by its "type".
    void buildEntry(const WCHAR* key);
    // A layout length of a 240-pixel-wide screen, or a percentage of
    // `whole` when the text holds '%'; `whole` when missing.
    static int length(const PropertyMap& map, const WCHAR* field, int whole);
    void buildScene(const WCHAR* key, const PropertyMap& map, int kind);
    void buildSprite(const WCHAR* key, const PropertyMap& map);
    void buildControl(const WCHAR* key, const PropertyMap& map);
    void buildGroup2D(const WCHAR* key, const PropertyMap& map);
    void buildGroup3D(const WCHAR* key, const PropertyMap& map);
    void buildLod(const WCHAR* key, const PropertyMap& map);
    void buildFog(const PropertyMap& map);
    void buildLight(const WCHAR* key, const PropertyMap& map);
    void setUp3D(class Scene3D* scene, const PropertyMap& map);
    // A clone of the model file from the template folder, normalised to
    // "radius" with the entry's mesh filters (null when it cannot be read).
    class Group3D* loadModel(const WCHAR* file, const PropertyMap& map);
    // Remembers a 3D scene whose lights, fog or clip planes this load set.
    void touch3D(const class Scene3D* scene);
    // Brings those scenes' shade tables and clip range up to date.
    void settle3D();
    void buildWaveSound(const WCHAR* key, const PropertyMap& map);
    void buildBitmapFont(const WCHAR* key, const PropertyMap& map);

    // Adds the object to the scene under the key, or with "number" N >= 1
    // the object and N - 1 clones under key + "0" ... key + "N-1". Without a
    // scene (missing, or of a kind that cannot hold it) the object is
    // deleted: nothing would own it.
    void attachCopies(const WCHAR* key, const PropertyMap& map, Scene* scene, SceneObject* object,
                      const std::function<SceneObject*(const SceneObject&)>& cloneOf);
    // The image named by the field, from the template folder (null: none).
    Texture* texture(const PropertyMap& map, const WCHAR* field, bool powerOfTwo, bool roundUp) const;
    void restoreScreen(const std::u16string& previousFolder, const std::u16string& previousName);
    void report(const WCHAR* text, int percent);
    Scene* container(const PropertyMap& map) const;

    Canvas& canvas;
    std::u16string folder;
    std::u16string name;
    // By name: a custom entry may change the scene list meanwhile.
    std::vector<std::u16string> scenes3D;
};
