// folder_utils.cpp -- folder helpers of the resource packs
#include "engine/base/folder_utils.h"

#include <os/file.h>
#include <os/wstring.h>

#include <string>

bool ensureFolder(const WCHAR* path)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return CreateDirectoryW(path, nullptr) != FALSE;
}

bool createFolders(const WCHAR* path, int start)
{
    std::u16string whole = path;
    while (!whole.empty() && (whole.back() == u'/' || whole.back() == u'\\'))
        whole.pop_back();
    if (whole.empty())
        return false;
    DWORD attributes = GetFileAttributesW(whole.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    for (size_t i = size_t(start > 0 ? start : 0); i < whole.size(); ++i)
    {
        if ((whole[i] == u'/' || whole[i] == u'\\') && i > 0 && !ensureFolder(whole.substr(0, i).c_str()))
            return false;
    }
    return ensureFolder(whole.c_str());
}

void deleteFolderFiles(const WCHAR* folder)
{
    std::u16string base = folder;
    if (!base.empty() && base.back() != u'/' && base.back() != u'\\')
        base.push_back(u'/');
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + u"*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0])
            DeleteFileW((base + data.cFileName).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
}
