// property_map.h -- one value's item list: "name:value, name:value, ..."
//
// A piece without the field separator belongs to the item before it, so
// "href:a,b" keeps "a,b". The map owns copies of its keys and values.
#pragma once

#include "engine/base/hashtable.h"

class PropertyMap : public Hashtable
{
public:
    PropertyMap(const WCHAR* text, WCHAR itemSeparator, WCHAR fieldSeparator);
    ~PropertyMap();

    const WCHAR* get(const WCHAR* key) const { return static_cast<const WCHAR*>(Hashtable::get(key)); }

    // Each answers its default when the key is missing or its value empty.
    bool getBool(const WCHAR* key, bool defaultValue) const;
    int getInt(const WCHAR* key, int defaultValue) const;
    float getFloat(const WCHAR* key, float defaultValue) const;
    // "(r;g;b)" -> 0xRRGGBB.
    int getColor(const WCHAR* key, int defaultValue) const;

private:
    const WCHAR* present(const WCHAR* key) const;
};
