// ceappmgr.cpp -- a stand-in for the desktop application manager
//
// Started by the installer with the quoted path of an application-manager
// file, it records its command line in "ceappmgr.log" beside itself and
// checks the file and the cabinet it names (a real manager would copy them to
// the device). Exit code 0 when the package is well formed, 1 otherwise.
//
//   CEAPPMGR.EXE /register   records its path under the desktop's App Paths
//                            key and makes the desktop's Uninstall key
#include "installer/appmgr/package_check.h"

#include <os/windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char16_t kAppPathKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
const char16_t kUninstallKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::u16string own_path()
{
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::u16string own_folder()
{
    std::u16string path = own_path();
    return path.substr(0, path.rfind(u'\\') + 1);
}

bool set_key(const char16_t* name, const std::u16string* value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = ERROR_SUCCESS;
    if (value)
        rc = RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)value->c_str(),
                            DWORD((value->size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool read_file(const std::u16string& path, std::vector<uint8_t>& out)
{
    FILE* f = _wfopen(path.c_str(), u"rb");
    if (!f)
        return false;
    out.clear();
    uint8_t buf[65536];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        out.insert(out.end(), buf, buf + n);
    fclose(f);
    return true;
}

// Checks the package; each finding is one line of `log`.
bool check_package(const std::u16string& ini_path, std::string& log)
{
    std::vector<uint8_t> ini_bytes;
    if (!read_file(ini_path, ini_bytes))
    {
        log += "error: cannot read " + os::to_latin1(ini_path) + "\n";
        return false;
    }
    appmgr::IniFile ini;
    std::string error;
    if (!appmgr::parse_ini(std::string(ini_bytes.begin(), ini_bytes.end()), ini, error))
    {
        log += "error: " + error + "\n";
        return false;
    }
    log += "ini: component " + ini.component + ", " + ini.description + "\n";
    std::u16string folder = ini_path.substr(0, ini_path.rfind(u'\\') + 1);
    std::vector<uint8_t> cab;
    std::vector<std::string> names;
    if (!read_file(folder + os::to_u16(ini.cab_files), cab) || !appmgr::list_cabinet(cab, names, error))
    {
        log += "error: cabinet " + ini.cab_files + ": " + (error.empty() ? "cannot read" : error) + "\n";
        return false;
    }
    log += "cab: " + ini.cab_files + ":";
    for (const std::string& name : names)
        log += " " + name;
    log += "\n";
    return true;
}

void append_log(const std::string& text)
{
    std::u16string path = own_folder() + u"ceappmgr.log";
    if (FILE* f = _wfopen(path.c_str(), u"ab"))
    {
        fputs(text.c_str(), f);
        fclose(f);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR command_line, int)
{
    std::u16string line = command_line ? command_line : u"";
    if (line == u"/register")
    {
        std::u16string path = own_path();
        return set_key(kAppPathKey, &path) && set_key(kUninstallKey, nullptr) ? 0 : 1;
    }
    std::string log = "command line: " + os::to_latin1(line) + "\n";
    bool ok = check_package(os::to_u16(appmgr::quoted_argument(os::to_latin1(line))), log);
    log += ok ? "package: ok\n" : "package: refused\n";
    append_log(log);
    return ok ? 0 : 1;
}
