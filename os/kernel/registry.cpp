// registry.cpp -- the registry functions over one file shared by the device tree
//
// The registry lives in "<device root>/registry". Every call reads the file
// afresh under a shared lock (flock on "<device root>/registry.lock"); every
// change takes the lock exclusively, reads the file, applies the change and
// writes the whole file to a temporary name renamed over the old one. So two
// processes never lose each other's changes, and a crash never leaves half a
// file. Opened keys are kernel handles naming a key path; a call through a
// handle whose key has gone answers ERROR_KEY_DELETED.
//
// The file is text, one record per line, LF ends (CR before LF is ignored):
//     HHREG 1                                  first line, always
//     [HKEY_LOCAL_MACHINE\Software\Game]        a key: its full path
//     "Name"=1,8:4e0061006d006500               a value of the key above:
//                                              type, byte count, hex bytes
// In key paths and value names, '%', '"', '[', ']' and every character
// outside printable ASCII are written as %XXXX (four hex digits of the
// UTF-16 unit). The default value has the empty name "". Keys are written in
// order of their folded path, values in creation order.
// Reading is forgiving: a line that cannot be read is skipped, the rest
// loads. A damaged line may have been a key line, so the values after it, up
// to the next key line that reads, are skipped with it (they are never put
// under the key before); only a line that still begins as a value line keeps
// its key's later values. A damaged header is skipped the same way; a file
// without the header and without a key that reads is taken as empty. In
// both cases the first call to meet the file moves it aside as
// "registry.damaged" (never over an earlier one) and leaves the user a
// notice in device paths, which the window manager shows in a box once the
// program has a window; what could be read becomes the registry, so nothing
// is lost unseen and the damage is reported once.
#include <os/registry.h>

#include "os/kernel/handle.h"
#include "os/kernel/registry_store.h"

#include <os/wstring.h>

#include <algorithm>
#include <cstring>

using os::registry::Key;
using os::registry::Store;
using os::registry::Value;
using os::registry::fold;

namespace {

constexpr size_t kMaxNameLength = 255;

class KeyObject : public os::KernelObject
{
public:
    explicit KeyObject(std::u16string path) : path(std::move(path)) {}
    os::ObjectType type() const override { return os::ObjectType::RegistryKey; }

    const std::u16string path;
};

// The full path of an open key; ERROR_INVALID_HANDLE when it is none.
LONG path_of(HKEY key, std::u16string* path)
{
    static const std::pair<HKEY, const char16_t*> kHives[] = {
        {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT"},
        {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, u"HKEY_USERS"},
    };
    for (const auto& [hive, name] : kHives)
    {
        if (key == hive)
        {
            *path = name;
            return ERROR_SUCCESS;
        }
    }
    DWORD saved = GetLastError(); // registry calls leave the last error alone
    auto object = os::handle_get_as<KeyObject>(key, os::ObjectType::RegistryKey);
    SetLastError(saved);
    if (!object)
        return ERROR_INVALID_HANDLE;
    *path = object->path;
    return ERROR_SUCCESS;
}

bool is_hive(const std::u16string& path)
{
    return path.find(u'\\') == std::u16string::npos;
}

// Join a key path and a relative subkey path; doubled separators collapse.
LONG join(const std::u16string& base, LPCWSTR sub_key, std::u16string* out)
{
    *out = base;
    std::u16string part;
    for (const WCHAR* p = sub_key ? sub_key : u"";; p++)
    {
        if (*p && *p != u'\\')
        {
            part += *p;
            continue;
        }
        if (part.size() > kMaxNameLength)
            return ERROR_INVALID_PARAMETER;
        if (!part.empty())
            *out += u"\\" + part;
        part.clear();
        if (!*p)
            return ERROR_SUCCESS;
    }
}

const Key* find_key(const Store& store, const std::u16string& path)
{
    auto it = store.keys.find(fold(path));
    return it == store.keys.end() ? nullptr : &it->second;
}

Key* find_key(Store& store, const std::u16string& path)
{
    auto it = store.keys.find(fold(path));
    return it == store.keys.end() ? nullptr : &it->second;
}

bool key_exists(const Store& store, const std::u16string& path)
{
    return is_hive(path) || find_key(store, path);
}

const Value* find_value(const Key* key, LPCWSTR name)
{
    std::u16string folded = fold(name ? name : u"");
    if (!key)
        return nullptr;
    for (const Value& value : key->values)
    {
        if (fold(value.name) == folded)
            return &value;
    }
    return nullptr;
}

std::vector<std::u16string> subkeys(const Store& store, const std::u16string& path)
{
    std::u16string prefix = fold(path) + u"\\";
    std::vector<std::u16string> names;
    for (auto it = store.keys.lower_bound(prefix); it != store.keys.end(); ++it)
    {
        if (it->first.compare(0, prefix.size(), prefix) != 0)
            break;
        std::u16string rest = it->second.path.substr(prefix.size());
        if (rest.find(u'\\') == std::u16string::npos)
            names.push_back(rest);
    }
    return names;
}

// Run a read-only look at the key behind `key`.
template <class F>
LONG with_key(HKEY key, F look)
{
    std::u16string path;
    LONG result = path_of(key, &path);
    if (result != ERROR_SUCCESS)
        return result;
    bool reached = os::registry::read([&](const Store& store) {
        if (!key_exists(store, path))
            result = ERROR_KEY_DELETED;
        else
            result = look(store, path);
    });
    return reached ? result : ERROR_CANTREAD;
}

// Apply a change to the key behind `key`.
template <class F>
LONG change_key(HKEY key, F apply)
{
    std::u16string path;
    LONG result = path_of(key, &path);
    if (result != ERROR_SUCCESS)
        return result;
    return os::registry::change([&](Store& store) -> LONG {
        if (!key_exists(store, path))
            return ERROR_KEY_DELETED;
        return apply(store, path);
    });
}

LONG open_handle(const std::u16string& path, PHKEY result)
{
    DWORD saved = GetLastError();
    HANDLE handle = os::handle_insert(std::make_shared<KeyObject>(path));
    SetLastError(saved);
    if (!handle)
        return ERROR_NOT_ENOUGH_MEMORY;
    *result = static_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

// Copy a value's type and bytes out. Without a size the bytes cannot be
// asked for (a buffer then is ERROR_INVALID_PARAMETER); the size always
// comes back as the bytes the value holds, and a buffer too small for them
// gets nothing and ERROR_MORE_DATA, so the caller can grow it and ask again.
LONG copy_data(const Value& value, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (type)
        *type = value.type;
    if (!size)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD needed = DWORD(value.data.size());
    if (data && *size < needed)
    {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, value.data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

// Copy a name into a caller's buffer with its terminator.
LONG copy_name(const std::u16string& name, LPWSTR out, LPDWORD length)
{
    if (!out || !length)
        return ERROR_INVALID_PARAMETER;
    if (*length <= name.size())
        return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), out);
    out[name.size()] = 0;
    *length = DWORD(name.size());
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD, REGSAM, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::u16string path;
    LONG error = with_key(key, [&](const Store& store, const std::u16string& base) -> LONG {
        LONG joined = join(base, sub_key, &path);
        if (joined != ERROR_SUCCESS)
            return joined;
        return key_exists(store, path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    return error != ERROR_SUCCESS ? error : open_handle(path, result);
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::u16string path;
    bool existed = false;
    LONG error = change_key(key, [&](Store& store, const std::u16string& base) -> LONG {
        LONG joined = join(base, sub_key, &path);
        if (joined != ERROR_SUCCESS)
            return joined;
        existed = key_exists(store, path);
        os::registry::ensure_key(store, path);
        return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS)
        return error;
    if (disposition)
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return open_handle(path, result);
}

LONG RegCloseKey(HKEY key)
{
    std::u16string path;
    LONG error = path_of(key, &path);
    if (error != ERROR_SUCCESS || is_hive(path))
        return error;
    DWORD saved = GetLastError();
    os::handle_close(key);
    SetLastError(saved);
    return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key)
{
    // Every change is on the disk when its call returns.
    return with_key(key, [](const Store&, const std::u16string&) -> LONG { return ERROR_SUCCESS; });
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    return with_key(key, [&](const Store& store, const std::u16string& path) -> LONG {
        const Value* value = find_value(find_key(store, path), name);
        return value ? copy_data(*value, type, data, size) : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    if ((!data && size) || (name && wcslen(name) > 16383))
        return ERROR_INVALID_PARAMETER;
    Value value{name ? name : u"", type, std::string(reinterpret_cast<const char*>(data), data ? size : 0)};
    return change_key(key, [&](Store& store, const std::u16string& path) -> LONG {
        os::registry::set_value(os::registry::ensure_key(store, path), value);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR name)
{
    return change_key(key, [&](Store& store, const std::u16string& path) -> LONG {
        Key* target = find_key(store, path);
        const Value* value = find_value(target, name);
        if (!value)
            return ERROR_FILE_NOT_FOUND;
        target->values.erase(target->values.begin() + (value - target->values.data()));
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR sub_key)
{
    if (!sub_key)
        return ERROR_INVALID_PARAMETER;
    return change_key(key, [&](Store& store, const std::u16string& base) -> LONG {
        std::u16string path;
        LONG joined = join(base, sub_key, &path);
        if (joined != ERROR_SUCCESS)
            return joined;
        if (is_hive(path) || !subkeys(store, path).empty())
            return ERROR_ACCESS_DENIED;
        return store.keys.erase(fold(path)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_length, LPDWORD, LPWSTR key_class,
                   LPDWORD class_length, LPFILETIME last_write)
{
    return with_key(key, [&](const Store& store, const std::u16string& path) -> LONG {
        std::vector<std::u16string> names = subkeys(store, path);
        if (index >= names.size())
            return ERROR_NO_MORE_ITEMS;
        LONG error = copy_name(names[index], name, name_length);
        if (error == ERROR_SUCCESS && key_class && class_length && *class_length)
            key_class[0] = 0;
        if (error == ERROR_SUCCESS && class_length)
            *class_length = 0;
        if (error == ERROR_SUCCESS && last_write)
            *last_write = FILETIME{0, 0};
        return error;
    });
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_length, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD size)
{
    return with_key(key, [&](const Store& store, const std::u16string& path) -> LONG {
        const Key* target = find_key(store, path);
        if (!target || index >= target->values.size())
            return ERROR_NO_MORE_ITEMS;
        const Value& value = target->values[index];
        LONG error = copy_name(value.name, name, name_length);
        return error != ERROR_SUCCESS ? error : copy_data(value, type, data, size);
    });
}
