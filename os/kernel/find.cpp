// find.cpp -- FindFirstFileW, FindNextFileW, FindClose
//
// The folder is read once, at FindFirstFileW: the matching entries are kept
// in the find object, sorted by name, and handed out one per call.
#include "os/kernel/file_private.h"

#include "os/kernel/handle.h"
#include "os/kernel/path.h"

#include <os/wstring.h>

#include <algorithm>
#include <dirent.h>
#include <vector>

namespace os::file {

namespace {

struct Entry
{
    std::u16string name;
    WIN32_FIND_DATAW data;
};

class FindObject : public KernelObject
{
public:
    ObjectType type() const override { return ObjectType::Find; }

    std::vector<Entry> entries;
    size_t next = 0;
};

// '*' any run, '?' any one character; case-insensitive.
bool glob(const char16_t* pattern, const char16_t* name)
{
    for (; *pattern; pattern++, name++)
    {
        if (*pattern == u'*')
        {
            for (const char16_t* rest = name;; rest++)
            {
                if (glob(pattern + 1, rest))
                    return true;
                if (!*rest)
                    return false;
            }
        }
        if (!*name || (*pattern != u'?' && wtolower16(*pattern) != wtolower16(*name)))
            return false;
    }
    return *name == 0;
}

// The device's rules on top of glob: "x.*" also matches "x" (so "*.*"
// matches every name), and "x." matches "x" when it has no dot.
bool matches(const std::u16string& pattern, const std::u16string& name)
{
    if (glob(pattern.c_str(), name.c_str()))
        return true;
    size_t n = pattern.size();
    if (n >= 2 && pattern.compare(n - 2, 2, u".*") == 0)
        return glob(pattern.substr(0, n - 2).c_str(), name.c_str());
    if (n >= 1 && pattern[n - 1] == u'.' && name.find(u'.') == std::u16string::npos)
        return glob(pattern.substr(0, n - 1).c_str(), name.c_str());
    return false;
}

WIN32_FIND_DATAW find_data(const std::u16string& name, const struct stat& st)
{
    WIN32_FIND_DATAW data = {};
    data.dwFileAttributes = attributes_of(st);
    data.ftCreationTime = filetime_of(st.st_mtim);
    data.ftLastAccessTime = filetime_of(st.st_atim);
    data.ftLastWriteTime = filetime_of(st.st_mtim);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
    data.nFileSizeHigh = DWORD(size >> 32);
    data.nFileSizeLow = DWORD(size);
    size_t length = std::min(name.size(), size_t(MAX_PATH - 1));
    std::copy_n(name.data(), length, data.cFileName);
    return data;
}

// Split a device pattern into its folder and its last component.
void split_pattern(const std::u16string& pattern, std::u16string* folder, std::u16string* last)
{
    size_t cut = pattern.find_last_of(u"\\/");
    *folder = cut == std::u16string::npos ? u"" : pattern.substr(0, cut + 1);
    *last = cut == std::u16string::npos ? pattern : pattern.substr(cut + 1);
}

// Read the matching entries of a host folder; false when it cannot be read.
bool list_folder(const std::string& folder, const std::u16string& pattern, std::vector<Entry>* out)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    while (dirent* item = readdir(dir))
    {
        std::string host_name = item->d_name;
        std::u16string name = path::utf16(host_name);
        struct stat st;
        if (host_name == "." || host_name == ".." || !matches(pattern, name))
            continue;
        if (stat((folder + "/" + host_name).c_str(), &st) == 0)
            out->push_back({name, find_data(name, st)});
    }
    closedir(dir);
    std::sort(out->begin(), out->end(), [](const Entry& a, const Entry& b) {
        int order = _wcsicmp(a.name.c_str(), b.name.c_str());
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return true;
}

} // namespace

} // namespace os::file

using namespace os::file;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data)
{
    if (!pattern || !data)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string folder;
    std::u16string last;
    split_pattern(pattern, &folder, &last);
    auto find = std::make_shared<FindObject>();
    std::string host_folder = os::path::to_host(folder);
    if (!list_folder(host_folder, last, &find->entries))
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // The device's storage cards are the folders "Storage Card" (and
    // "Storage Card2", ...) of its root, marked temporary as the device
    // marks them.
    if (folder == u"\\" || folder == u"/")
        for (Entry& entry : find->entries)
            if ((entry.data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.name.size() >= 12 &&
                _wcsnicmp(entry.name.c_str(), u"Storage Card", 12) == 0)
                entry.data.dwFileAttributes |= FILE_ATTRIBUTE_TEMPORARY;
    if (find->entries.empty())
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = os::handle_insert(find);
    if (!handle)
        return INVALID_HANDLE_VALUE;
    *data = find->entries[find->next++].data;
    return handle;
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data)
{
    auto find = os::handle_get_as<FindObject>(handle, os::ObjectType::Find);
    if (!find)
        return FALSE;
    if (!data)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (find->next >= find->entries.size())
    {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = find->entries[find->next++].data;
    return TRUE;
}

BOOL FindClose(HANDLE handle)
{
    if (!os::handle_get_as<FindObject>(handle, os::ObjectType::Find))
        return FALSE;
    return os::handle_close(handle);
}
