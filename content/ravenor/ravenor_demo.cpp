// ravenor_demo.cpp -- writes the demo's "demo.bin" and "splash2.bmp" into a folder
//
//   ravenor_demo FOLDER
#include <cstdio>
#include <string>

#include "content/ravenor/demo_content.h"

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: ravenor_demo FOLDER\n");
        return 2;
    }
    std::string error;
    if (!ravenor_content::WriteDemoContent(argv[1], error))
    {
        std::fprintf(stderr, "ravenor_demo: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
