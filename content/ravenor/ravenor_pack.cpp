// ravenor_pack.cpp -- packs files into a "demo.bin" archive, or lists one
//
//   ravenor_pack pack OUT FILE...   entry names are the files' own names, lower-cased
//   ravenor_pack list ARCHIVE       one line per entry: offset, size, name
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "content/ravenor/archive_writer.h"

namespace {

bool ReadHostFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int Usage()
{
    std::fprintf(stderr, "usage: ravenor_pack pack OUT FILE...\n       ravenor_pack list ARCHIVE\n");
    return 2;
}

int Pack(const std::string& outPath, int count, char** files)
{
    ravenor_content::ArchiveWriter writer;
    for (int i = 0; i < count; ++i)
    {
        std::vector<uint8_t> bytes;
        if (!ReadHostFile(files[i], bytes))
        {
            std::fprintf(stderr, "ravenor_pack: cannot read %s\n", files[i]);
            return 1;
        }
        writer.Add(ravenor_content::LowerName(std::filesystem::path(files[i]).filename().string()), std::move(bytes));
    }
    std::string error;
    if (!writer.Check(error))
    {
        std::fprintf(stderr, "ravenor_pack: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> image = writer.Build();
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out)
    {
        std::fprintf(stderr, "ravenor_pack: cannot write %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}

int List(const std::string& path)
{
    std::vector<uint8_t> image;
    std::vector<ravenor_content::ArchiveListing> entries;
    if (!ReadHostFile(path, image) || !ravenor_content::ListArchive(image, entries))
    {
        std::fprintf(stderr, "ravenor_pack: %s is not an archive\n", path.c_str());
        return 1;
    }
    for (const auto& e : entries)
        std::printf("%10u %10u %s\n", e.offset, e.size, e.name.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "pack")
        return Pack(argv[2], argc - 3, argv + 3);
    if (argc == 3 && std::string(argv[1]) == "list")
        return List(argv[2]);
    return Usage();
}
