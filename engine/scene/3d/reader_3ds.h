// reader_3ds.h -- the chunk walk over the bytes of a 3DS file
#pragma once

#include <os/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

class Group3D;
class Material;
class Mesh;
class TextureDictionary;

class Reader3DS
{
public:
    Reader3DS(const uint8_t* data, size_t size, TextureDictionary* textures, const WCHAR* textureFolder);
    ~Reader3DS();
    Reader3DS(const Reader3DS&) = delete;
    Reader3DS& operator=(const Reader3DS&) = delete;

    // Fills model with the chunks after the main chunk; false when the first
    // chunk is not the main chunk.
    bool read(Group3D& model);

private:
    bool readU8(uint8_t& out);
    bool readU16(uint16_t& out);
    bool readU32(uint32_t& out);
    bool readFloat(float& out);
    bool skip(size_t n);
    std::u16string readName();
    uint32_t readColour();
    int32_t readPercentage();
    bool handle(uint16_t id, uint32_t length);
    bool handleGeometry(uint16_t id);
    bool handleMaterial(uint16_t id);
    bool readVertices();
    bool readFaces();
    bool readFaceMaterial();
    bool readTextureCoordinates();
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
};
