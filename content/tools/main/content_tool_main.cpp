// content_tool_main.cpp -- the content tool's command line
#include "content/tools/tool_commands.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::string errors;
    int status = content_tool::runTool(content_tool::Args(argv + 1, argv + argc), errors);
    std::cerr << errors;
    return status;
}
