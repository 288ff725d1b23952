// package_check_test.cpp -- the stand-in manager's reading of the
// application-manager file and of cabinets
#include "installer/appmgr/package_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const char kIni[] = "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Game\r\n\r\n[Game]\r\n"
                    "Description = Ravenor Demo\r\nIconFile = icon1.ico\r\nCabFiles = ravenor.CAB\r\n";

TEST(ManagerFile, ReadsTheInstallersFile)
{
    appmgr::IniFile ini;
    std::string error;
    ASSERT_TRUE(appmgr::parse_ini(kIni, ini, error)) << error;
    EXPECT_EQ(ini.version, "1.0");
    EXPECT_EQ(ini.component, "Game");
    EXPECT_EQ(ini.description, "Ravenor Demo");
    EXPECT_EQ(ini.icon_file, "icon1.ico");
    EXPECT_EQ(ini.cab_files, "ravenor.CAB");
}

TEST(ManagerFile, MissingPartsAreNamed)
{
    struct Case
    {
        std::string text;
        const char* error;
    };
    std::string lf = "[CEAppManager]\nVersion=1.0\nComponent=Game\n[Game]\nDescription=D\nIconFile=i\nCabFiles=c\n";
    const Case cases[] = {
        {"", "no [CEAppManager] section"},
        {"[CEAppManager]\r\nComponent = Game\r\n", "missing Version"},
        {"[CEAppManager]\r\nVersion = 1.0\r\nComponent =\r\n", "missing Component"},
        {"[CEAppManager]\r\nVersion = 1.0\r\nComponent = Game\r\n[Other]\r\n", "no [Game] section"},
        {"[CEAppManager]\r\nVersion = 1.0\r\nComponent = Game\r\n[Game]\r\nDescription = D\r\nIconFile = i\r\n",
         "missing CabFiles"},
        {lf, ""},
    };
    for (const Case& c : cases)
    {
        appmgr::IniFile ini;
        std::string error;
        EXPECT_EQ(appmgr::parse_ini(c.text, ini, error), std::string(c.error).empty()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

// A cabinet with the given file names (no data: only the header and the
// file records are read).
std::vector<uint8_t> cabinet(const std::vector<std::string>& names)
{
    std::vector<uint8_t> d(36 + 8, 0);
    d[0] = 'M', d[1] = 'S', d[2] = 'C', d[3] = 'F';
    d[16] = uint8_t(d.size()); // first file record
    d[24] = 3, d[25] = 1;      // version 1.3
    d[26] = 1;                 // one folder
    d[28] = uint8_t(names.size());
    for (const std::string& name : names)
    {
        d.insert(d.end(), 16, 0);
        d.insert(d.end(), name.begin(), name.end());
        d.push_back(0);
    }
    uint32_t size = uint32_t(d.size());
    for (int i = 0; i < 4; ++i)
        d[8 + i] = uint8_t(size >> (8 * i));
    return d;
}

TEST(Cabinet, ListsItsFiles)
{
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(appmgr::list_cabinet(cabinet({"_setup.xml", "Ravenor"}), names, error)) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"_setup.xml", "Ravenor"}));
}

TEST(Cabinet, RefusesDamagedOnes)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> data;
        const char* error;
    };
    auto good = cabinet({"a", "b"});
    auto bad_magic = good;
    bad_magic[0] = 'X';
    auto bad_size = good;
    bad_size.push_back(0);
    auto linked = good;
    linked[30] = 1;
    auto cut_name = good;
    cut_name.pop_back(); // the last name loses its NUL
    for (int i = 0; i < 4; ++i)
        cut_name[8 + i] = uint8_t(cut_name.size() >> (8 * i));
    auto far_records = good;
    far_records[16] = 0xF0;
    const Case cases[] = {
        {"short", {'M', 'S', 'C', 'F'}, "not a cabinet (no MSCF header)"},
        {"magic", bad_magic, "not a cabinet (no MSCF header)"},
        {"size", bad_size, "cabinet size 80 stated, 81 found"},
        {"set", linked, "cabinet is part of a set"},
        {"name", cut_name, "file record 1 runs past the end"},
        {"records", far_records, "file record 0 runs past the end"},
    };
    for (const Case& c : cases)
    {
        std::vector<std::string> names;
        std::string error;
        EXPECT_FALSE(appmgr::list_cabinet(c.data, names, error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST(Cabinet, TheBuiltPayloadIsWellFormed)
{
    const char* build = std::getenv("HH_BUILD_DIR");
    std::filesystem::path cab = std::filesystem::path(build ? build : "") / "installer/payload/ravenor.CAB";
    if (!std::filesystem::exists(cab))
        GTEST_SKIP() << "no payload in this build";
    std::ifstream in(cab, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(appmgr::list_cabinet(data, names, error)) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"_setup.xml", "Ravenor", "demo.bin", "splash2.bmp"}));
}

TEST(CommandLine, QuotedArgument)
{
    struct Case
    {
        const char* line;
        const char* path;
    };
    const Case cases[] = {
        {"\"\\Program Files\\Game\\ravenor.ini\"", "\\Program Files\\Game\\ravenor.ini"},
        {"  \\AppMgr\\ravenor.ini  ", "\\AppMgr\\ravenor.ini"},
        {"\"unclosed", "unclosed"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(appmgr::quoted_argument(c.line), c.path) << c.line;
}

} // namespace
