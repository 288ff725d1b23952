// resources.cpp -- the program's resources: custom types, the string table
// and dialog templates
//
// The resource compiler turns a resource script into code that fills these
// tables when the program starts. A resource handle is the address of its
// entry; the entries never move, since the tables are only added to before
// the program looks anything up (tests may remove entries between runs).
#include "os/desktop/desktop_private.h"

#include <os/wstring.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include "os/testing/desktop.h"

namespace os::desktop {
namespace {

struct Resource
{
    std::vector<uint8_t> owned;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

struct Tables
{
    std::mutex lock;
    std::map<std::pair<std::string, std::string>, std::unique_ptr<Resource>> resources;
    std::map<UINT, std::string> strings;
    std::map<std::string, DialogTemplate> dialogs;
};

Tables& tables()
{
    static Tables t;
    return t;
}

std::string number_key(int id)
{
    return "#" + std::to_string(id);
}

bool own_module(HMODULE module)
{
    return module == nullptr || module == GetModuleHandleW(nullptr);
}

void store(const std::string& type, const std::string& name, std::unique_ptr<Resource> resource)
{
    std::lock_guard<std::mutex> guard(tables().lock);
    tables().resources[{resource_key(type.c_str()), resource_key(name.c_str())}] = std::move(resource);
}

} // namespace

std::string resource_key(LPCSTR name)
{
    if (!name)
        return "";
    if (IS_INTRESOURCE(name))
        return number_key(int(LOWORD((ULONG_PTR)name)));
    std::string key = name;
    if (key.size() > 1 && key[0] == '#' && std::all_of(key.begin() + 1, key.end(), ::isdigit))
        return number_key(std::atoi(key.c_str() + 1));
    std::transform(key.begin(), key.end(), key.begin(), [](char c) { return char(std::toupper((unsigned char)c)); });
    return key;
}

void add_resource(const std::string& type, const std::string& name, std::vector<uint8_t> bytes)
{
    auto r = std::make_unique<Resource>();
    r->owned = std::move(bytes);
    r->data = r->owned.data();
    r->size = r->owned.size();
    store(type, name, std::move(r));
}

void add_resource(int type, int id, std::vector<uint8_t> bytes)
{
    add_resource(number_key(type), number_key(id), std::move(bytes));
}

void add_resource(int type, int id, const uint8_t* data, size_t size)
{
    auto r = std::make_unique<Resource>();
    r->data = data;
    r->size = size;
    store(number_key(type), number_key(id), std::move(r));
}

void add_string(UINT id, const std::string& text)
{
    std::lock_guard<std::mutex> guard(tables().lock);
    tables().strings[id] = text;
}

void add_dialog(int id, DialogTemplate dialog)
{
    std::lock_guard<std::mutex> guard(tables().lock);
    tables().dialogs[number_key(id)] = std::move(dialog);
}

bool remove_resource(int type, int id)
{
    std::lock_guard<std::mutex> guard(tables().lock);
    return tables().resources.erase({number_key(type), number_key(id)}) > 0;
}

bool remove_string(UINT id)
{
    std::lock_guard<std::mutex> guard(tables().lock);
    return tables().strings.erase(id) > 0;
}

const DialogTemplate* find_dialog(LPCSTR name)
{
    std::lock_guard<std::mutex> guard(tables().lock);
    auto it = tables().dialogs.find(resource_key(name));
    return it == tables().dialogs.end() ? nullptr : &it->second;
}

} // namespace os::desktop

using os::desktop::resource_key;

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    if (!name || !type || !os::desktop::own_module(module))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto& t = os::desktop::tables();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.resources.find({resource_key(type), resource_key(name)});
    if (it == t.resources.end())
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return (HRSRC)it->second.get();
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    if (!resource)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return (HGLOBAL)((os::desktop::Resource*)resource)->data;
}

LPVOID LockResource(HGLOBAL data)
{
    return data;
}

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    if (!resource)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return DWORD(((os::desktop::Resource*)resource)->size);
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size)
{
    if (!buffer || size <= 0 || !os::desktop::own_module(instance))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& t = os::desktop::tables();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.strings.find(id);
    if (it == t.strings.end())
    {
        buffer[0] = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    size_t n = std::min(it->second.size(), size_t(size - 1));
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = 0;
    return int(n);
}

HMODULE GetModuleHandleA(LPCSTR name)
{
    return GetModuleHandleW(os::desktop::wide(name).ptr());
}
