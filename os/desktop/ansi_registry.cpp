// ansi_registry.cpp -- the ANSI registry calls
//
// Key and value names are widened as Latin-1. A REG_SZ value is stored
// wide, two bytes per character; its ANSI form has one byte per character,
// so ANSI sizes are half the stored ones.
#include "os/desktop/desktop_private.h"

#include <os/wstring.h>

#include <cstring>
#include <vector>

using os::desktop::wide;

namespace {

bool is_text(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The stored text value narrowed, every stored character (and NUL) kept.
std::string narrow_value(const std::vector<BYTE>& stored)
{
    std::string out(stored.size() / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i)
    {
        WCHAR c = WCHAR(stored[2 * i] | (stored[2 * i + 1] << 8));
        out[i] = c <= 0xFF ? char(c) : '?';
    }
    return out;
}

LONG deliver(const std::string& value, LPBYTE data, LPDWORD size)
{
    DWORD room = size ? *size : 0;
    if (size)
        *size = DWORD(value.size());
    if (!data)
        return ERROR_SUCCESS;
    if (room < value.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, value.data(), value.size());
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access, PHKEY result)
{
    return RegOpenKeyExW(key, wide(sub_key).ptr(), options, access, result);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    auto cls = wide(key_class);
    return RegCreateKeyExW(key, wide(sub_key).ptr(), reserved, cls.null ? nullptr : cls.text.data(), options,
                           access, security, result, disposition);
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    auto wname = wide(name);
    DWORD stored_type = 0;
    DWORD stored_size = 0;
    LONG rc = RegQueryValueExW(key, wname.ptr(), nullptr, &stored_type, nullptr, &stored_size);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<BYTE> stored(stored_size);
    rc = RegQueryValueExW(key, wname.ptr(), nullptr, &stored_type, stored.data(), &stored_size);
    if (rc != ERROR_SUCCESS)
        return rc;
    stored.resize(stored_size);
    if (type)
        *type = stored_type;
    if (is_text(stored_type))
        return deliver(narrow_value(stored), data, size);
    return deliver(std::string(stored.begin(), stored.end()), data, size);
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (!is_text(type) || !data)
        return RegSetValueExW(key, wide(name).ptr(), reserved, type, data, size);
    std::vector<BYTE> stored(size_t(size) * 2);
    for (DWORD i = 0; i < size; ++i)
        stored[2 * i] = data[i]; // Latin-1: the high byte is 0
    return RegSetValueExW(key, wide(name).ptr(), reserved, type, stored.data(), DWORD(stored.size()));
}
