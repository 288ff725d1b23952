// module.cpp -- the stand-in libraries behind LoadLibraryW and GetProcAddress
//
// Each library is a record that lives for the whole process; its handle is
// the record's address, checked against the table before any use. The
// program's own instance handle is a fixed value apart from them.
#include "os/kernel/module_private.h"

#include <os/module.h>
#include <os/process.h>
#include <os/wstring.h>

#include <map>
#include <memory>
#include <mutex>

namespace os::module {

namespace {

struct Library
{
    std::vector<Export> exports;
    bool absent = false;
    int references = 0;
    int loads = 0;
};

struct Table
{
    std::mutex lock;
    std::map<std::u16string, std::unique_ptr<Library>> libraries;
};

Table& table()
{
    static auto* t = new Table; // never destroyed: handles stay checkable at exit
    return *t;
}

// "\Windows\GX.DLL" and "gx" both name "gx".
std::u16string key(std::u16string name)
{
    size_t slash = name.find_last_of(u"\\/");
    if (slash != std::u16string::npos)
        name.erase(0, slash + 1);
    for (auto& c : name)
        c = wtolower16(c);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, u".dll") == 0)
        name.resize(name.size() - 4);
    return name;
}

// The library behind a loaded handle (under the table lock), else nullptr.
Library* loaded(HMODULE module)
{
    for (auto& [name, library] : table().libraries)
        if (reinterpret_cast<HMODULE>(library.get()) == module && library->references > 0)
            return library.get();
    return nullptr;
}

Library* find(const std::u16string& name)
{
    auto it = table().libraries.find(key(name));
    return it == table().libraries.end() ? nullptr : it->second.get();
}

bool is_ordinal(const void* name)
{
    return reinterpret_cast<uintptr_t>(name) < 0x10000;
}

FARPROC lookup(HMODULE module, const std::string* name, WORD ordinal)
{
    std::lock_guard<std::mutex> guard(table().lock);
    Library* library = loaded(module);
    if (!library)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    for (const Export& e : library->exports)
    {
        bool match = name ? (e.name && *name == e.name) : (e.ordinal != 0 && e.ordinal == ordinal);
        if (match && e.proc)
            return e.proc;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

} // namespace

void register_library(const std::u16string& name, std::vector<Export> exports)
{
    std::lock_guard<std::mutex> guard(table().lock);
    auto& slot = table().libraries[key(name)];
    if (!slot)
        slot = std::make_unique<Library>();
    slot->exports = std::move(exports);
}

void set_library_absent(const std::u16string& name, bool absent)
{
    std::lock_guard<std::mutex> guard(table().lock);
    auto& slot = table().libraries[key(name)];
    if (!slot)
        slot = std::make_unique<Library>();
    slot->absent = absent;
}

int reference_count(const std::u16string& name)
{
    std::lock_guard<std::mutex> guard(table().lock);
    Library* library = find(name);
    return library ? library->references : 0;
}

int load_total(const std::u16string& name)
{
    std::lock_guard<std::mutex> guard(table().lock);
    Library* library = find(name);
    return library ? library->loads : 0;
}

HINSTANCE program_instance()
{
    return reinterpret_cast<HINSTANCE>(uintptr_t(0x10000)); // where the device loads a program
}

} // namespace os::module

using namespace os::module;

HMODULE LoadLibraryW(LPCWSTR name)
{
    if (!name || !*name)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(table().lock);
    Library* library = find(name);
    if (!library || library->absent || library->exports.empty())
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++library->references;
    ++library->loads;
    return reinterpret_cast<HMODULE>(library);
}

BOOL FreeLibrary(HMODULE module)
{
    std::lock_guard<std::mutex> guard(table().lock);
    Library* library = loaded(module);
    if (!library)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --library->references;
    return TRUE;
}

FARPROC GetProcAddressA(HMODULE module, LPCSTR name)
{
    if (is_ordinal(name))
        return lookup(module, nullptr, WORD(reinterpret_cast<uintptr_t>(name)));
    std::string text(name);
    return lookup(module, &text, 0);
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR name)
{
    if (is_ordinal(name))
        return lookup(module, nullptr, WORD(reinterpret_cast<uintptr_t>(name)));
    std::string text = os::to_latin1(name);
    return lookup(module, &text, 0);
}

HMODULE GetModuleHandleW(LPCWSTR name)
{
    if (!name)
        return program_instance();
    std::lock_guard<std::mutex> guard(table().lock);
    Library* library = find(name);
    if (!library || library->references == 0)
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(library);
}
