// loader_3ds.h -- reads 3DS model files into 3D groups
#pragma once

#include <os/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Group3D;
class TextureDictionary;

class Loader3DS
{
public:
    // Reads folder\file (a leading '\' of file is dropped; a folder part of
    // file is added to folder) from disk or the resource packs. Textures come
    // from textureFolder, or the model's own folder when null. Returns a new
    // group normalised to radius, or null after an error box.
    Group3D* load(const WCHAR* folder, const WCHAR* file, float radius, TextureDictionary* textures,
                  const WCHAR* wanted, const WCHAR* unwanted, const WCHAR* textureFolder);

    // Reads a model from the bytes of a file; null (after the box) when they
    // are not a 3DS file.
    // Finds folder\file the way load does and reads its bytes; answers the
    // folder of the model (ending in '\') and its path. False when it
    // cannot be opened (no box: the caller words it).
    static bool readFile(const WCHAR* folder, const WCHAR* file, std::u16string& modelFolder, std::u16string& path,
                         std::vector<uint8_t>& data);

    static Group3D* parse(const uint8_t* data, size_t size, TextureDictionary* textures, const WCHAR* textureFolder);
};
