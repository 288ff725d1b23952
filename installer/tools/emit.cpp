// emit.cpp -- writing the registration source of a resource script
#include "installer/tools/emit.h"

#include <cstdio>
#include <sstream>

namespace rescomp {
namespace {

std::string hex(DWORD value)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08X", unsigned(value));
    return buf;
}

std::string assembler_path(const std::string& path)
{
    std::string out;
    for (char c : path)
    {
        if (c == '"' || c == '\\')
            out += "\\\\\\";
        out += c;
    }
    return out;
}

void emit_files(std::ostringstream& s, const Script& script, const std::string& prefix)
{
    int n = 0;
    for (const DataItem& d : script.data)
    {
        if (!d.from_file)
            continue;
        std::string sym = prefix + "_" + std::to_string(n++);
        s << "__asm__(\".pushsection .rodata\\n.balign 16\\n.globl " << sym << "\\n.hidden " << sym << "\\n"
          << sym << ":\\n.incbin \\\"" << assembler_path(d.file) << "\\\"\\n.globl " << sym << "_end\\n.hidden "
          << sym << "_end\\n" << sym << "_end:\\n" << (d.terminated ? ".byte 0\\n" : "")
          << ".popsection\\n\");\n";
        s << "extern \"C\" const uint8_t " << sym << "[];\n";
        s << "extern \"C\" const uint8_t " << sym << "_end[];\n";
    }
}

void emit_data(std::ostringstream& s, const Script& script, const std::string& prefix)
{
    int n = 0;
    for (const DataItem& d : script.data)
    {
        if (d.from_file)
        {
            std::string sym = prefix + "_" + std::to_string(n++);
            s << "    os::desktop::add_resource(" << d.type << ", " << d.id << ", " << sym << ", size_t(" << sym
              << "_end - " << sym << ")" << (d.terminated ? " + 1" : "") << ");\n";
        }
        else
        {
            s << "    os::desktop::add_resource(" << d.type << ", " << d.id << ", bytes(" << literal(d.text) << ", "
              << d.text.size() + 1 << "));\n";
        }
    }
}

void emit_dialog(std::ostringstream& s, const DialogItem& item)
{
    const os::desktop::DialogTemplate& d = item.dialog;
    s << "    {\n        os::desktop::DialogTemplate d;\n";
    s << "        d.style = " << hex(d.style) << ";\n";
    s << "        d.caption = " << literal(d.caption) << ";\n";
    s << "        d.font_face = " << literal(d.font_face) << ";\n";
    s << "        d.point_size = " << d.point_size << ";\n";
    s << "        d.x = " << d.x << "; d.y = " << d.y << "; d.cx = " << d.cx << "; d.cy = " << d.cy << ";\n";
    for (const os::desktop::DialogItem& c : d.items)
    {
        s << "        d.items.push_back({" << literal(c.class_name) << ", " << literal(c.text) << ", " << c.id << ", "
          << hex(c.style) << ", 0, " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy << "});\n";
    }
    s << "        os::desktop::add_dialog(" << item.id << ", std::move(d));\n    }\n";
}

} // namespace

std::string literal(const std::string& bytes)
{
    std::string out = "std::string(\"";
    for (unsigned char c : bytes)
    {
        if (c == '"' || c == '\\')
            out += std::string("\\") + char(c);
        else if (c >= 0x20 && c < 0x7F && c != '?')
            out += char(c);
        else
        {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\%03o", c);
            out += buf;
        }
    }
    return out + "\", " + std::to_string(bytes.size()) + ")";
}

std::string emit_source(const Script& script, const std::string& prefix, const std::string& origin)
{
    std::ostringstream s;
    s << "// Resources of " << origin << ", written by rescomp: edit the script, not this file.\n";
    s << "#include <os/desktop.h>\n\n#include <cstdint>\n#include <string>\n#include <vector>\n\n";
    emit_files(s, script, prefix);
    s << "\nnamespace {\n\n";
    s << "std::vector<uint8_t> bytes(const std::string& text, size_t size)\n{\n"
         "    std::vector<uint8_t> out(text.begin(), text.end());\n    out.resize(size);\n    return out;\n}\n\n";
    s << "bool register_resources()\n{\n";
    emit_data(s, script, prefix);
    for (const StringItem& str : script.strings)
        s << "    os::desktop::add_string(" << str.id << ", " << literal(str.text) << ");\n";
    for (const DialogItem& d : script.dialogs)
        emit_dialog(s, d);
    s << "    return true;\n}\n\n";
    s << "[[maybe_unused]] const bool g_registered = register_resources();\n\n} // namespace\n";
    return s.str();
}

} // namespace rescomp
