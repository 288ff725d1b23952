// model_library.cpp -- the cache of loaded models
#include "engine/scene/3d/model_library.h"

#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/loader_3ds.h"

#include <os/wstring.h>

#include <string>

namespace {

WCHAR* lowerCopy(const WCHAR* text)
{
    const size_t n = wcslen(text);
    WCHAR* copy = new WCHAR[n + 1];
    for (size_t i = 0; i <= n; ++i)
        copy[i] = wtolower16(text[i]);
    return copy;
}

} // namespace

ModelLibrary::ModelLibrary() : models(Hashtable::kStringKeys)
{
}

ModelLibrary::~ModelLibrary()
{
    reset();
    delete loader;
}

void ModelLibrary::reset()
{
    const int n = models.size();
    void** keys = models.keys();
    WCHAR** copies = new WCHAR*[size_t(n > 0 ? n : 1)];
    for (int i = 0; i < n; ++i)
    {
        copies[i] = static_cast<WCHAR*>(keys[i]);
        delete static_cast<Group3D*>(models.get(copies[i]));
    }
    models.clear();
    for (int i = 0; i < n; ++i)
        delete[] copies[i];
    delete[] copies;
}

Group3D* ModelLibrary::cloneFor(const Group3D& stored, float radius, const WCHAR* wanted, const WCHAR* unwanted) const
{
    Group3D* copy = stored.clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials);
    if (radius != copy->radius)
        copy->normalize(radius, wanted, unwanted);
    return copy;
}

Group3D* ModelLibrary::load(const WCHAR* folder, const WCHAR* name, float radius, TextureDictionary* textures,
                            const WCHAR* wanted, const WCHAR* unwanted, const WCHAR* textureFolder)
{
    if (!name)
        return nullptr;
    WCHAR* key = lowerCopy(name);
    const Group3D* stored = static_cast<const Group3D*>(models.get(key));
    if (stored)
    {
        delete[] key;
        lastFromCache = 1;
        return cloneFor(*stored, radius, wanted, unwanted);
    }
    if (!loader)
        loader = new Loader3DS();
    lastFromCache = 0;
    Group3D* model = loader->load(folder, name, radius, textures, wanted, unwanted, textureFolder);
    if (!model)
    {
        delete[] key;
        return nullptr;
    }
    models.put(key, model);
    return cloneFor(*model, radius, wanted, unwanted);
}
