// named_table.h -- emptying a wide-string-keyed table that owns its key
// copies and its values
#pragma once

#include "engine/base/hashtable.h"

#include <os/types.h>

#include <vector>

// Hands every value to release, empties the table, then frees the key copies.
template <typename T, typename Release>
void releaseNamedTable(Hashtable& table, Release release)
{
    std::vector<WCHAR*> names;
    for (int i = 0; i < table.size(); ++i)
    {
        names.push_back(static_cast<WCHAR*>(table.keys()[i]));
        release(static_cast<T*>(table.get(names.back())));
    }
    table.clear();
    for (WCHAR* name : names)
        delete[] name;
}
