// package_check.cpp -- checks of the application-manager file and the cabinet
#include "installer/appmgr/package_check.h"

#include "common/little_endian.h"

#include <map>
#include <sstream>

namespace appmgr {
namespace {

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

using Sections = std::map<std::string, std::map<std::string, std::string>>;

Sections read_sections(const std::string& text)
{
    Sections sections;
    std::string current;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        line = trim(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            current = line.substr(1, line.size() - 2);
        else if (size_t eq = line.find('='); eq != std::string::npos && !current.empty())
            sections[current][trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    return sections;
}

bool need(const std::map<std::string, std::string>& section, const std::string& key, std::string& out,
          std::string& error)
{
    auto it = section.find(key);
    if (it == section.end() || it->second.empty())
    {
        error = "missing " + key;
        return false;
    }
    out = it->second;
    return true;
}

uint32_t u32(const std::vector<uint8_t>& d, size_t at)
{
    return readLE32(&d[at]);
}

uint16_t u16(const std::vector<uint8_t>& d, size_t at)
{
    return readLE16(&d[at]);
}

const size_t kHeaderSize = 36;
const size_t kFileRecord = 16; // before the name
const uint16_t kLinked = 0x0003; // previous or next cabinet

} // namespace

bool parse_ini(const std::string& text, IniFile& out, std::string& error)
{
    Sections sections = read_sections(text);
    auto head = sections.find("CEAppManager");
    if (head == sections.end())
    {
        error = "no [CEAppManager] section";
        return false;
    }
    if (!need(head->second, "Version", out.version, error) || !need(head->second, "Component", out.component, error))
        return false;
    auto component = sections.find(out.component);
    if (component == sections.end())
    {
        error = "no [" + out.component + "] section";
        return false;
    }
    return need(component->second, "Description", out.description, error) &&
           need(component->second, "IconFile", out.icon_file, error) &&
           need(component->second, "CabFiles", out.cab_files, error);
}

bool list_cabinet(const std::vector<uint8_t>& data, std::vector<std::string>& names, std::string& error)
{
    names.clear();
    if (data.size() < kHeaderSize || data[0] != 'M' || data[1] != 'S' || data[2] != 'C' || data[3] != 'F')
    {
        error = "not a cabinet (no MSCF header)";
        return false;
    }
    if (u32(data, 8) != data.size())
    {
        error = "cabinet size " + std::to_string(u32(data, 8)) + " stated, " + std::to_string(data.size()) + " found";
        return false;
    }
    uint16_t flags = u16(data, 30);
    if (flags & kLinked)
    {
        error = "cabinet is part of a set";
        return false;
    }
    size_t at = u32(data, 16);
    uint16_t files = u16(data, 28);
    for (uint16_t i = 0; i < files; ++i)
    {
        size_t name = at + kFileRecord;
        size_t end = name;
        while (end < data.size() && data[end] != 0)
            ++end;
        if (name > data.size() || end >= data.size())
        {
            error = "file record " + std::to_string(i) + " runs past the end";
            return false;
        }
        names.emplace_back((const char*)data.data() + name, end - name);
        at = end + 1;
    }
    return true;
}

std::string quoted_argument(const std::string& command_line)
{
    size_t open = command_line.find('"');
    if (open == std::string::npos)
        return trim(command_line);
    size_t close = command_line.find('"', open + 1);
    return command_line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

} // namespace appmgr
