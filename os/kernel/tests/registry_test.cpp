// Conformance tests of the registry, and of the file that keeps it.
#include <os/registry.h>
#include <os/wstring.h>

#include "os/testing/kernel.h"
#include "os/kernel/registry_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

HKEY create(HKEY parent, const WCHAR* sub, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(parent, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition), ERROR_SUCCESS)
        << os::to_latin1(sub);
    return key;
}

LONG set_dword(HKEY key, const WCHAR* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

DWORD get_dword(HKEY key, const WCHAR* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS)
        << os::to_latin1(name);
    return value;
}

TEST(Registry, CreateAndOpen)
{
    SetLastError(0xdeadbeef);
    DWORD disposition = 0;
    HKEY game = create(HKEY_LOCAL_MACHINE, u"Software\\Vendor\\Game", &disposition);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    HKEY again = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\vendor\\GAME", &disposition);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY)) << "names are case-insensitive";

    struct Case
    {
        HKEY parent;
        const WCHAR* sub;
        LONG result;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, u"Software\\Vendor", ERROR_SUCCESS}, // intermediates exist
        {HKEY_LOCAL_MACHINE, u"software\\VENDOR\\game", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, u"Software\\Vendor\\Other", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, u"Software\\Vendor\\Game", ERROR_FILE_NOT_FOUND}, // hives are apart
        {HKEY_LOCAL_MACHINE, u"", ERROR_SUCCESS},
        {HKEY_LOCAL_MACHINE, nullptr, ERROR_SUCCESS},
        {game, nullptr, ERROR_SUCCESS},
        {game, u"Missing", ERROR_FILE_NOT_FOUND},
        {reinterpret_cast<HKEY>(uintptr_t(0x1230)), u"x", ERROR_INVALID_HANDLE},
        {nullptr, u"x", ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases)
    {
        HKEY key = reinterpret_cast<HKEY>(uintptr_t(1));
        EXPECT_EQ(RegOpenKeyExW(c.parent, c.sub, 0, KEY_READ, &key), c.result) << os::to_latin1(c.sub);
        if (c.result == ERROR_SUCCESS)
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        else
            EXPECT_EQ(key, nullptr) << "a failed open clears the result";
    }
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "registry calls leave the last error alone";
    EXPECT_EQ(RegCloseKey(game), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(game), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
}

TEST(Registry, SetAndQueryEveryType)
{
    HKEY key = create(HKEY_CURRENT_USER, u"Software\\Types");
    const DWORD dword = 0x12345678;
    const BYTE binary[] = {0, 1, 2, 0xFF};
    const WCHAR sz[] = u"Caf\u00E9";
    const WCHAR multi[] = u"one\0two\0";
    const WCHAR expand[] = u"%ROOT%\\x";
    struct Case
    {
        const WCHAR* name;
        DWORD type;
        const void* data;
        DWORD size;
    };
    const Case cases[] = {
        {u"Dword", REG_DWORD, &dword, sizeof dword},
        {u"Binary", REG_BINARY, binary, sizeof binary},
        {u"Text", REG_SZ, sz, sizeof sz},
        {u"Multi", REG_MULTI_SZ, multi, sizeof multi},
        {u"Expand", REG_EXPAND_SZ, expand, sizeof expand},
        {u"Empty", REG_BINARY, nullptr, 0},
        {u"", REG_SZ, u"default", 16}, // the key's default value
        {u"Odd %\"[]\n\u00E9 name", REG_DWORD, &dword, sizeof dword},
        {u"Own type", 0xFFFFFFFF, binary, sizeof binary}, // a type the system does not know is kept unchanged
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(RegSetValueExW(key, c.name, 0, c.type, static_cast<const BYTE*>(c.data), c.size), ERROR_SUCCESS)
            << os::to_latin1(c.name);
    }
    for (const Case& c : cases)
    {
        std::string what = os::to_latin1(c.name);
        DWORD type = 99;
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS) << what;
        EXPECT_EQ(size, c.size) << "size query of " << what;
        EXPECT_EQ(type, c.type) << what;
        BYTE buf[64];
        std::memset(buf, 0xCC, sizeof buf);
        size = sizeof buf;
        EXPECT_EQ(RegQueryValueExW(key, c.name, nullptr, nullptr, buf, &size), ERROR_SUCCESS) << what;
        EXPECT_EQ(size, c.size) << what;
        EXPECT_TRUE(c.size == 0 || std::memcmp(buf, c.data, c.size) == 0) << "data of " << what;
        EXPECT_EQ(buf[c.size], 0xCC) << "nothing written past the value of " << what;
    }
    RegCloseKey(key);
}

TEST(Registry, QueryErrors)
{
    HKEY key = create(HKEY_CURRENT_USER, u"Software\\Query");
    ASSERT_EQ(RegSetValueExW(key, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"Pilot"), 12), ERROR_SUCCESS);
    BYTE buf[64];
    DWORD size = 4;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 12u) << "ERROR_MORE_DATA tells the size needed";
    EXPECT_EQ(type, DWORD(REG_SZ));
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExW(key, u"NAME", nullptr, nullptr, buf, &size), ERROR_SUCCESS) << "value names ignore case";
    EXPECT_EQ(RegQueryValueExW(key, u"Nothing", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND)
        << "no default value was set";
    EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(key, u"Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << "asking only whether it exists";
    EXPECT_EQ(RegSetValueExW(key, u"Bad", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);

    // Setting again replaces type and data and keeps the first spelling of the name.
    EXPECT_EQ(set_dword(key, u"NAME", 7), ERROR_SUCCESS);
    EXPECT_EQ(get_dword(key, u"name"), 7u);
    WCHAR name[16];
    DWORD length = 16;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(os::to_latin1(name), "Name");
    EXPECT_EQ(type, DWORD(REG_DWORD));
    RegCloseKey(key);
}

TEST(Registry, EnumerateKeys)
{
    HKEY root = create(HKEY_LOCAL_MACHINE, u"Software\\Enum");
    for (const WCHAR* sub : {u"Zulu", u"alpha", u"Mike", u"Alpha2\\Deep"})
        RegCloseKey(create(root, sub));
    std::vector<std::string> names;
    for (DWORD i = 0;; i++)
    {
        WCHAR name[32];
        DWORD length = 32;
        LONG result = RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(result, ERROR_SUCCESS);
        EXPECT_EQ(length, wcslen(name));
        names.push_back(os::to_latin1(name));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Alpha2", "Mike", "Zulu"}))
        << "direct subkeys only, in name order, as spelt at creation";

    WCHAR small[4];
    DWORD length = 4;
    EXPECT_EQ(RegEnumKeyExW(root, 3, small, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA)
        << "\"Zulu\" needs 5 characters with its terminator";
    length = 5;
    WCHAR fits[5];
    EXPECT_EQ(RegEnumKeyExW(root, 3, fits, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(RegEnumKeyExW(root, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(root);
}

TEST(Registry, EnumerateValues)
{
    HKEY key = create(HKEY_CURRENT_USER, u"Software\\Libraries");
    const WCHAR* folders[] = {u"\\Storage Card\\Music", u"\\My Documents", u"\\A very long folder name indeed"};
    const WCHAR* names[] = {u"Lib2", u"Lib1", u"Library with a long name"};
    for (int i = 0; i < 3; i++)
    {
        DWORD bytes = DWORD((wcslen(folders[i]) + 1) * sizeof(WCHAR));
        ASSERT_EQ(RegSetValueExW(key, names[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(folders[i]), bytes),
                  ERROR_SUCCESS);
    }
    for (DWORD i = 0; i < 3; i++)
    {
        WCHAR name[64];
        DWORD length = 64;
        BYTE data[128];
        DWORD size = sizeof data;
        DWORD type = 0;
        ASSERT_EQ(RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
        EXPECT_EQ(os::to_latin1(name), os::to_latin1(names[i])) << "values come in creation order";
        EXPECT_EQ(length, wcslen(names[i]));
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(os::to_latin1(reinterpret_cast<WCHAR*>(data)), os::to_latin1(folders[i]));
    }
    WCHAR name[64];
    DWORD length = 64;
    EXPECT_EQ(RegEnumValueW(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    struct Case
    {
        DWORD name_length;
        DWORD data_size;
        LONG result;
    };
    const Case cases[] = {
        {8, 128, ERROR_MORE_DATA}, // a name longer than the buffer ends an enumeration
        {64, 8, ERROR_MORE_DATA},  // so does data longer than the buffer
        {64, 128, ERROR_SUCCESS},
    };
    for (const Case& c : cases)
    {
        BYTE data[128];
        length = c.name_length;
        DWORD size = c.data_size;
        EXPECT_EQ(RegEnumValueW(key, 2, name, &length, nullptr, nullptr, data, &size), c.result)
            << "name buffer " << c.name_length << " data buffer " << c.data_size;
    }
    DWORD size = 0;
    length = 64;
    EXPECT_EQ(RegEnumValueW(key, 2, name, &length, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, DWORD((wcslen(folders[2]) + 1) * sizeof(WCHAR))) << "size query through enumeration";
    RegCloseKey(key);
}

TEST(Registry, DeleteValuesAndKeys)
{
    HKEY parent = create(HKEY_LOCAL_MACHINE, u"Software\\Del");
    HKEY child = create(parent, u"Child");
    set_dword(child, u"v", 1);
    EXPECT_EQ(RegDeleteValueW(child, u"V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(child, u"v"), ERROR_FILE_NOT_FOUND);

    struct Case
    {
        HKEY key;
        const WCHAR* sub;
        LONG result;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, u"Software\\Del", ERROR_ACCESS_DENIED}, // it has a subkey
        {parent, u"Missing", ERROR_FILE_NOT_FOUND},
        {parent, nullptr, ERROR_INVALID_PARAMETER},
        {HKEY_LOCAL_MACHINE, u"", ERROR_ACCESS_DENIED}, // a hive stays
        {parent, u"CHILD", ERROR_SUCCESS},
        {parent, u"Child", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegDeleteKeyW(c.key, c.sub), c.result) << os::to_latin1(c.sub);

    // The handle to the deleted key is still a handle, but its key is gone.
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(set_dword(child, u"w", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExW(child, u"w", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_KEY_DELETED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(child, u"x", 0, nullptr, 0, 0, nullptr, &sub, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Del"), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(parent), ERROR_KEY_DELETED);
    RegCloseKey(parent);
}

TEST(Registry, PersistsInTheFile)
{
    HKEY key = create(HKEY_CURRENT_USER, u"Software\\Persist");
    set_dword(key, u"Score", 1234);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    RegCloseKey(key);

    // A fresh reading of the file (what another process or a restart sees).
    os::registry::Store store = os::registry::parse(os::testing::get("registry"));
    EXPECT_FALSE(store.damaged);
    auto it = store.keys.find(os::registry::fold(u"HKEY_CURRENT_USER\\Software\\Persist"));
    ASSERT_NE(it, store.keys.end());
    ASSERT_EQ(it->second.values.size(), 1u);
    EXPECT_EQ(os::to_latin1(it->second.values[0].name), "Score");

    // A file written by hand is read as it is.
    os::testing::put("registry", "HHREG 1\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Hand]\n"
                                "\"Level\"=4,4:07000000\r\n"
                                "\"%0041%00e9\"=1,4:41000000\n");
    HKEY hand = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\hand", 0, KEY_READ, &hand), ERROR_SUCCESS);
    EXPECT_EQ(get_dword(hand, u"Level"), 7u);
    WCHAR data[4] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExW(hand, u"a\u00C9", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(data[0], u'A');
    RegCloseKey(hand);
    EXPECT_FALSE(fs::exists(os::testing::host("registry.damaged")));
}

TEST(Registry, ProcessesKeepEachOthersChanges)
{
    HKEY key = create(HKEY_CURRENT_USER, u"Software\\Shared");
    RegCloseKey(key);
    const int kChildren = 4;
    const int kValues = 15;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; c++)
    {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
        {
            HKEY own = nullptr;
            int failures = RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, KEY_WRITE, &own) != ERROR_SUCCESS;
            for (int v = 0; v < kValues; v++)
            {
                std::u16string name = os::format(u"p%d_v%d", c, v);
                failures += set_dword(own, name.c_str(), DWORD(c * 100 + v)) != ERROR_SUCCESS;
            }
            _exit(failures);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a child's change failed";
    }
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (int c = 0; c < kChildren; c++)
    {
        for (int v = 0; v < kValues; v++)
            EXPECT_EQ(get_dword(key, os::format(u"p%d_v%d", c, v).c_str()), DWORD(c * 100 + v));
    }
    RegCloseKey(key);
}

// A damaged registry is moved aside whole when it is first met, the user is
// left one notice (in device paths) for it, and what could be read of it
// goes on as the registry.
TEST(Registry, DamagedFileIsSetAsideOnceAndWhatCanBeReadGoesOn)
{
    const std::string good = "HHREG 1\n"
                             "[HKEY_CURRENT_USER\\Software\\T]\n"
                             "\"a\"=4,4:01000000\n"
                             "\"b\"=4,4:02000000\n";
    const struct
    {
        const char* what;
        std::string file;
        bool keeps; // a and b are still there
    } cases[] = {
        {"garbage", std::string("\x00\x01garbage\xff\nmore", 14), false},
        {"empty", "", false},
        {"cut in a value", good + "\"c\"=4,4:0300", true},
        {"a line of garbage", good + "\x01\x02\n", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        fs::remove(os::testing::host("registry"));
        fs::remove(os::testing::host("registry.damaged"));
        os::testing::put("registry.damaged-2", "an earlier one");
        os::testing::put("registry", c.file);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\T", 0, KEY_ALL_ACCESS, &key),
                  c.keeps ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        if (key)
        {
            EXPECT_EQ(get_dword(key, u"a"), 1u);
            EXPECT_EQ(get_dword(key, u"b"), 2u);
            EXPECT_EQ(RegQueryValueExW(key, u"c", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND)
                << "the cut value is skipped, not read short";
            RegCloseKey(key);
        }
        key = create(HKEY_CURRENT_USER, u"Software\\After");
        EXPECT_EQ(set_dword(key, u"x", 5), ERROR_SUCCESS);
        EXPECT_EQ(get_dword(key, u"x"), 5u);
        RegCloseKey(key);

        EXPECT_EQ(os::testing::get("registry.damaged"), c.file) << "the damaged file is kept whole";
        EXPECT_EQ(os::testing::get("registry.damaged-2"), "an earlier one");
        std::optional<os::registry::Notice> notice = os::registry::take_notice();
        ASSERT_TRUE(notice.has_value()) << "the user is told";
        const std::string said = os::path::utf8(notice->text);
        EXPECT_EQ(said.find("\\registry was damaged ("), 0u) << said;
        EXPECT_NE(said.find("set aside as \\registry.damaged;"), std::string::npos) << said;
        EXPECT_EQ(said.find(os::path::device_root()), std::string::npos) << "a device path, not the host's: " << said;
        EXPECT_FALSE(os::registry::take_notice().has_value()) << "told once";
        os::registry::Store now = os::registry::parse(os::testing::get("registry"));
        EXPECT_FALSE(now.damaged || now.unreadable);
        EXPECT_EQ(now.keys.count(os::registry::fold(u"HKEY_CURRENT_USER\\Software\\T")), c.keeps ? 1u : 0u);
    }
}

namespace {

const char16_t kLibraries[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\BrevikSoft\\VehicleLibrary";
const char16_t kTundrel[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\BrevikSoft\\VehicleLibrary\\Vasko-Tundrel";
const char16_t kAlpha[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\BrevikSoft\\Alpha";
const char16_t kZeta[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\BrevikSoft\\Zeta";

os::registry::Value text_value(const char16_t* name, const std::u16string& text)
{
    std::string data(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(char16_t));
    return {name, REG_SZ, data};
}

// A car game's registry: the key before the libraries, the libraries' own
// key, the game's list of libraries and the key after them.
os::registry::Store car_registry()
{
    os::registry::Store store;
    os::registry::Key& alpha = os::registry::ensure_key(store, kAlpha);
    os::registry::set_value(alpha, text_value(u"Owner", u"Ann"));
    os::registry::set_value(alpha, {u"Level", REG_DWORD, std::string("\x07\x00\x00\x00", 4)});
    os::registry::set_value(os::registry::ensure_key(store, kLibraries), text_value(u"Default", u"built-in"));
    os::registry::Key& tundrel = os::registry::ensure_key(store, kTundrel);
    os::registry::set_value(tundrel, text_value(u"Rally Pack", u"\\Storage Card\\Rally Pack"));
    os::registry::set_value(tundrel, text_value(u"Classic Pack", u"\\Program Files\\Classic Pack"));
    os::registry::set_value(tundrel, text_value(u"Desert Pack", u"\\Program Files\\Desert Pack"));
    os::registry::Key& zeta = os::registry::ensure_key(store, kZeta);
    os::registry::set_value(zeta, text_value(u"Name", u"Zeta"));
    os::registry::set_value(zeta, {u"Count", REG_DWORD, std::string("\x03\x00\x00\x00", 4)});
    return store;
}

const os::registry::Value* value_of(const os::registry::Store& store, const std::u16string& key,
                                    const std::u16string& name)
{
    auto it = store.keys.find(os::registry::fold(key));
    if (it == store.keys.end())
        return nullptr;
    for (const os::registry::Value& value : it->second.values)
        if (value.name == name)
            return &value;
    return nullptr;
}

std::vector<std::string> value_names(const os::registry::Store& store, const std::u16string& key)
{
    std::vector<std::string> names;
    auto it = store.keys.find(os::registry::fold(key));
    if (it != store.keys.end())
        for (const os::registry::Value& value : it->second.values)
            names.push_back(os::to_latin1(value.name));
    return names;
}

} // namespace

// Bytes written over the registry file: what can be read stays under the
// key it was written under. A value whose key line is gone goes with that
// key (the notice says so); it is never taken for a value of the key before.
TEST(Registry, ValuesUnderADamagedKeyLineGoWithIt)
{
    const os::registry::Store original = car_registry();
    const std::string text = os::registry::serialize(original);
    const std::string tundrel_line = "[" + os::to_latin1(kTundrel) + "]";
    const std::string zeta_line = "[" + os::to_latin1(kZeta) + "]";
    const std::string rally_line = "\"Rally Pack\"=";
    ASSERT_NE(text.find(rally_line), std::string::npos);
    ASSERT_NE(text.find(tundrel_line), std::string::npos);
    ASSERT_LT(text.find(rally_line) + 200, text.find(zeta_line)) << "the bytes stop short of the next key";
    const size_t alpha_at = text.find("[" + os::to_latin1(kAlpha) + "]");
    ASSERT_NE(alpha_at, std::string::npos);
    std::vector<std::string> all_tundrel = {"Rally Pack", "Classic Pack", "Desert Pack"};
    const struct
    {
        const char* what;
        size_t at;                        // where the bytes go
        size_t count;                     // how many
        bool random;                      // random bytes (fixed seed), else 'Z'
        std::string tail;                 // the file cut there instead (count 0)
        std::vector<std::string> tundrel; // the game's libraries left
        const char* said;                 // in the notice
    } cases[] = {
        {"200 random bytes over the libraries' key line",
         text.find(tundrel_line),
         200,
         true,
         "",
         {},
         "but a value whose key could not be read is lost."},
        {"200 random bytes over a value line",
         text.find(rally_line),
         200,
         true,
         "",
         {},
         "but a value whose key could not be read is lost."},
        {"letters over a value's bytes only",
         text.find(rally_line) + 24,
         40,
         false,
         "",
         {"Classic Pack", "Desert Pack"},
         "; the entries that could be read are kept."},
        // The header and the keys above the game's (which the keys below
        // them bring back), up to the line break before the first with values.
        {"random bytes over the header", 0, alpha_at - 1, true, "", all_tundrel,
         "; the entries that could be read are kept."},
        {"a key line cut at the end of the file", text.size(), 0, false,
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BrevikSoft\\Zulu\\Ne", all_tundrel,
         "; the entries that could be read are kept."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::string file = text.substr(0, c.at) + c.tail;
        if (c.tail.empty())
        {
            std::mt19937 rng(2026);
            file = text;
            for (size_t i = 0; i < c.count; i++)
                file[c.at + i] = c.random ? char(rng() & 0xFF) : 'Z';
        }
        fs::remove(os::testing::host("registry.damaged"));
        os::testing::put("registry", file);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\BrevikSoft\\Zeta", 0, KEY_READ, &key), ERROR_SUCCESS);
        RegCloseKey(key);
        std::optional<os::registry::Notice> notice = os::registry::take_notice();
        ASSERT_TRUE(notice.has_value()) << "the user is told";
        const std::string said = os::path::utf8(notice->text);
        EXPECT_EQ(said.find("\\registry was damaged (some of its entries could not be read)"), 0u) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_FALSE(os::registry::take_notice().has_value()) << "told once";
        EXPECT_EQ(os::testing::get("registry.damaged"), file) << "the damaged file is kept whole";

        const os::registry::Store now = os::registry::parse(os::testing::get("registry"));
        EXPECT_FALSE(now.damaged || now.unreadable);
        // Every value that is left is one of its own key's, as it was.
        for (const auto& [folded, kept] : now.keys)
            for (const os::registry::Value& value : kept.values)
            {
                const os::registry::Value* was = value_of(original, kept.path, value.name);
                EXPECT_TRUE(was && was->type == value.type && was->data == value.data)
                    << os::to_latin1(value.name) << " under " << os::to_latin1(kept.path);
            }
        EXPECT_EQ(value_names(now, kTundrel), c.tundrel);
        EXPECT_EQ(value_names(now, kLibraries), std::vector<std::string>{"Default"});
        EXPECT_EQ(value_names(now, kZeta), (std::vector<std::string>{"Name", "Count"}));
        EXPECT_EQ(value_names(now, kAlpha), (std::vector<std::string>{"Owner", "Level"}));
    }
}

TEST(RegistryFile, DamagedLines)
{
    struct Case
    {
        const char* line;
        bool loads;
    };
    const Case cases[] = {
        {"\"v\"=4,4:01000000", true},
        {"\"v\"=4,4:010000", false},      // fewer bytes than counted
        {"\"v\"=4,4:0100000000", false},  // more
        {"\"v\"=4,4:0x000000", false},    // not hex
        {"\"v\"=4:01000000", false},      // no count
        {"\"v=4,4:01000000", false},      // unclosed name
        {"\"%0000\"=4,4:01000000", true}, // an escaped NUL in a name is fine
        {"\"%0\"=4,4:01000000", false},   // short escape
        {"\"v\"=99999999999,0:", false},  // type too long
        {"\"v\"=1,0:", true},
        {"v=4,4:01000000", false},
        {"\"\xE9\"=1,0:", false},          // raw bytes outside ASCII are never written
    };
    for (const Case& c : cases)
    {
        std::string text = std::string("HHREG 1\n[HKEY_USERS\\K]\n") + c.line + "\n";
        os::registry::Store store = os::registry::parse(text);
        auto it = store.keys.find(os::registry::fold(u"HKEY_USERS\\K"));
        ASSERT_NE(it, store.keys.end()) << c.line;
        EXPECT_EQ(it->second.values.size(), c.loads ? 1u : 0u) << c.line;
        EXPECT_EQ(store.damaged, !c.loads) << c.line;
    }
    const char* bad_keys[] = {"[]", "[HKEY_NOWHERE\\X]", "[HKEY_USERS\\\\X]", "[\\X]", "[HKEY_USERS\\X\\]", "[HKEY_USERS"};
    for (const char* line : bad_keys)
    {
        os::registry::Store store = os::registry::parse(std::string("HHREG 1\n") + line + "\n\"v\"=1,0:\n");
        EXPECT_TRUE(store.damaged) << line;
        EXPECT_TRUE(store.keys.empty()) << line << ": the values under a bad key line are skipped with it";
    }
}

TEST(RegistryFile, RoundTrip)
{
    os::registry::Store store;
    os::registry::Key& key = os::registry::ensure_key(store, u"HKEY_LOCAL_MACHINE\\Software\\[Odd]%Name\u00E9");
    os::registry::set_value(key, {u"line\nbreak \"quoted\"", REG_SZ, std::string("a\0b", 3)});
    os::registry::set_value(key, {u"", REG_BINARY, ""});
    std::string text = os::registry::serialize(store);
    os::registry::Store back = os::registry::parse(text);
    EXPECT_FALSE(back.damaged);
    EXPECT_EQ(os::registry::serialize(back), text);
    EXPECT_EQ(back.keys.size(), 3u) << "the keys above are stored too";
}

} // namespace
