// registry.h -- the device registry
//
// Keys hold subkeys and named values; names are case-insensitive and keep
// the case they were created with. The registry is shared by every process
// of the device tree and survives restarts. The functions answer an error
// code (ERROR_SUCCESS on success) and leave the last error alone.
#pragma once

#include <os/types.h>

typedef DWORD REGSAM;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)(LONG)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)(LONG)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)(LONG)0x80000002)
#define HKEY_USERS ((HKEY)(ULONG_PTR)(LONG)0x80000003)

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x0000
#define REG_OPTION_VOLATILE 0x0001

#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD reserved, LPWSTR key_class, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);

// A null or empty name is the key's default value. With data null, *size
// gets the size of the value; with a short buffer the answer is
// ERROR_MORE_DATA and *size the size needed.
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueW(HKEY key, LPCWSTR name);

// Fails with ERROR_ACCESS_DENIED while the key has subkeys.
LONG RegDeleteKeyW(HKEY key, LPCWSTR sub_key);

// Subkeys are listed in name order, values in the order they were created.
// *name_length counts characters without the terminator; a buffer without
// room for the name and its terminator answers ERROR_MORE_DATA.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_length, LPDWORD reserved, LPWSTR key_class,
                   LPDWORD class_length, LPFILETIME last_write);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_length, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD size);
