// loader3ds.h -- the racing build's 3DS loader
//
// The engine's chunk reader under the racing profile: percentages read as
// fractions (the map amounts kept as floats), face materials bound by name
// once the whole file is read, the local axes kept; no colour keys, no name
// filters and no model library in front of it. Boxes are titled
// "Exception".
#pragma once

#include "engine/base/matrix4.h"

#include <os/types.h>

#include <cstddef>
#include <cstdint>

class Group3D;
class TextureDictionary;

namespace racing {

class Loader3DS
{
public:
    // Reads folder\file from disk or the packs (one leading '\' of file is
    // dropped; a folder part of file is added to folder, where the textures
    // are looked for too) and normalises it to radius. Null after a box
    // when the file is missing or not a 3DS file. Without a dictionary the
    // maps come from the loader's own textures of that folder, made once
    // per file and kept while the program runs.
    Group3D* load(const WCHAR* folder, const WCHAR* file, float radius, TextureDictionary* textures);
    // Deletes the textures of loads without a dictionary, for a program that
    // knows none of those models is left.
    static void releaseFolderTextures();
    // The same over the bytes of a file, textures from textureFolder
    // through the dictionary (none without one).
    Group3D* parse(const uint8_t* data, size_t size, float radius, TextureDictionary* textures,
                   const WCHAR* textureFolder);

    // The last local-axes chunk of the last file read (not applied).
    const Matrix4& getLocalAxes() const { return localAxes; }

private:
    Matrix4 localAxes;
};

} // namespace racing
