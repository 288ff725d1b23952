// resource_files.cpp -- the pack list, the temporary folder and the copies
//
// An extracted copy is shared by every handle opened on the same member: a
// second open reuses the copy instead of writing over it, and the copy is
// deleted at the last close. A copy never takes the name of a file it did
// not write: another name is chosen (name~1, name~2, ...).
#include "engine/base/resource_files.h"

#include "engine/base/folder_utils.h"
#include "engine/base/hashtable.h"
#include "engine/base/resource_pack.h"
#include "engine/base/wstring_utils.h"

#include <os/file.h>
#include <os/wstring.h>

#include <string>

namespace {

struct ExtractedCopy
{
    std::u16string path;
    ResourcePack* pack;
    std::u16string member;
    int handles = 0;
};

struct ResourceState
{
    PtrVector packs{0};
    WCHAR* tempFolder = nullptr;
    Hashtable openCopies{Hashtable::kPointerKeys}; // FILE* -> ExtractedCopy*
    Hashtable copies{Hashtable::kStringKeys};      // copy path -> ExtractedCopy* (the key is its path)
};

ResourceState& state()
{
    static ResourceState s;
    return s;
}

bool isWriteMode(const WCHAR* mode)
{
    return wcschr(mode, u'w') || wcschr(mode, u'W') || wcschr(mode, u'a') || wcschr(mode, u'+');
}

ExtractedCopy* findCopy(const std::u16string& path)
{
    return static_cast<ExtractedCopy*>(state().copies.get(path.c_str()));
}

void forgetCopy(ExtractedCopy* copy)
{
    state().copies.remove(copy->path.c_str());
    delete copy;
}

// The path for the copy of pack's member: its flattened name in the folder,
// or a numbered variant when that name is taken by anything else.
std::u16string copyPathFor(ResourcePack* pack, const std::u16string& member, const std::u16string& folder)
{
    std::u16string flat = member;
    replaceChar(flat.data(), u'/', u'_');
    std::u16string path = folder + flat;
    for (int n = 1;; ++n)
    {
        ExtractedCopy* copy = findCopy(path);
        bool ours = copy && copy->pack == pack && _wcsicmp(copy->member.c_str(), member.c_str()) == 0;
        if (ours || (!copy && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES))
            return path;
        path = folder + flat + u"~" + os::format(u"%d", n);
    }
}

// Opens the member through its (possibly shared) copy.
FILE* openMember(ResourcePack* pack, const std::u16string& member, const WCHAR* mode)
{
    ResourceState& s = state();
    std::u16string folder = s.tempFolder ? s.tempFolder : pack->getMountFolder();
    std::u16string path = copyPathFor(pack, member, folder);
    ExtractedCopy* copy = findCopy(path);
    if (!copy)
    {
        if (pack->locate(member.c_str()) != UNZ_OK || pack->extractCurrentTo(path.c_str()) != UNZ_OK)
            return nullptr;
    }
    FILE* file = _wfopen(path.c_str(), mode);
    if (!file)
    {
        if (!copy)
            DeleteFileW(path.c_str());
        return nullptr;
    }
    if (isWriteMode(mode))
        return file; // a written copy is the caller's
    if (!copy)
    {
        copy = new ExtractedCopy{path, pack, member};
        s.copies.put(copy->path.data(), copy); // keyed by the record's own path
    }
    ++copy->handles;
    s.openCopies.put(file, copy);
    return file;
}

} // namespace

void addResourcePack(const WCHAR* name, const WCHAR* folder)
{
    ResourcePack* pack = new ResourcePack(name, folder);
    if (!pack->isOpen())
    {
        delete pack;
        return;
    }
    state().packs.add(pack);
}

int getResourcePackCount()
{
    return state().packs.size();
}

void setTempFolder(const WCHAR* path)
{
    ResourceState& s = state();
    std::u16string folder = path;
    replaceChar(folder.data(), u'\\', u'/');
    if (folder.empty() || folder.back() != u'/')
        folder.push_back(u'/');
    delete[] s.tempFolder;
    s.tempFolder = copyText(folder.c_str());
    deleteFolderFiles(s.tempFolder);
}

const WCHAR* getTempFolder()
{
    return state().tempFolder;
}

void closeResourcePacks()
{
    ResourceState& s = state();
    for (int i = s.packs.size() - 1; i >= 0; --i)
        delete static_cast<ResourcePack*>(s.packs.get(i));
    s.packs.clear();
    while (s.copies.size() > 0)
        forgetCopy(static_cast<ExtractedCopy*>(s.copies.get(s.copies.keys()[0])));
    s.openCopies.clear();
    if (s.tempFolder)
    {
        deleteFolderFiles(s.tempFolder);
        std::u16string folder = s.tempFolder;
        folder.pop_back();
        RemoveDirectoryW(folder.c_str());
        delete[] s.tempFolder;
        s.tempFolder = nullptr;
    }
}

FILE* openResourceFile(const WCHAR* path, const WCHAR* mode)
{
    if (!path || !mode)
        return nullptr;
    std::u16string work = path;
    collapseRuns(work.data(), u'\\');
    work.resize(wcslen(work.c_str()));
    // A real file always wins, also one beside a pack without a temporary
    // folder: members are unpacked under a temporary name and renamed when
    // whole, so a file there is either a whole copy or one the user put
    // there on purpose.
    if (FILE* file = _wfopen(path, mode))
        return file;
    // A file written into a pack's temporary copy would be lost: writing
    // goes to real files only.
    if (isWriteMode(mode))
        return nullptr;
    return openFromPacks(work.c_str(), mode);
}

FILE* openFromPacks(const WCHAR* path, const WCHAR* mode)
{
    std::u16string work = path;
    collapseParentDirs(work.data());
    work.resize(wcslen(work.c_str()));
    replaceChar(work.data(), u'\\', u'/');
    ResourceState& s = state();
    for (int i = s.packs.size() - 1; i >= 0; --i)
    {
        ResourcePack* pack = static_cast<ResourcePack*>(s.packs.get(i));
        std::u16string mount = pack->getMountFolder();
        if (work.compare(0, mount.size(), mount) != 0)
            continue;
        if (FILE* file = openMember(pack, work.substr(mount.size()), mode))
            return file;
    }
    return nullptr;
}

int closeResourceFile(FILE* file)
{
    if (!file)
        return EOF;
    // The handle is looked up before it is closed: once closed, its address
    // may belong to the next file opened.
    ResourceState& s = state();
    ExtractedCopy* copy = static_cast<ExtractedCopy*>(s.openCopies.remove(file));
    int result = std::fclose(file);
    if (copy && --copy->handles == 0)
    {
        DeleteFileW(copy->path.c_str());
        forgetCopy(copy);
    }
    return result;
}
