// reader_3ds.cpp -- the chunk walk over the bytes of a 3DS file
//
// Containers are entered by reading their header only; the chunks inside
// follow in the stream. Counts and indices from the file are checked: data
// without a mesh is skipped, faces naming missing vertices are dropped,
// texture coordinates beyond the vertices are ignored and names are read to
// their zero byte.
#include "engine/scene/3d/reader_3ds.h"

#include "common/little_endian.h"
#include "engine/scene/core/fixed_point.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <cstring>

namespace {

constexpr uint16_t kMain = 0x4D4D;

int32_t byteOf(float f)
{
    const float v = f + 0.5f;
    return v >= 255.0f ? 255 : (v > 0.0f ? int32_t(v) : 0); // NaN gives 0
}

} // namespace

Reader3DS::Reader3DS(const uint8_t* data, size_t length, TextureDictionary* dictionary, const WCHAR* folder,
                     Profile3DS how)
    : bytes(data), size(length), textures(dictionary), textureFolder(folder), sink(new TexturedMaterial()), profile(how)
{
}

Reader3DS::~Reader3DS()
{
    if (!currentAdded)
        delete current;
    delete sink;
}

bool Reader3DS::readU8(uint8_t& out)
{
    if (pos + 1 > size)
        return false;
    out = bytes[pos++];
    return true;
}

bool Reader3DS::readU16(uint16_t& out)
{
    if (pos + 2 > size)
        return false;
    out = readLE16(bytes + pos);
    pos += 2;
    return true;
}

bool Reader3DS::readU32(uint32_t& out)
{
    if (pos + 4 > size)
        return false;
    out = readLE32(bytes + pos);
    pos += 4;
    return true;
}

bool Reader3DS::readFloat(float& out)
{
    uint32_t bits;
    if (!readU32(bits))
        return false;
    std::memcpy(&out, &bits, 4);
    return true;
}

bool Reader3DS::skip(size_t n)
{
    if (n > size - pos)
    {
        pos = size;
        return false;
    }
    pos += n;
    return true;
}

// Bytes up to and including a zero byte, widened one byte per character.
std::u16string Reader3DS::readName()
{
    std::u16string name;
    uint8_t c;
    while (readU8(c) && c != 0)
        name.push_back(char16_t(c));
    return name;
}

uint32_t Reader3DS::readColour()
{
    uint16_t id;
    uint32_t length;
    if (!readU16(id) || !readU32(length))
        return 0;
    if (id == 0x0010)
    {
        float r = 0, g = 0, b = 0;
        readFloat(r);
        readFloat(g);
        readFloat(b);
        return uint32_t(byteOf(r)) << 16 | uint32_t(byteOf(g)) << 8 | uint32_t(byteOf(b));
    }
    if (id == 0x0011)
    {
        uint8_t r = 0, g = 0, b = 0;
        readU8(r);
        readU8(g);
        readU8(b);
        return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    }
    return 0;
}

int32_t Reader3DS::readPercentage()
{
    uint16_t id;
    uint32_t length;
    if (!readU16(id) || !readU32(length))
        return 0;
    if (id == 0x0030)
    {
        uint16_t p = 0;
        readU16(p);
        return int32_t(int16_t(p)) * 255 / 100;
    }
    if (id == 0x0031)
    {
        float f = 0;
        readFloat(f);
        return saturatingInt(double(f) * 255.0);
    }
    return 0;
}

float Reader3DS::readFraction()
{
    uint16_t id;
    uint32_t length;
    if (!readU16(id) || !readU32(length))
        return 0.0f;
    float f = 0.0f;
    uint16_t p = 0;
    if (id == 0x0030 && readU16(p))
        f = float(p) * 0.01f;
    else if (id == 0x0031)
        readFloat(f);
    return f == f ? f : 0.0f; // NaN reads as nothing
}

int32_t Reader3DS::readAmount()
{
    return profile.fractionAmounts ? saturatingInt(double(readFraction()) * 255.0) : readPercentage();
}

void Reader3DS::bindMaterials()
{
    for (const auto& [m, name] : meshMaterials)
        m->material = model->findMaterial(name.c_str());
    meshMaterials.clear();
}

Material& Reader3DS::material()
{
    return current ? *current : *sink;
}

void Reader3DS::startMaterial()
{
    if (!currentAdded)
        delete current;
    current = new TexturedMaterial();
    currentAdded = false;
}

bool Reader3DS::read(Group3D& target)
{
    model = &target;
    uint16_t id;
    uint32_t length;
    if (!readU16(id) || !readU32(length) || id != kMain)
        return false;
    while (pos < size)
    {
        if (!readU16(id) || !readU32(length) || id == 0)
            break;
        if (!handle(id, length))
            break;
    }
    if (profile.bindMaterialsAtEnd)
        bindMaterials();
    return true;
}

bool Reader3DS::handle(uint16_t id, uint32_t length)
{
    switch (id)
    {
    case 0x3D3D:
    case 0xB000:
    case 0xB002:
    case 0xA040:
        return true;
    case 0x4000:
        objectName = readName();
        return true;
    case 0xB008:
        return skip(8);
    case 0xB010:
        objectName = readName();
        return skip(6);
    case 0xB013:
        return skip(12);
    case 0x4160:
        if (!profile.keepLocalAxes)
            return skip(48);
        return readLocalAxes();
    default:
        break;
    }
    if (handleGeometry(id) || handleMaterial(id))
        return true;
    // Unknown chunks (and a main chunk met again) are skipped whole; a
    // length shorter than the header cannot be skipped and ends the walk.
    if (length < 6)
        return false;
    return skip(length - 6);
}

// Twelve floats, axis by axis: X into elements 0, 4, 8, Y into 1, 5, 9, Z
// into 2, 6, 10 and the origin into 3, 7, 11.
bool Reader3DS::readLocalAxes()
{
    Matrix4 m;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 3; ++row)
            if (!readFloat(m.m[4 * row + column]))
                return false;
    m.m[15] = 1.0f;
    axes = m;
    return true;
}

bool Reader3DS::handleGeometry(uint16_t id)
{
    switch (id)
    {
    case 0x4100:
        mesh = new Mesh();
        model->addObject(objectName.c_str(), mesh);
        return true;
    case 0x4110:
        readVertices();
        return true;
    case 0x4120:
        readFaces();
        return true;
    case 0x4130:
        readFaceMaterial();
        return true;
    case 0x4140:
        readTextureCoordinates();
        return true;
    default:
        return false;
    }
}

bool Reader3DS::readVertices()
{
    uint16_t count;
    if (!readU16(count))
        return false;
    for (int i = 0; i < count; ++i)
    {
        float x, y, z;
        if (!readFloat(x) || !readFloat(y) || !readFloat(z))
            return false;
        if (mesh)
            mesh->addVertex(-x, z, -y, 0, 0);
    }
    return true;
}

bool Reader3DS::readFaces()
{
    uint16_t count;
    if (!readU16(count))
        return false;
    for (int i = 0; i < count; ++i)
    {
        uint16_t a, b, c, flags;
        if (!readU16(a) || !readU16(b) || !readU16(c) || !readU16(flags))
            return false;
        const int n = mesh ? mesh->vertexCount() : 0;
        if (a < n && b < n && c < n)
            mesh->addFace(a, b, c);
    }
    return true;
}

bool Reader3DS::readFaceMaterial()
{
    const std::u16string name = readName();
    uint16_t count;
    if (!readU16(count))
        return false;
    if (mesh && profile.bindMaterialsAtEnd)
        meshMaterials.emplace_back(mesh, name.substr(0, Material::kNameLength - 1));
    else if (mesh)
        mesh->material = model->findMaterial(name.c_str());
    return skip(size_t(count) * 2);
}

bool Reader3DS::readTextureCoordinates()
{
    uint16_t count;
    if (!readU16(count))
        return false;
    for (int i = 0; i < count; ++i)
    {
        float u, v;
        if (!readFloat(u) || !readFloat(v))
            return false;
        if (mesh && i < mesh->vertexCount())
        {
            mesh->vertex(i)->u = saturatingInt(65536.0 * double(u));
            mesh->vertex(i)->v = saturatingInt(65536.0 * (1.0 - double(v)));
        }
    }
    return true;
}

bool Reader3DS::handleMaterial(uint16_t id)
{
    Material& m = material();
    uint16_t value = 0;
    switch (id)
    {
    case 0xAFFF:
        startMaterial();
        return true;
    case 0xA000: {
        const std::u16string name = readName();
        if (current && !currentAdded)
        {
            model->addMaterial(name.c_str(), current);
            currentAdded = true;
        }
        else
        {
            m.setName(name.c_str());
        }
        return true;
    }
    case 0xA020:
        m.color = readColour();
        return true;
    case 0xA041:
        m.shininessStrength = readAmount();
        return true;
    case 0xA050:
        m.transparency = readAmount();
        return true;
    case 0xA080:
        m.color2 = readColour();
        return true;
    case 0xA081:
        m.twoSided = 1;
        return true;
    case 0xA085:
        m.wireframe = 1;
        return true;
    case 0xA100:
        if (readU16(value) && value == 1)
            m.flat = 1;
        return true;
    case 0xA200:
    case 0xA210:
    case 0xA220:
        readMap(id);
        return true;
    default:
        return false;
    }
}

void Reader3DS::readMap(uint16_t id)
{
    Material& m = material();
    const float fraction = profile.fractionAmounts ? readFraction() : 1.0f;
    const int32_t percent = profile.fractionAmounts ? saturatingInt(double(fraction) * 255.0) : readPercentage();
    uint16_t nameId;
    uint32_t nameLength;
    if (!readU16(nameId) || !readU32(nameLength))
        return;
    const std::u16string name = readName();
    Texture* texture = textures ? textures->load(textureFolder, name.c_str(), true, false) : nullptr;
    if (id == 0xA200)
    {
        m.texturePercent = percent;
        m.textureAmount = fraction;
        m.texture = texture;
    }
    else if (id == 0xA210)
    {
        m.maskAmount = fraction;
        m.mask = texture;
    }
    else
    {
        m.reflectionPercent = percent;
        m.reflectionAmount = fraction;
        m.reflectionMap = texture;
    }
    if (id != 0xA220 && m.texture && m.mask &&
        (m.texture->width != m.mask->width || m.texture->height != m.mask->height))
        MessageBoxW(nullptr, u"The alpha channel texture does not match original texture in deminsion.", u"Error", 64);
}
