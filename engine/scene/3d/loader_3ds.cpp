// loader_3ds.cpp -- finding, reading and normalising a 3DS model file
#include "engine/scene/3d/loader_3ds.h"

#include "engine/base/resource_files.h"
#include "engine/base/wstring_utils.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/reader_3ds.h"

#include <os/windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> readWholeFile(FILE* file)
{
    std::vector<uint8_t> data;
    uint8_t chunk[8192];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    return data;
}

void colourKeysAndSize(Group3D& model, float radius, const WCHAR* wanted, const WCHAR* unwanted)
{
    for (int i = model.materialCount() - 1; i >= 0; --i)
        model.material(i)->useTextureColorKey();
    model.normalize(radius, wanted, unwanted);
}

} // namespace

Group3D* Loader3DS::parse(const uint8_t* data, size_t size, TextureDictionary* textures, const WCHAR* textureFolder)
{
    Group3D* model = new Group3D();
    Reader3DS reader(data, size, textures, textureFolder);
    if (!reader.read(*model))
    {
        delete model;
        MessageBoxW(nullptr, u"Error: this is not a valid 3DS file.", u"Error", 48);
        return nullptr;
    }
    return model;
}

bool Loader3DS::readFile(const WCHAR* folder, const WCHAR* file, std::u16string& modelFolder, std::u16string& path,
                         std::vector<uint8_t>& data)
{
    modelFolder = folder ? folder : u"";
    if (modelFolder.empty() || modelFolder.back() != u'\\')
        modelFolder += u'\\';
    std::u16string name = file[0] == u'\\' ? file + 1 : file;
    const size_t slash = name.rfind(u'\\');
    if (slash != std::u16string::npos)
    {
        modelFolder += name.substr(0, slash + 1);
        name = name.substr(slash + 1);
    }
    path = modelFolder + name;
    path = collapseParentDirs(path.data());
    FILE* stream = openResourceFile(path.c_str(), u"rb");
    if (!stream)
        return false;
    data = readWholeFile(stream);
    closeResourceFile(stream);
    return true;
}

Group3D* Loader3DS::load(const WCHAR* folder, const WCHAR* file, float radius, TextureDictionary* textures,
                         const WCHAR* wanted, const WCHAR* unwanted, const WCHAR* textureFolder)
{
    if (!file)
        return nullptr;
    std::u16string modelFolder, path;
    std::vector<uint8_t> data;
    if (!readFile(folder, file, modelFolder, path, data))
    {
        const std::u16string text = u"Error: can not find the 3DS file '" + path + u"'";
        MessageBoxW(nullptr, text.c_str(), u"Error", 48);
        return nullptr;
    }
    Group3D* model = parse(data.data(), data.size(), textures, textureFolder ? textureFolder : modelFolder.c_str());
    if (model)
        colourKeysAndSize(*model, radius, wanted, unwanted);
    return model;
}
