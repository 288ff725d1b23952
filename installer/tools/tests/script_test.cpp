// script_test.cpp -- reading resource scripts and writing their source
#include "installer/tools/emit.h"
#include "installer/tools/script.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Scripts : public ::testing::Test
{
protected:
    void SetUp() override { std::ofstream(dir_ / "payload.bin") << "MSCF"; }

    bool parse(const std::string& text, rescomp::Script& script, std::string& error)
    {
        return rescomp::parse_script(text, {dir_.string()}, script, error);
    }

    os::testing::ScratchFolder scratch_{"rescomp"};
    fs::path dir_ = scratch_.path;
};

TEST_F(Scripts, ReadsEveryStatement)
{
    const char* text = R"(# a comment
string 1 "Caf\xe9 \"quoted\" \\ end"   # trailing comment
data 100 1 file "payload.bin"
data 102 5 textfile "payload.bin"
data 101 1 text "ravenor.ini"
dialog 2 0 0 332 218 WS_CHILD|DS_CONTROL "Wizard" 8 "MS Sans Serif"
  control 1031 BUTTON 12 157 300 10 WS_VISIBLE|WS_TABSTOP|WS_GROUP|BS_AUTORADIOBUTTON "I &accept"
  control -1 STATIC 0 35 332 1 WS_VISIBLE|0x10 ""
end
)";
    rescomp::Script s;
    std::string error;
    ASSERT_TRUE(parse(text, s, error)) << error;
    ASSERT_EQ(s.strings.size(), 1u);
    EXPECT_EQ(s.strings[0].text, "Caf\xe9 \"quoted\" \\ end");
    ASSERT_EQ(s.data.size(), 3u);
    EXPECT_TRUE(s.data[0].from_file);
    EXPECT_FALSE(s.data[0].terminated);
    EXPECT_EQ(fs::path(s.data[0].file), fs::absolute(dir_ / "payload.bin"));
    EXPECT_TRUE(s.data[1].terminated);
    EXPECT_EQ(s.data[2].text, "ravenor.ini");
    ASSERT_EQ(s.dialogs.size(), 1u);
    const auto& d = s.dialogs[0].dialog;
    EXPECT_EQ(d.style, DWORD(WS_CHILD | DS_CONTROL));
    EXPECT_EQ(d.caption, "Wizard");
    EXPECT_EQ(d.font_face, "MS Sans Serif");
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].id, 1031);
    EXPECT_EQ(d.items[0].style, DWORD(WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON));
    EXPECT_EQ(d.items[0].text, "I &accept");
    EXPECT_EQ(d.items[1].id, -1);
    EXPECT_EQ(d.items[1].style, DWORD(WS_VISIBLE | SS_ETCHEDHORZ));
}

TEST_F(Scripts, FaultsNameTheirLine)
{
    struct Case
    {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"string 1", "line 1: 'string' takes 2 arguments, got 1"},
        {"\nstring x \"a\"", "line 2: argument 1 of 'string' is not valid: x"},
        {"string 1 \"open", "line 1: unterminated text"},
        {"string 1 \"\\q\"", "line 1: unknown escape \\q"},
        {"string 1 \"\\xZ1\"", "line 1: bad \\x escape"},
        {"data 100 1 file \"missing.bin\"", "line 1: file not found: missing.bin"},
        {"data 100 1 blob \"x\"", "line 1: data is 'file', 'textfile' or 'text', got 'blob'"},
        {"dialog 1 0 0 1 1 WS_NOPE \"\" 8 \"\"", "line 1: argument 6 of 'dialog' is not valid: WS_NOPE"},
        {"dialog 1 0 0 1 1 WS_CHILD \"\" 8 \"\"\n", "dialog without end"},
        {"dialog 1 0 0 1 1 WS_CHILD \"\" 8 \"\"\nstring 1 \"a\"", "line 2: 'string' inside a dialog (expected control or end)"},
        {"control 1 BUTTON 0 0 1 1 WS_CHILD \"\"", "line 1: unknown statement 'control'"},
        {"icon 1 \"x\"", "line 1: unknown statement 'icon'"},
    };
    for (const Case& c : cases)
    {
        rescomp::Script s;
        std::string error;
        EXPECT_FALSE(parse(c.text, s, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST_F(Scripts, Styles)
{
    struct Case
    {
        const char* text;
        bool ok;
        DWORD value;
    };
    const Case cases[] = {
        {"WS_CHILD", true, WS_CHILD},           {"WS_CHILD|0x4", true, WS_CHILD | 4},
        {"0", true, 0},                         {"WS_CHILD|", true, WS_CHILD},
        {"ws_child", false, 0},                 {"", false, 0},
        {"WS_CHILD|bogus", false, 0},
    };
    for (const Case& c : cases)
    {
        DWORD v = 0;
        EXPECT_EQ(rescomp::parse_style(c.text, v), c.ok) << c.text;
        if (c.ok)
        {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST_F(Scripts, SourceRegistersEverything)
{
    rescomp::Script s;
    std::string error;
    ASSERT_TRUE(parse("data 100 1 file \"payload.bin\"\ndata 102 5 textfile \"payload.bin\"\n"
                      "data 101 1 text \"a?\"\nstring 7 \"%s\"\ndialog 151 0 0 332 218 WS_POPUP \"W\" 8 \"F\"\nend\n",
                      s, error))
        << error;
    std::string src = rescomp::emit_source(s, "hh_test_rsc", "test.rsc");
    for (const char* want : {".incbin", "hh_test_rsc_0_end - hh_test_rsc_0));", "hh_test_rsc_1_end - hh_test_rsc_1) + 1);",
                             ".byte 0", "add_resource(101, 1, bytes(std::string(\"a\\077\", 2), 3));",
                             "add_string(7, std::string(\"%s\", 2));", "add_dialog(151, std::move(d));"})
        EXPECT_NE(src.find(want), std::string::npos) << want;
}

TEST_F(Scripts, LiteralsKeepEveryByte)
{
    struct Case
    {
        std::string bytes;
        std::string literal;
    };
    const Case cases[] = {
        {"plain", "std::string(\"plain\", 5)"},
        {std::string("a\0b", 3), "std::string(\"a\\000b\", 3)"},
        {"\"\\", "std::string(\"\\\"\\\\\", 2)"},
        {"?\?=", "std::string(\"\\077\\077=\", 3)"},
        {"\xff\n", "std::string(\"\\377\\012\", 2)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rescomp::literal(c.bytes), c.literal);
}

} // namespace
