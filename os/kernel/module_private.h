// module_private.h -- the table of stand-in libraries behind LoadLibraryW
#pragma once

#include <os/types.h>

#include <string>
#include <vector>

namespace os::module {

// One export: a name (nullptr for none) and/or an ordinal (0 for none).
struct Export
{
    const char* name;
    WORD ordinal;
    FARPROC proc;
};

template <class F>
FARPROC proc(F* function)
{
    // Through the generic function pointer type: the signatures differ on purpose.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Adds a library, or replaces the exports of one already known (its loaded
// references stay valid). The name is matched as LoadLibraryW matches.
void register_library(const std::u16string& name, std::vector<Export> exports);

// An absent library cannot be loaded (ERROR_MOD_NOT_FOUND), so code that
// binds by name takes its fallback. References already taken stay valid.
void set_library_absent(const std::u16string& name, bool absent);

// Current reference count of a library (0 when not loaded or unknown), and
// how many times it was loaded in all.
int reference_count(const std::u16string& name);
int load_total(const std::u16string& name);

// The program's own instance handle (what WinMain receives).
HINSTANCE program_instance();

} // namespace os::module
