// package_check.h -- what the stand-in application manager checks in the
// package it is handed: the application-manager file and its cabinet
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace appmgr {

struct IniFile
{
    std::string version;
    std::string component;
    std::string description;
    std::string icon_file;
    std::string cab_files;
};

// Reads an application-manager file: a "[CEAppManager]" section with
// "Version" and "Component", and the component's section with
// "Description", "IconFile" and "CabFiles" ("key = value", blanks around '='
// ignored, CR LF or LF). False with `error` when a part is missing.
bool parse_ini(const std::string& text, IniFile& out, std::string& error);

// Reads a Microsoft cabinet's header and file list. False with `error`
// when it is not one, its stated size differs from the data, or a file
// record runs past the end.
bool list_cabinet(const std::vector<uint8_t>& data, std::vector<std::string>& names, std::string& error);

// The path inside the first pair of double quotes of a command line (or the
// whole line, trimmed, without quotes).
std::string quoted_argument(const std::string& command_line);

} // namespace appmgr
