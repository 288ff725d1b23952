// property_map.cpp -- parsing of item lists
#include "engine/base/property_map.h"

#include "engine/base/wstring_utils.h"

#include <os/wstring.h>

PropertyMap::PropertyMap(const WCHAR* text, WCHAR itemSeparator, WCHAR fieldSeparator) : Hashtable(kStringKeys)
{
    const WCHAR separators[] = {itemSeparator, 0};
    WCHAR** items = nullptr;
    int n = splitTokens(text ? text : u"", separators, &items, fieldSeparator);
    for (int i = 0; i < n; ++i)
    {
        WCHAR* key = nullptr;
        WCHAR* value = nullptr;
        splitKeyValue(items[i], fieldSeparator, &key, &value);
        if (!key)
            continue;
        WCHAR* old = static_cast<WCHAR*>(put(key, value));
        if (old)
        {
            delete[] old; // a repeated key: the later value wins, the first key stays
            delete[] key;
        }
    }
    freeTokens(items, n);
}

// Values first: looking one up compares keys, which must all still be there.
PropertyMap::~PropertyMap()
{
    void** all = keys();
    for (int i = 0; i < size(); ++i)
        delete[] static_cast<WCHAR*>(Hashtable::get(all[i]));
    for (int i = 0; i < size(); ++i)
        delete[] static_cast<WCHAR*>(all[i]);
}

const WCHAR* PropertyMap::present(const WCHAR* key) const
{
    const WCHAR* value = get(key);
    return value && *value ? value : nullptr;
}

bool PropertyMap::getBool(const WCHAR* key, bool defaultValue) const
{
    const WCHAR* value = present(key);
    return value ? _wtol(value) != 0 : defaultValue;
}

int PropertyMap::getInt(const WCHAR* key, int defaultValue) const
{
    const WCHAR* value = present(key);
    return value ? int(_wtol(value)) : defaultValue;
}

float PropertyMap::getFloat(const WCHAR* key, float defaultValue) const
{
    const WCHAR* value = present(key);
    return value ? float(wcstod(value, nullptr)) : defaultValue;
}

int PropertyMap::getColor(const WCHAR* key, int defaultValue) const
{
    const WCHAR* value = present(key);
    if (!value)
        return defaultValue;
    WCHAR* copy = copyText(value);
    int colour = parseColor(copy);
    delete[] copy;
    return colour;
}
