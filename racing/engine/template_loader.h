// template_loader.h -- the racing build's screen templates
//
// A template is a properties file whose entries each build one object of
// the screen by their "type", in file order (containers first). Several
// files may be loaded into one canvas: a file added without replacing
// builds its new keys and builds again only the old keys it repeats.
// Unknown types build nothing; missing containers of the 3D entries and of
// controls give a box, sprites and models without a scene are not placed.
#pragma once

#include "engine/base/properties.h"

#include <os/types.h>

#include <memory>
#include <string>
#include <vector>

class Group3D;
class PropertyMap;
class Texture;
class WaveSound;

namespace racing {

class Canvas;
class ModelAnimator;
class TextureAnimator;

class TemplateLoader
{
public:
    explicit TemplateLoader(Canvas& canvas);
    ~TemplateLoader();

    // Nothing when folder or name is empty. With replace the screen goes
    // first (template, built entries, named objects, scenes); an unreadable
    // file ends the load there without progress. Progress "Load <key>" for
    // each entry with a type, then "Load" at 100.
    void load(const WCHAR* folder, const WCHAR* name, bool replace);

    Properties& getTemplate() { return templ; }
    const std::u16string& getTemplateName() const { return templateName; }
    // Animators and sounds by their entry key (the last one of a name).
    TextureAnimator* findTextureAnimator(const WCHAR* key) const;
    ModelAnimator* findModelAnimator(const WCHAR* key) const;
    WaveSound* findSound(const WCHAR* key) const;
    // A model of any 3D scene of the canvas, by name.
    Group3D* findGroup3D(const WCHAR* groupName) const;
    const std::vector<std::u16string>& getBuiltEntries() const { return built; }
    // The animators and turned sprite images are deleted and the sounds
    // forgotten (the canvas's dictionary owns them).
    void forgetObjects();

private:
    void buildEntry(const WCHAR* key, const PropertyMap& map);
    int scaled(int n) const;
    int scaledField(const PropertyMap& map, const WCHAR* field, int fallback) const;
    // A scene's side: "n%" of whole, else n scaled to the screen; whole
    // when the field is absent. Held within the integers.
    int lengthField(const PropertyMap& map, const WCHAR* field, int whole) const;
    void buildScene(const WCHAR* key, const PropertyMap& map, int code);
    void buildAwtComponent(const WCHAR* key, const PropertyMap& map);
    void buildSprite(const WCHAR* key, const PropertyMap& map);
    void buildGroup2D(const WCHAR* key, const PropertyMap& map);
    void buildGroup3D(const WCHAR* key, const PropertyMap& map, bool chip);
    void buildLod(const PropertyMap& map);
    void buildWaveSound(const WCHAR* key, const PropertyMap& map);
    // A sprite image: the dictionary's, or with a "transform" a turned copy
    // of it kept here (one per file and transform), so that no other user
    // of the file sees it turned.
    Texture* spriteImage(const WCHAR* file, const WCHAR* transform);

    template <class T>
    struct Named
    {
        std::u16string key;
        std::unique_ptr<T> object;
    };

    Canvas& canvas;
    Properties templ;
    std::u16string templateName;
    std::vector<std::u16string> built;
    std::vector<Named<TextureAnimator>> textureAnimators;
    std::vector<Named<ModelAnimator>> modelAnimators;
    std::vector<std::pair<std::u16string, WaveSound*>> sounds;
    std::vector<std::pair<std::u16string, std::unique_ptr<Texture>>> turnedImages;
};

} // namespace racing
