// rescomp.cpp -- the resource compiler: resource script in, C++ source out
//
//   rescomp SCRIPT OUTPUT.cpp PREFIX [SEARCH-FOLDER...]
//
// The script's folder is searched after the folders given.
#include "installer/tools/emit.h"
#include "installer/tools/script.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::cerr << "usage: rescomp SCRIPT OUTPUT.cpp PREFIX [SEARCH-FOLDER...]\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in)
    {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> search(argv + 4, argv + argc);
    search.push_back(std::filesystem::path(argv[1]).parent_path().string());
    rescomp::Script script;
    std::string error;
    if (!rescomp::parse_script(text.str(), search, script, error))
    {
        std::cerr << argv[1] << ": " << error << "\n";
        return 1;
    }
    std::string source = rescomp::emit_source(script, argv[3], std::filesystem::path(argv[1]).filename().string());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << source;
    if (!out)
    {
        std::cerr << argv[2] << ": cannot write\n";
        return 1;
    }
    return 0;
}
