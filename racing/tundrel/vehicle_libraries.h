// vehicle_libraries.h -- the vehicle libraries found at start-up
//
// A library is a folder with a descriptor "vlib.txt" (LibVer=1.2), a pack
// "vehicle.zip" and one ".properties" file per vehicle. The built-in library
// lies beside the program; installed ones are listed as values of a registry
// key (value name = display name, data = folder), possibly on a storage card.
#pragma once

#include "racing/framework/restart_command.h"

#include <os/types.h>

#include <functional>
#include <string>
#include <vector>

namespace tundrel {

// Entries travel as "display name,folder".
constexpr const char16_t* kBuiltInLibraryName = u"Zarar Azaruroz";
constexpr const char16_t* kLibraryKey = u"SOFTWARE\\BrevikSoft\\VehicleLibrary\\Vasko-Tundrel";
// Buffer sizes of the enumeration: characters of a name, bytes of a folder.
constexpr DWORD kLibraryNameChars = 64;
constexpr DWORD kLibraryFolderBytes = 260;

struct LibraryScan
{
    std::vector<std::u16string> trackNames;
    std::vector<std::u16string> libraryEntries;
    std::vector<std::vector<std::u16string>> vehicleNames; // per library
};

// The display name (before the first ',') and the folder (after it).
std::u16string libraryName(const std::u16string& entry);
std::u16string libraryFolder(const std::u16string& entry);

// One entry of the root folder's listing.
struct RootEntry
{
    std::u16string name;
    DWORD attributes = 0;
};
// The storage cards among root entries: directories marked temporary.
std::vector<std::u16string> storageCardsIn(const std::vector<RootEntry>& root);
// The storage cards of the device ("\*.*").
std::vector<std::u16string> findStorageCards();

using CardLister = std::function<std::vector<std::u16string>()>;

// Tracks, libraries and their vehicles. programFolder ends with '\'. A
// library that cannot be used is skipped, with a "Warning" box over window
// unless the program was restarted. The "vehicle.zip" of every valid
// installed library is mounted on its folder. Without the registry's key
// (a registry lost or set aside) the libraries on the storage cards are
// found by their descriptors: the folders of a card, and of its "Program
// Files", holding a "vlib.txt" of this version, under the folder's name.
LibraryScan scanVehicleLibraries(const std::u16string& programFolder, HWND window, bool restarted,
                                 const CardLister& cards = findStorageCards);

// Whether a race command's library (`mode`), vehicle (`paintIndex`) and
// track indexes name entries of this scan. The libraries are scanned again
// at every start, so a card taken out between the menu and the race moves
// them; a command that fails goes back to the menu.
bool raceChoiceInScan(const racing::RaceChoice& choice, const LibraryScan& scan);

} // namespace tundrel
