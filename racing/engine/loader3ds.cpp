// loader3ds.cpp -- the racing build's 3DS loader
#include "racing/engine/loader3ds.h"

#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/loader_3ds.h"
#include "engine/scene/3d/reader_3ds.h"
#include "engine/scene/core/texture_dictionary.h"
#include "racing/engine/image_ops.h"

#include <os/windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace racing {

namespace {

constexpr unsigned kExclamation = 48;

// The textures of models loaded without a dictionary, one dictionary per
// folder (a name stands for its file only within its folder). Levels of
// detail and animation frames are loaded so; their materials use these
// textures for as long as the models live, which the loader cannot know,
// so they stay until the program ends.
std::map<std::u16string, std::unique_ptr<TextureDictionary>>& texturesByFolder()
{
    static auto* byFolder = new std::map<std::u16string, std::unique_ptr<TextureDictionary>>();
    return *byFolder;
}

TextureDictionary& folderTextures(const std::u16string& folder)
{
    std::unique_ptr<TextureDictionary>& textures = texturesByFolder()[folder];
    if (!textures)
    {
        textures = std::make_unique<TextureDictionary>();
        readImagesOnly(*textures);
    }
    return *textures;
}

} // namespace

void Loader3DS::releaseFolderTextures()
{
    texturesByFolder().clear();
}

Group3D* Loader3DS::parse(const uint8_t* data, size_t size, float radius, TextureDictionary* textures,
                          const WCHAR* textureFolder)
{
    Profile3DS profile;
    profile.fractionAmounts = true;
    profile.bindMaterialsAtEnd = true;
    profile.keepLocalAxes = true;
    Group3D* model = new Group3D();
    Reader3DS reader(data, size, textures, textureFolder ? textureFolder : u"", profile);
    if (!reader.read(*model))
    {
        delete model;
        MessageBoxW(nullptr, u"Error: this is not a valid 3DS file.", u"Exception", kExclamation);
        return nullptr;
    }
    localAxes = reader.localAxes();
    model->normalize(radius, nullptr, nullptr);
    return model;
}

Group3D* Loader3DS::load(const WCHAR* folder, const WCHAR* file, float radius, TextureDictionary* textures)
{
    if (!file)
        return nullptr;
    std::u16string modelFolder, path;
    std::vector<uint8_t> data;
    if (!::Loader3DS::readFile(folder, file, modelFolder, path, data))
    {
        const std::u16string text = u"Error: can not find the 3DS file '" + path + u"'";
        MessageBoxW(nullptr, text.c_str(), u"Exception", kExclamation);
        return nullptr;
    }
    return parse(data.data(), data.size(), radius, textures ? textures : &folderTextures(modelFolder),
                 modelFolder.c_str());
}

} // namespace racing
