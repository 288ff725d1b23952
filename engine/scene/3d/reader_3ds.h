// reader_3ds.h -- the chunk walk over the bytes of a 3DS file
#pragma once

#include <os/types.h>

#include "engine/base/matrix4.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class Group3D;
class Material;
class Mesh;
class TextureDictionary;

// How the two engine builds read the same chunks differently.
struct Profile3DS
{
    // Percentages are fractions: map amounts are kept as floats, transparency
    // and shininess strength as int(fraction x 255).
    bool fractionAmounts = false;
    // Face-material names are bound to materials after the whole file is
    // read (a material may follow the mesh that uses it; the last name wins).
    bool bindMaterialsAtEnd = false;
    // The local-axes chunk is kept (not applied) instead of skipped.
    bool keepLocalAxes = false;
};

class Reader3DS
{
public:
    Reader3DS(const uint8_t* data, size_t size, TextureDictionary* textures, const WCHAR* textureFolder,
              Profile3DS profile = {});
    ~Reader3DS();
    Reader3DS(const Reader3DS&) = delete;
    Reader3DS& operator=(const Reader3DS&) = delete;

    // Fills model with the chunks after the main chunk; false when the first
    // chunk is not the main chunk.
    bool read(Group3D& model);

    // The last local-axes chunk (identity without one), when kept.
    const Matrix4& localAxes() const { return axes; }

private:
    bool readU8(uint8_t& out);
    bool readU16(uint16_t& out);
    bool readU32(uint32_t& out);
    bool readFloat(float& out);
    bool skip(size_t n);
    std::u16string readName();
    uint32_t readColour();
    int32_t readPercentage();
    // The percentage chunk as a fraction (1 for 100 %).
    float readFraction();
    int32_t readAmount();
    void bindMaterials();
    bool handle(uint16_t id, uint32_t length);
    bool handleGeometry(uint16_t id);
    bool handleMaterial(uint16_t id);
    bool readVertices();
    bool readFaces();
    bool readFaceMaterial();
    bool readTextureCoordinates();
    bool readLocalAxes();
    void readMap(uint16_t id);
    Material& material();
    void startMaterial();

    const uint8_t* bytes;
    size_t size;
    size_t pos = 0;
    TextureDictionary* textures;
    const WCHAR* textureFolder;
    Group3D* model = nullptr;
    std::u16string objectName;
    Mesh* mesh = nullptr;
    Material* current = nullptr;
    bool currentAdded = false;
    Material* sink;
    Profile3DS profile;
    Matrix4 axes;
    std::vector<std::pair<Mesh*, std::u16string>> meshMaterials;
};
