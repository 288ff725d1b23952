// texture_dictionary.h -- textures loaded once by file name and shared
//
// Textures are found by their file name without the folder. A name asked
// for with power-of-two sides is held apart from the same name loaded as it
// is (and round-up apart from nearest): the renderers rely on the fitted
// sides and exponents, and sprites on the picture as loaded.
#pragma once

#include "engine/base/hashtable.h"
#include "engine/scene/core/texture.h"

class TextureDictionary
{
public:
    int32_t wasPresent = 0;
    // Which picture files are read: a path this answers false for gives a
    // texture without a picture, with nothing read and nothing shown (the
    // racing build reads JPEG and BMP files only). Null: every file.
    bool (*readsFile)(const WCHAR* path) = nullptr;

    TextureDictionary();
    ~TextureDictionary();
    TextureDictionary(const TextureDictionary&) = delete;
    TextureDictionary& operator=(const TextureDictionary&) = delete;

    Texture* load(const WCHAR* folder, const WCHAR* name, bool powerOfTwo, bool roundUp);
    bool remove(Texture* texture);
    void reset();
    int size() const { return table.size(); }

private:
    Hashtable table;
};

// folder + "\" (unless the folder ends with one) + name, as a new string (delete[]).
WCHAR* joinResourcePath(const WCHAR* folder, const WCHAR* name);
