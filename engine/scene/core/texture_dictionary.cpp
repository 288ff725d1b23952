// texture_dictionary.cpp -- the canvas's shared textures
#include "engine/scene/core/texture_dictionary.h"

#include "engine/base/wstring_utils.h"
#include "engine/scene/core/named_table.h"

#include <os/wstring.h>

#include <string>

WCHAR* joinResourcePath(const WCHAR* folder, const WCHAR* name)
{
    if (!folder)
        folder = u"";
    size_t folderLength = wcslen(folder), nameLength = wcslen(name);
    bool separator = folderLength > 0 && folder[folderLength - 1] != u'\\';
    WCHAR* path = new WCHAR[folderLength + nameLength + 2];
    wcscpy(path, folder);
    if (separator)
        wcscat(path, u"\\");
    wcscat(path, name);
    return path;
}

namespace {

// The table key: the name, followed for power-of-two loads by a mark of the
// flags, so that a picture wanted with fitted sides never comes back as the
// unfitted one another user loaded (or the other way round).
std::u16string tableKey(const WCHAR* name, bool powerOfTwo, bool roundUp)
{
    std::u16string key(name);
    if (powerOfTwo)
    {
        key += u'\x01';
        key += roundUp ? u"up" : u"near";
    }
    return key;
}

} // namespace

TextureDictionary::TextureDictionary() : table(Hashtable::kStringKeys) {}

TextureDictionary::~TextureDictionary()
{
    reset();
}

Texture* TextureDictionary::load(const WCHAR* folder, const WCHAR* name, bool powerOfTwo, bool roundUp)
{
    if (!name)
        return nullptr;
    std::u16string key = tableKey(name, powerOfTwo, roundUp);
    if (auto* found = static_cast<Texture*>(table.get(key.c_str())))
    {
        wasPresent = 1;
        return found;
    }
    WCHAR* path = joinResourcePath(folder, name);
    Texture* texture;
    if (readsFile && !readsFile(path))
    {
        Image* none = new Image(0, 0, true);
        texture = new Texture(Texture::baseName(path), &none, 1, false, false);
    }
    else
        texture = new Texture(path, powerOfTwo, roundUp);
    delete[] path;
    table.put(copyText(key.c_str()), texture);
    wasPresent = 0;
    return texture;
}

bool TextureDictionary::remove(Texture* texture)
{
    void** keys = table.keys();
    for (int i = 0; i < table.size(); ++i)
    {
        if (table.get(keys[i]) != texture)
            continue;
        auto* key = static_cast<WCHAR*>(keys[i]);
        table.remove(key);
        delete[] key;
        delete texture;
        return true;
    }
    return false;
}

void TextureDictionary::reset()
{
    releaseNamedTable<Texture>(table, [](Texture* texture) { delete texture; });
}
