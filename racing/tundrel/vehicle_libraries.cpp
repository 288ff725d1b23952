// vehicle_libraries.cpp -- the scan of the vehicle libraries
#include "racing/tundrel/vehicle_libraries.h"

#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/wstring_utils.h"
#include "racing/framework/file_names.h"
#include "racing/framework/track_keys.h"

#include <os/windows.h>

#include <algorithm>
#include <optional>

namespace tundrel {

using racing::listNames;

namespace {

constexpr const char16_t* kWarningText =
    u"An incompatible or corrupt vehicle library \"%s\" has been found, it will be ignored.\n\n"
    u"The reason of this warning:\n"
    u"This vehicle library is installed in a removable storage media and the media is currently not available.\n"
    u"Or, this vehicle library is an old version and need to be updated with a latest version.";

// Values larger than this are not read at all (an enumeration that keeps
// asking for more ends here).
constexpr DWORD kReadLimit = 1u << 16;

void warn(HWND window, const std::u16string& name)
{
    std::u16string text(kWarningText);
    text.replace(text.find(u"%s"), 2, name);
    MessageBoxW(window, text.c_str(), u"Warning", MB_OK | MB_ICONEXCLAMATION);
}

// None when the folder has no "vlib.txt"; else whether it is of the
// version this program reads.
std::optional<bool> descriptorValid(const std::u16string& folder)
{
    Properties descriptor(u'=', u',', u':');
    if (!descriptor.load(folder.c_str(), u"vlib.txt"))
        return std::nullopt;
    const WCHAR* version = descriptor.get(u"LibVer");
    return version && std::u16string(version) == u"1.2";
}

// One registry value as read: its name, its type and its data, whatever
// their size.
struct RawValue
{
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

enum class ReadResult
{
    Value,
    End,
};

// Reads value index, growing the buffers while the registry asks for more,
// so one long value never ends the enumeration.
ReadResult readValue(HKEY key, DWORD index, RawValue& out)
{
    DWORD nameCapacity = kLibraryNameChars;
    DWORD dataCapacity = kLibraryFolderBytes;
    for (;;)
    {
        std::u16string name(nameCapacity, u'\0');
        std::vector<BYTE> data(dataCapacity);
        DWORD nameLength = nameCapacity;
        DWORD size = dataCapacity;
        DWORD type = REG_NONE;
        LONG error = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (error == ERROR_SUCCESS)
        {
            name.resize(std::min<DWORD>(nameLength, nameCapacity));
            name.resize(std::char_traits<char16_t>::length(name.c_str()));
            data.resize(std::min<DWORD>(size, dataCapacity));
            out = RawValue{std::move(name), type, std::move(data)};
            return ReadResult::Value;
        }
        if (error != ERROR_MORE_DATA || (nameCapacity >= kReadLimit && dataCapacity >= kReadLimit))
            return ReadResult::End;
        nameCapacity = std::min(nameCapacity * 4, kReadLimit);
        dataCapacity = std::min(std::max(dataCapacity * 4, size), kReadLimit);
    }
}

// The folder of a value that names a usable library entry, or none. Only
// text values count; the text ends at its first terminator or at the end of
// the data, whichever comes first.
std::optional<std::u16string> folderOf(const RawValue& value)
{
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return std::nullopt;
    if (value.name.size() >= kLibraryNameChars || value.data.size() > kLibraryFolderBytes)
        return std::nullopt;
    if (value.name.find(u',') != std::u16string::npos)
        return std::nullopt;
    std::u16string folder;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2)
    {
        char16_t c = char16_t(value.data[i] | (value.data[i + 1] << 8));
        if (c == u'\0')
            break;
        folder.push_back(c);
    }
    if (folder.empty())
        return std::nullopt;
    return folder;
}

// The folders in a folder (its path without a closing '\\'), sorted.
std::vector<std::u16string> subfolders(const std::u16string& folder)
{
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + u"\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        const std::u16string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != u"." && name != u"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// The libraries on the storage cards, found by their descriptors: entries
// of the folder's name and its path, their packs mounted.
void addCardLibraries(LibraryScan& scan, const CardLister& cards)
{
    for (const std::u16string& card : cards ? cards() : std::vector<std::u16string>())
        for (const std::u16string& parent : {u"\\" + card, u"\\" + card + u"\\Program Files"})
            for (const std::u16string& name : subfolders(parent))
            {
                const std::u16string folder = parent + u"\\" + name;
                if (name.find(u',') != std::u16string::npos || !descriptorValid(folder).value_or(false))
                    continue;
                scan.libraryEntries.push_back(name + u"," + folder);
                addResourcePack(u"vehicle.zip", folder.c_str());
            }
}

} // namespace

std::u16string libraryName(const std::u16string& entry)
{
    return entry.substr(0, entry.find(u','));
}

std::u16string libraryFolder(const std::u16string& entry)
{
    size_t comma = entry.find(u',');
    return comma == std::u16string::npos ? std::u16string() : entry.substr(comma + 1);
}

std::vector<std::u16string> storageCardsIn(const std::vector<RootEntry>& root)
{
    constexpr DWORD card = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY;
    std::vector<std::u16string> cards;
    for (const RootEntry& entry : root)
        if ((entry.attributes & card) == card && !entry.name.empty())
            cards.push_back(entry.name);
    return cards;
}

std::vector<std::u16string> findStorageCards()
{
    std::vector<RootEntry> root;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(u"\\*.*", &data);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    do
        root.push_back(RootEntry{data.cFileName, data.dwFileAttributes});
    while (FindNextFileW(find, &data));
    FindClose(find);
    return storageCardsIn(root);
}

LibraryScan scanVehicleLibraries(const std::u16string& programFolder, HWND window, bool restarted,
                                 const CardLister& cards)
{
    LibraryScan scan;
    scan.trackNames = listNames(racing::collapsedPath(programFolder + u"..\\resources\\scenes\\"), u"*.properties");
    scan.libraryEntries.push_back(std::u16string(kBuiltInLibraryName) + u"," +
                                  racing::collapsedPath(programFolder + u"..\\resources\\vehicle"));

    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) == ERROR_SUCCESS)
    {
        std::optional<std::vector<std::u16string>> cardNames;
        RawValue value;
        for (DWORD index = 0; readValue(key, index, value) == ReadResult::Value; ++index)
        {
            if (value.name.empty())
                continue;
            std::optional<std::u16string> folder = folderOf(value);
            std::optional<bool> valid = folder ? descriptorValid(*folder) : std::nullopt;
            size_t programFiles = folder ? folder->find(u"Program Files") : std::u16string::npos;
            if (folder && !valid && programFiles != std::u16string::npos)
            {
                if (!cardNames)
                    cardNames = cards ? cards() : std::vector<std::u16string>();
                for (const std::u16string& card : *cardNames)
                {
                    std::u16string candidate = u"\\" + card + u"\\" + folder->substr(programFiles);
                    valid = descriptorValid(candidate);
                    if (valid)
                    {
                        folder = candidate;
                        break;
                    }
                }
            }
            if (valid.value_or(false))
            {
                scan.libraryEntries.push_back(value.name + u"," + *folder);
                addResourcePack(u"vehicle.zip", folder->c_str());
            }
            else if (!restarted)
                warn(window, value.name);
        }
        RegCloseKey(key);
    }
    else
    {
        // No key at all is a registry lost or set aside as damaged, not a
        // device without libraries: listing only the built-in one would
        // hide every installed library (and the races and scores made with
        // them) until each is installed again. The cards' libraries still
        // carry their descriptors, so they are found by those. An empty key
        // is a list the user made, and stays the whole list.
        addCardLibraries(scan, cards);
    }

    for (const std::u16string& entry : scan.libraryEntries)
        scan.vehicleNames.push_back(listNames(libraryFolder(entry) + u"\\", u"*.properties"));
    return scan;
}

bool raceChoiceInScan(const racing::RaceChoice& choice, const LibraryScan& scan)
{
    if (choice.mode < 0 || size_t(choice.mode) >= scan.libraryEntries.size() ||
        size_t(choice.mode) >= scan.vehicleNames.size())
        return false;
    return racing::raceChoiceInRange(choice, int(scan.vehicleNames[size_t(choice.mode)].size()),
                                     int(scan.trackNames.size()));
}

} // namespace tundrel
