// file_names.cpp -- the listings the racing games' menus are built from
#include "racing/framework/file_names.h"

#include <os/windows.h>

#include <algorithm>

namespace racing {

std::vector<std::u16string> listNames(const std::u16string& folder, const std::u16string& pattern)
{
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::u16string name(data.cFileName);
        names.push_back(name.substr(0, name.find(u'.')));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace racing
