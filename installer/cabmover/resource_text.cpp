// resource_text.cpp -- reading the program's resources: strings, texts and
// payload bytes
#include "installer/cabmover/cabmover.h"

#include <cstring>

namespace cabmover {

HINSTANCE Module()
{
    return GetModuleHandleA(nullptr);
}

void LoadText(char* buffer, UINT id)
{
    buffer[0] = 0;
    LoadStringA(Module(), id, buffer, kTextSize);
}

bool LoadResourceText(int type, int id, char* buffer, int length)
{
    if (length <= 0)
        return false;
    buffer[0] = 0;
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (!found)
        return false;
    const char* text = (const char*)LockResource(LoadResource(Module(), found));
    size_t size = SizeofResource(Module(), found);
    const void* end = text ? std::memchr(text, 0, std::min(size, size_t(length))) : nullptr;
    if (!end)
        return false; // unterminated within the limit: a cut name would name another file
    std::memcpy(buffer, text, size_t((const char*)end - text) + 1);
    return true;
}

const void* FindPayload(int id, DWORD* size)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(kPayloadType));
    if (!found)
        return nullptr;
    *size = SizeofResource(Module(), found);
    return LockResource(LoadResource(Module(), found));
}

} // namespace cabmover
