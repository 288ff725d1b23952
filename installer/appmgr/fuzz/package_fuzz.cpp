// package_fuzz.cpp -- the stand-in manager reads whatever file it is handed:
// the bytes are tried as an application-manager file and as a cabinet
#include "installer/appmgr/package_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    appmgr::IniFile ini;
    appmgr::parse_ini(std::string((const char*)data, size), ini, error);
    std::vector<std::string> names;
    appmgr::list_cabinet(std::vector<uint8_t>(data, data + size), names, error);
    appmgr::quoted_argument(std::string((const char*)data, size));
    return 0;
}
