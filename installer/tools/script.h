// script.h -- the resource script of a desktop program and its reader
//
// One statement a line; '#' starts a comment outside quotes; texts are in
// double quotes with the escapes \" \\ \n \r \t and \xHH. Numbers are decimal
// or 0x hexadecimal; a style is names and numbers joined by '|'
// (WS_CHILD|WS_VISIBLE|0x20).
//
//   string ID "text"                       string-table entry
//   data TYPE ID file "path"               the bytes of a file
//   data TYPE ID textfile "path"           the bytes of a file and a NUL
//   data TYPE ID text "text"               the text and its NUL
//   dialog ID X Y CX CY STYLE "caption" POINTS "font face"
//     control ID CLASS X Y CX CY STYLE "text"
//   end
//
// Dialog coordinates are dialog units. A relative file path is looked up in
// the search folders in order.
#pragma once

#include <os/desktop.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rescomp {

struct DataItem
{
    int type = 0;
    int id = 0;
    bool from_file = false;
    bool terminated = false; // a NUL follows the file's bytes
    std::string file;        // resolved path when from_file
    std::string text; // the bytes otherwise (without the NUL)
};

struct StringItem
{
    unsigned id = 0;
    std::string text;
};

struct DialogItem
{
    int id = 0;
    os::desktop::DialogTemplate dialog;
};

struct Script
{
    std::vector<DataItem> data;
    std::vector<StringItem> strings;
    std::vector<DialogItem> dialogs;
};

// Reads a script's text. False with `error` ("line N: what") on the first
// fault. File names are resolved against `search` (a missing file is a fault).
bool parse_script(const std::string& text, const std::vector<std::string>& search, Script& out, std::string& error);

// The value of a style expression; false for an unknown name.
bool parse_style(const std::string& text, DWORD& out);

} // namespace rescomp
