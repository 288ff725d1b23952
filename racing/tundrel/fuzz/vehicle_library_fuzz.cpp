// vehicle_library_fuzz.cpp -- arbitrary bytes as the installed vehicle
// libraries: the registry values that name them and their "vlib.txt".
//
// The input is lines up to one "--" line, then the descriptor's bytes. Each
// of the first three lines is a registry value, "name=data" (text data) or
// "!T name=data" (raw data of type T); three cover a usable library, one
// found on the card and one refused, and every value more costs a reading
// of the whole registry. The descriptor is written into the two libraries of the
// tree, "\Program Files\Lib" and "\Storage Card\Program Files\Card" (the
// card's copy is found by a value naming any "...\Program Files\Card").
// The scan must keep the built-in library first, list only usable named
// entries, and answer every race choice without reaching past its lists.
#include "engine/base/fuzz/fuzz_tree.h"
#include "engine/base/resource_files.h"
#include "racing/tundrel/vehicle_libraries.h"

#include "os/testing/host.h"

#include <os/registry.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using namespace tundrel;

namespace {

const std::u16string kProgramFolder = u"\\Program Files\\Vasko-Tundrel\\bin\\";
constexpr size_t kValues = 3;

struct Value
{
    std::u16string name;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

std::u16string widened(std::string_view text)
{
    std::u16string wide;
    for (char c : text)
        wide.push_back(char16_t(uint8_t(c)));
    return wide;
}

// The tracks, the built-in library and one vehicle in each library.
void makeTree()
{
    static const bool made = [] {
        const char vehicle[] = "type=car\n";
        for (const char* file :
             {"Program Files/Vasko-Tundrel/resources/scenes/sea.properties",
              "Program Files/Vasko-Tundrel/resources/vehicle/van.properties", "Program Files/Lib/truck.properties",
              "Storage Card/Program Files/Card/bus.properties"})
            if (!writeFuzzFile(file, vehicle, sizeof vehicle - 1))
                __builtin_trap();
        return true;
    }();
    (void)made;
}

std::vector<Value> valuesOf(std::string_view lines)
{
    std::vector<Value> values;
    while (!lines.empty() && values.size() < kValues)
    {
        const size_t end = std::min(lines.find('\n'), lines.size());
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(std::min(end + 1, lines.size()));
        Value value;
        if (!line.empty() && line[0] == '!')
        {
            const size_t space = line.find(' ');
            value.type = DWORD(std::strtoull(std::string(line.substr(1, space - 1)).c_str(), nullptr, 10));
            line.remove_prefix(std::min(space == std::string_view::npos ? line.size() : space + 1, line.size()));
        }
        const size_t equals = line.find('=');
        value.name = widened(line.substr(0, equals));
        const std::string_view data = equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
        if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        {
            for (char16_t c : widened(data) + u'\0')
            {
                value.data.push_back(BYTE(c));
                value.data.push_back(BYTE(c >> 8));
            }
        }
        else
            value.data.assign(data.begin(), data.end());
        values.push_back(std::move(value));
    }
    return values;
}

// The registry file of the tree, written in one go (a value set through
// the registry functions rewrites the whole file each time): the library
// key holding the values.
std::string escaped(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
    {
        if (c >= 0x20 && c < 0x7F && c != u'%' && c != u'"' && c != u'[' && c != u']')
            out.push_back(char(c));
        else
        {
            char code[8];
            std::snprintf(code, sizeof code, "%%%04X", unsigned(c));
            out += code;
        }
    }
    return out;
}

void writeRegistry(const std::vector<Value>& values)
{
    // The key alone: the registry makes the keys above it when it reads it.
    std::string text = "HHREG 1\n[" + escaped(u"HKEY_LOCAL_MACHINE\\" + std::u16string(kLibraryKey)) + "]\n";
    std::vector<std::u16string> names;
    for (const Value& v : values)
    {
        // A name set twice keeps its first place and its last data.
        if (std::find(names.begin(), names.end(), v.name) != names.end())
            continue;
        names.push_back(v.name);
        const Value* last = &v;
        for (const Value& other : values)
            if (other.name == v.name)
                last = &other;
        text += "\"" + escaped(v.name) + "\"=" + std::to_string(last->type) + "," + std::to_string(last->data.size()) +
                ":";
        for (BYTE b : last->data)
        {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", unsigned(b));
            text += hex;
        }
        text += "\n";
    }
    if (!writeFuzzFile("registry", text.data(), text.size()))
        __builtin_trap();
}

// Once: the registry functions read what writeRegistry writes.
void checkRegistryFormat()
{
    static const bool checked = [] {
        const std::u16string name = u"A \"[%]\u00e9";
        writeRegistry({Value{name, REG_BINARY, {1, 2, 3}}});
        HKEY key = nullptr;
        BYTE data[8] = {};
        DWORD type = 0, size = sizeof data;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) != ERROR_SUCCESS ||
            RegQueryValueExW(key, name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS || type != REG_BINARY ||
            size != 3 || data[2] != 3)
            __builtin_trap();
        RegCloseKey(key);
        return true;
    }();
    (void)checked;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    makeTree();
    checkRegistryFormat();
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    size_t split = input.rfind("--\n", 0) == 0 ? 0 : input.find("\n--\n");
    const std::string_view lines = split == std::string_view::npos ? input : input.substr(0, split);
    const size_t after = split == std::string_view::npos ? size : split + (split == 0 ? 3 : 4);
    const std::string_view descriptor = input.substr(std::min(after, size));
    writeFuzzFile("Program Files/Lib/vlib.txt", descriptor.data(), descriptor.size());
    writeFuzzFile("Storage Card/Program Files/Card/vlib.txt", descriptor.data(), descriptor.size());

    const std::vector<Value> values = valuesOf(lines);
    writeRegistry(values);

    const LibraryScan scan = scanVehicleLibraries(kProgramFolder, nullptr, size % 2 == 0,
                                                  [] { return std::vector<std::u16string>{u"Storage Card"}; });
    closeResourcePacks();

    // The built-in library first, then at most one entry per value, each
    // with a name of its own and a folder.
    if (scan.libraryEntries.empty() || libraryName(scan.libraryEntries[0]) != kBuiltInLibraryName ||
        scan.libraryEntries.size() > values.size() + 1 || scan.vehicleNames.size() != scan.libraryEntries.size() ||
        scan.trackNames.size() != 1)
        __builtin_trap();
    for (const std::u16string& entry : scan.libraryEntries)
    {
        const std::u16string name = libraryName(entry);
        if (name.empty() || name.size() >= kLibraryNameChars || libraryFolder(entry).empty() ||
            name + u"," + libraryFolder(entry) != entry)
            __builtin_trap();
    }
    for (int mode = -1; mode <= int(scan.libraryEntries.size()); ++mode)
        for (int paint : {-1, 0, 1})
        {
            racing::RaceChoice choice;
            choice.mode = mode;
            choice.paintIndex = paint;
            choice.trackIndex = 0;
            raceChoiceInScan(choice, scan);
        }
    // What the registry functions would have written reads back whole: the
    // registry was not set aside as damaged.
    if (std::filesystem::exists(fuzzHostPath("registry.damaged")))
        __builtin_trap();
    // The warnings' record goes with the input that made it.
    os::host::headless::clear_boxes();
    return 0;
}
