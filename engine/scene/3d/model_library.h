// model_library.h -- every model file read once, handed out as clones
#pragma once

#include "engine/base/hashtable.h"

#include <os/types.h>

#include <cstdint>

class Group3D;
class Loader3DS;
class TextureDictionary;

// The library keeps each loaded model to itself and always hands out clones
// (meshes and materials copied), which belong to the caller; so a reset or
// the library's end never frees a model that a scene still holds.
class ModelLibrary
{
public:
    int32_t lastFromCache = 0;

    ModelLibrary();
    ~ModelLibrary();
    ModelLibrary(const ModelLibrary&) = delete;
    ModelLibrary& operator=(const ModelLibrary&) = delete;

    // Names are compared without regard to case. Null for a null name or a
    // file that cannot be read (a later load of that name tries again).
    Group3D* load(const WCHAR* folder, const WCHAR* name, float radius, TextureDictionary* textures,
                  const WCHAR* wanted, const WCHAR* unwanted, const WCHAR* textureFolder);
    void reset();
    int size() const { return models.size(); }

private:
    Group3D* cloneFor(const Group3D& stored, float radius, const WCHAR* wanted, const WCHAR* unwanted) const;

    Hashtable models;
    Loader3DS* loader = nullptr;
};
