// Vehicle libraries: the scan against a registry and device tree made here.
#include "racing/tundrel/vehicle_libraries.h"

#include "content/media/zip_writer.h"
#include "engine/base/resource_files.h"

#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <gtest/gtest.h>
#include <os/windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::u16string>;

const std::u16string kProgram = u"\\Program Files\\Vasko-Tundrel\\bin\\";
const std::u16string kBuiltIn = u"Zarar Azaruroz,\\Program Files\\Vasko-Tundrel\\resources\\vehicle";

HKEY libraryKey()
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, tundrel::kLibraryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    return key;
}

// A text value; withTerminator false stores the characters alone.
void putText(const std::u16string& name, const std::u16string& folder, bool withTerminator = true)
{
    HKEY key = libraryKey();
    DWORD size = DWORD((folder.size() + (withTerminator ? 1 : 0)) * sizeof(char16_t));
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()), size);
    RegCloseKey(key);
}

void putDword(const std::u16string& name, DWORD value)
{
    HKEY key = libraryKey();
    RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void putBinary(const std::u16string& name, const std::string& bytes)
{
    HKEY key = libraryKey();
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    RegCloseKey(key);
}

// A library folder below the device root with its descriptor and vehicles.
void putLibrary(const std::string& folder, const std::string& version, const std::vector<std::string>& vehicles)
{
    os::testing::put(folder + "/vlib.txt", "# vehicle library\nLibVer=" + version + "\n");
    for (const std::string& vehicle : vehicles)
        os::testing::put(folder + "/" + vehicle + ".properties", "body=" + vehicle + ".3ds\n");
}

// On the second card: a library at its top, one in its "Program Files", an
// old one and a folder that is no library.
void putCardLibraries()
{
    putLibrary("Card Two/Rally Pack", "1.2", {"Wagon"});
    putLibrary("Card Two/Program Files/Trucks", "1.2", {"Hauler", "Tipper"});
    putLibrary("Card Two/Old", "1.1", {"Van"});
    os::testing::put("Card Two/Loose/readme.txt", "not a library\n");
}

void putBuiltIn()
{
    os::testing::put("Program Files/Vasko-Tundrel/resources/vehicle/Coupe.properties", "body=Coupe.3ds\n");
}

Names warnedNames()
{
    Names names;
    for (const auto& box : os::host::headless::boxes())
    {
        EXPECT_EQ(box.caption, u"Warning");
        EXPECT_EQ(box.flags & MB_ICONEXCLAMATION, UINT(MB_ICONEXCLAMATION));
        size_t open = box.text.find(u'"');
        size_t close = box.text.find(u"\" has been found, it will be ignored.");
        EXPECT_NE(close, std::u16string::npos) << "the box text";
        if (open != std::u16string::npos && close != std::u16string::npos)
            names.push_back(box.text.substr(open + 1, close - open - 1));
    }
    return names;
}

struct ScanCase
{
    const char* what;
    std::function<void()> setUp;
    Names entries;    // after the built-in one
    Names warned;     // value names in the warning boxes of a fresh start
    std::vector<size_t> vehicleCounts; // per entry, the built-in one first
};

const std::u16string kLongName(70, u'L');

std::vector<ScanCase> scanCases()
{
    return {
        {"no key", [] {}, {}, {}, {1}},
        {"an empty key", [] { RegCloseKey(libraryKey()); }, {}, {}, {1}},
        {"no key (a registry lost): the cards' libraries found by their descriptors",
         [] { putCardLibraries(); },
         {u"Rally Pack,\\Card Two\\Rally Pack", u"Trucks,\\Card Two\\Program Files\\Trucks"},
         {},
         {1, 1, 2}},
        {"an empty key: the libraries it does not list stay out",
         [] {
             putCardLibraries();
             RegCloseKey(libraryKey());
         },
         {},
         {},
         {1}},
        {"a good library",
         [] {
             putLibrary("Program Files/Trucks", "1.2", {"Hauler", "Tipper"});
             putText(u"Trucks", u"\\Program Files\\Trucks");
         },
         {u"Trucks,\\Program Files\\Trucks"},
         {},
         {1, 2}},
        {"a library without vehicles",
         [] {
             putLibrary("Program Files/Empty", "1.2", {});
             putText(u"Empty", u"\\Program Files\\Empty");
         },
         {u"Empty,\\Program Files\\Empty"},
         {},
         {1, 0}},
        {"an old version, a longer version text and a descriptor without version",
         [] {
             putLibrary("Old", "1.1", {"Van"});
             putLibrary("Longer", "1.20", {"Van"});
             os::testing::put("Bare/vlib.txt", "Name=Bare\n");
             putText(u"Old", u"\\Old");
             putText(u"Longer", u"\\Longer");
             putText(u"Bare", u"\\Bare");
         },
         {},
         {u"Old", u"Longer", u"Bare"},
         {1}},
        {"a missing folder, then a good one",
         [] {
             putText(u"Gone", u"\\Program Files\\Gone");
             putLibrary("Program Files/Trucks", "1.2", {"Hauler"});
             putText(u"Trucks", u"\\Program Files\\Trucks");
         },
         {u"Trucks,\\Program Files\\Trucks"},
         {u"Gone"},
         {1, 1}},
        {"a missing folder found on the second storage card",
         [] {
             putLibrary("Card Two/Program Files/Rally", "1.2", {"Buggy"});
             putText(u"Rally", u"\\Storage Card\\Program Files\\Rally");
         },
         {u"Rally,\\Card Two\\Program Files\\Rally"},
         {},
         {1, 1}},
        {"values that are not text, then a good one",
         [] {
             putLibrary("Program Files/Trucks", "1.2", {"Hauler"});
             std::u16string folder = u"\\Program Files\\Trucks";
             putDword(u"Number", 7);
             putBinary(u"Bytes", std::string(reinterpret_cast<const char*>(folder.c_str()),
                                              (folder.size() + 1) * sizeof(char16_t)));
             putText(u"Trucks", folder);
         },
         {u"Trucks,\\Program Files\\Trucks"},
         {u"Number", u"Bytes"},
         {1, 1}},
        {"a text stored without its terminator",
         [] {
             putLibrary("Program Files/Trucks", "1.2", {"Hauler"});
             putText(u"Trucks", u"\\Program Files\\Trucks", false);
         },
         {u"Trucks,\\Program Files\\Trucks"},
         {},
         {1, 1}},
        {"a long name and a long folder do not end the enumeration",
         [] {
             putLibrary("Program Files/Trucks", "1.2", {"Hauler"});
             putText(kLongName, u"\\Program Files\\Trucks");
             putText(u"Deep", u"\\" + std::u16string(140, u'd'));
             putText(u"Trucks", u"\\Program Files\\Trucks");
         },
         {u"Trucks,\\Program Files\\Trucks"},
         {kLongName, u"Deep"},
         {1, 1}},
        {"a name holding the separator",
         [] {
             putLibrary("Program Files/Trucks", "1.2", {"Hauler"});
             putText(u"Trucks, heavy", u"\\Program Files\\Trucks");
         },
         {},
         {u"Trucks, heavy"},
         {1}},
        {"an empty name is passed over without a word",
         [] {
             putLibrary("Program Files/Trucks", "1.2", {"Hauler"});
             putText(u"", u"\\Old");
             putText(u"Trucks", u"\\Program Files\\Trucks");
         },
         {u"Trucks,\\Program Files\\Trucks"},
         {},
         {1, 1}},
    };
}

tundrel::LibraryScan scan(bool restarted)
{
    return tundrel::scanVehicleLibraries(kProgram, nullptr, restarted, [] { return Names{u"Card One", u"Card Two"}; });
}

} // namespace

TEST(VehicleLibraries, ScanTable)
{
    for (const ScanCase& c : scanCases())
    {
        SCOPED_TRACE(c.what);
        // Each case starts from an empty key and a tree of its own files.
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, tundrel::kLibraryKey);
        for (const char* folder : {"Program Files", "Old", "Longer", "Bare", "Card Two"})
            std::filesystem::remove_all(os::testing::host(folder));
        putBuiltIn();
        c.setUp();

        for (bool restarted : {false, true})
        {
            SCOPED_TRACE(restarted ? "restarted" : "fresh start");
            os::host::headless::clear_boxes();
            tundrel::LibraryScan result = scan(restarted);
            Names expected{kBuiltIn};
            expected.insert(expected.end(), c.entries.begin(), c.entries.end());
            EXPECT_EQ(result.libraryEntries, expected);
            EXPECT_EQ(warnedNames(), restarted ? Names{} : c.warned);
            ASSERT_EQ(result.vehicleNames.size(), result.libraryEntries.size());
            std::vector<size_t> counts;
            for (const Names& vehicles : result.vehicleNames)
                counts.push_back(vehicles.size());
            EXPECT_EQ(counts, c.vehicleCounts);
        }
    }
}

TEST(VehicleLibraries, EntriesSplitAtTheFirstSeparator)
{
    EXPECT_EQ(tundrel::libraryName(kBuiltIn), u"Zarar Azaruroz");
    EXPECT_EQ(tundrel::libraryFolder(kBuiltIn), u"\\Program Files\\Vasko-Tundrel\\resources\\vehicle");
    EXPECT_EQ(tundrel::libraryFolder(u"Rally,\\My, Folder"), u"\\My, Folder");
    EXPECT_EQ(tundrel::libraryFolder(u"no separator"), u"");
}

TEST(VehicleLibraries, TracksVehiclesAndThePackOfAValidLibrary)
{
    putBuiltIn();
    os::testing::put("Program Files/Vasko-Tundrel/resources/vehicle/Roadster.properties", "body=Roadster.3ds\n");
    os::testing::put("Program Files/Vasko-Tundrel/resources/scenes/Harbour.properties", "x=1\n");
    os::testing::put("Program Files/Vasko-Tundrel/resources/scenes/Alps.properties", "x=1\n");
    os::testing::put("Program Files/Vasko-Tundrel/resources/scenes/Alps.3ds", "");
    putLibrary("Program Files/Trucks", "1.2", {"Tipper", "Hauler"});
    ASSERT_TRUE(media::writeZip(os::testing::host("Program Files/Trucks/vehicle.zip"), {{"Hauler.3ds", "model"}}));
    putText(u"Trucks", u"\\Program Files\\Trucks");

    const WCHAR* member = u"\\Program Files\\Trucks\\Hauler.3ds";
    ASSERT_EQ(openResourceFile(member, u"rb"), nullptr) << "no pack mounted yet";
    tundrel::LibraryScan result = scan(false);
    EXPECT_EQ(result.trackNames, (Names{u"Alps", u"Harbour"}));
    ASSERT_EQ(result.vehicleNames.size(), 2u);
    EXPECT_EQ(result.vehicleNames[0], (Names{u"Coupe", u"Roadster"}));
    EXPECT_EQ(result.vehicleNames[1], (Names{u"Hauler", u"Tipper"})) << "the descriptor is not a vehicle";
    // The library's pack is mounted on its folder.
    FILE* file = openResourceFile(member, u"rb");
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(fread(text, 1, sizeof text, file), 5u);
    EXPECT_STREQ(text, "model");
    closeResourceFile(file);
    closeResourcePacks();
}

TEST(VehicleLibraries, StorageCardsAreTheTemporaryFoldersOfTheRoot)
{
    constexpr DWORD dir = FILE_ATTRIBUTE_DIRECTORY;
    constexpr DWORD card = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY;
    std::vector<tundrel::RootEntry> root{
        {u"Program Files", dir},
        {u"Storage Card", card},
        {u"temp.txt", FILE_ATTRIBUTE_TEMPORARY},
        {u"My Documents", dir},
    };
    // Many cards with long names all stay, and no empty name comes first.
    Names expected{u"Storage Card"};
    for (int i = 0; i < 40; ++i)
    {
        std::u16string name = u"Card " + std::u16string(100, char16_t(u'a' + i % 26)) + char16_t(u'0' + i % 10);
        root.push_back({name, card});
        expected.push_back(name);
    }
    EXPECT_EQ(tundrel::storageCardsIn(root), expected);
    EXPECT_TRUE(tundrel::storageCardsIn({{u"Program Files", dir}}).empty());
    // The device tree made here has no cards; a "Storage Card" folder of the
    // root is one (a folder of that name deeper down is not).
    EXPECT_TRUE(tundrel::findStorageCards().empty());
    os::testing::put("Storage Card/readme.txt", "card\n");
    os::testing::put("Program Files/Storage Card/readme.txt", "folder\n");
    os::testing::put("Storage Cards.txt", "file\n");
    EXPECT_EQ(tundrel::findStorageCards(), Names{u"Storage Card"});
}

TEST(VehicleLibraries, RaceCommandIndexesAreCheckedAgainstTheScan)
{
    tundrel::LibraryScan scanned;
    scanned.trackNames = {u"Alps", u"Harbour"};
    scanned.libraryEntries = {kBuiltIn, u"Trucks,\\Program Files\\Trucks", u"Empty,\\Empty"};
    scanned.vehicleNames = {{u"Coupe", u"Roadster", u"Van"}, {u"Hauler"}, {}};
    struct
    {
        const char16_t* command;
        bool inRange;
    } cases[] = {
        {u"goNow/0,2,1,1,0,Bob:", true},
        {u"exerciseNow/1,0,0,0,1,Bob:", true},
        {u"goNow/1,2,0,1,0,Bob:", false}, // a vehicle of the built-in library, not of this one
        {u"goNow/2,0,0,1,0,Bob:", false}, // a library without vehicles
        {u"goNow/3,0,0,1,0,Bob:", false}, // a library gone since the menu's scan
        {u"goNow/-1,0,0,1,0,Bob:", false},
        {u"goNow/0,-1,0,1,0,Bob:", false},
        {u"goNow/0,0,2,1,0,Bob:", false},
        {u"goNow/0,0,-1,1,0,Bob:", false},
    };
    for (const auto& c : cases)
    {
        racing::StartCommand command = racing::parseStartCommand(c.command, true);
        SCOPED_TRACE(racing::toAscii(c.command));
        ASSERT_TRUE(command.kind == racing::StartKind::Race || command.kind == racing::StartKind::Exercise);
        EXPECT_EQ(tundrel::raceChoiceInScan(command.race, scanned), c.inRange);
    }
    tundrel::LibraryScan nothing;
    EXPECT_FALSE(tundrel::raceChoiceInScan(racing::RaceChoice{}, nothing));
}
