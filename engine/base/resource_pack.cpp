// resource_pack.cpp -- opening packs, finding and extracting members
#include "engine/base/resource_pack.h"

#include "engine/base/folder_utils.h"
#include "engine/base/pack_file_io.h"
#include "engine/base/wstring_utils.h"

#include "common/little_endian.h"

#include <os/file.h>
#include <os/wstring.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

WCHAR* makeMountFolder(const WCHAR* folder)
{
    std::u16string text = folder ? folder : u"";
    text.push_back(0);
    collapseParentDirs(text.data());
    text.resize(wcslen(text.data()));
    replaceChar(text.data(), u'\\', u'/');
    if (!text.empty() && text.back() != u'/')
        text.push_back(u'/');
    return copyText(text.c_str());
}

namespace {

constexpr uint8_t kZip64Locator[] = {0x50, 0x4b, 0x06, 0x07};

// Whether the records of the archive's central directory lie inside the
// file, as the zip library walks them: from its end record (the signature
// nearest the end of the file, fields cut off by the end read as zeros)
// over records that carry the directory signature, up to the count the end
// record gives. A record that runs past the end of the file sends the
// library reading beyond it, thousands of reads for every lookup of every
// file the program opens: such a pack is damaged and is not mounted. An
// archive with 64-bit fields is left to the library.
bool centralDirectoryFits(const WCHAR* path)
{
    FILE* file = _wfopen(path, u"rb");
    if (!file)
        return false;
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    const long start = std::max<long>(0, size - (0xFFFF + 22));
    std::vector<uint8_t> tail(size_t(std::max<long>(size - start, 0)));
    bool fits = size >= 0 && std::fseek(file, start, SEEK_SET) == 0 &&
                std::fread(tail.data(), 1, tail.size(), file) == tail.size();
    long at = long(tail.size()) - 4; // the end record's place in the tail
    while (fits && at >= 0 && readLE32(&tail[size_t(at)]) != 0x06054b50)
        --at;
    const bool wide = std::search(tail.begin(), tail.end(), std::begin(kZip64Locator), std::end(kZip64Locator)) !=
                      tail.end();
    if (fits && at >= 0 && !wide)
    {
        tail.resize(tail.size() + 22); // fields past the end read as zeros
        const uint8_t* end = &tail[size_t(at)];
        const uint32_t entries = readLE16(end + 10);
        const long endPos = start + at;
        const long first = endPos - long(readLE32(end + 12));
        std::vector<uint8_t> directory; // none where the library refuses the archive itself
        if (first >= 0 && entries != 0xFFFF)
        {
            directory.resize(size_t(size - first));
            fits = std::fseek(file, first, SEEK_SET) == 0 &&
                   std::fread(directory.data(), 1, directory.size(), file) == directory.size();
        }
        size_t pos = 0;
        for (uint32_t i = 0; fits && (entries == 0 || i < entries) && directory.size() - pos >= 4; ++i)
        {
            const uint8_t* record = &directory[pos];
            if (readLE32(record) != 0x02014b50)
                break; // the library stops at a record that is none
            const size_t left = directory.size() - pos;
            const size_t span = left < 46 ? left + 1
                                          : 46 + size_t(readLE16(record + 28)) + readLE16(record + 30) +
                                                readLE16(record + 32);
            fits = span <= left;
            pos += span;
        }
    }
    std::fclose(file);
    return fits;
}

} // namespace

ResourcePack::ResourcePack(const WCHAR* packName, const WCHAR* folder)
{
    WCHAR* mount = makeMountFolder(folder);
    std::u16string path = std::u16string(mount) + packName;
    WCHAR* pathCopy = copyText(path.c_str());
    zlib_filefunc_def funcs;
    fillPackFileFunctions(&funcs, pathCopy);
    zip = centralDirectoryFits(pathCopy) ? unzOpen2("pack", &funcs) : nullptr;
    if (!zip)
    {
        delete[] mount;
        delete[] pathCopy;
        return;
    }
    name = copyText(packName);
    mountFolder = mount;
    archivePath = pathCopy;
}

ResourcePack::~ResourcePack()
{
    if (zip)
        unzClose(zip);
    delete[] name;
    delete[] mountFolder;
    delete[] archivePath;
}

namespace {

bool g_caseExactMembers = false;

} // namespace

void ResourcePack::setCaseExactMembers(bool exact)
{
    g_caseExactMembers = exact;
}

int ResourcePack::locate(const WCHAR* member)
{
    if (!zip)
        return UNZ_PARAMERROR;
    char raw[512];
    WCHAR wide[512];
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip))
    {
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, raw, sizeof raw, nullptr, 0, nullptr, 0) != UNZ_OK)
            continue;
        raw[sizeof raw - 1] = 0;
        // Names are single-byte text; widened into a buffer of their own.
        if (MultiByteToWideChar(CP_ACP, 0, raw, -1, wide, 512) <= 0)
            continue;
        if ((g_caseExactMembers ? wcscmp(wide, member) : _wcsicmp(wide, member)) == 0)
            return UNZ_OK;
    }
    return UNZ_END_OF_LIST_OF_FILE;
}

int ResourcePack::extractCurrentTo(const WCHAR* outputPath)
{
    // Only stored and deflated members without encryption are read: the zip
    // library would hand back any other member's bytes as they are stored.
    unz_file_info info;
    int status = unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (status != UNZ_OK)
        return status;
    if ((info.compression_method != 0 && info.compression_method != Z_DEFLATED) || (info.flag & 1))
        return UNZ_BADZIPFILE;
    status = unzOpenCurrentFile(zip);
    if (status != UNZ_OK)
        return status;
    // The member is written under a temporary name and renamed when whole:
    // a kill mid-way never leaves a short file under the member's name.
    auto out = std::make_unique<os::AtomicFileWriter>(outputPath);
    if (!out->is_open())
    {
        // The folders up to the file's last '/' are made, then one more try.
        std::u16string folder = outputPath;
        size_t slash = folder.find_last_of(u"/\\");
        if (slash != std::u16string::npos)
        {
            folder.resize(slash + 1);
            createFolders(folder.c_str(), 0);
            out = std::make_unique<os::AtomicFileWriter>(outputPath);
        }
    }
    if (!out->is_open())
    {
        unzCloseCurrentFile(zip);
        return kExtractWriteFailed;
    }
    constexpr int kBlock = 8192;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBlock]);
    int result = buffer ? UNZ_OK : kExtractNoMemory;
    // The library checks the CRC only when the member yields every byte its
    // header declares; a stream that ends early would pass. Size and CRC are
    // checked here for every member.
    uLong crc = crc32(0, nullptr, 0);
    uLong written = 0;
    while (result == UNZ_OK)
    {
        int n = unzReadCurrentFile(zip, buffer.get(), kBlock);
        if (n < 0)
            result = n;
        else if (n == 0)
            break;
        else if (!out->write(buffer.get(), size_t(n)))
            result = kExtractWriteFailed;
        else
        {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.get()), uInt(n));
            written += uLong(n);
        }
    }
    if (result == UNZ_OK && (written != info.uncompressed_size || crc != info.crc))
        result = UNZ_CRCERROR;
    int closeStatus = unzCloseCurrentFile(zip);
    if (result == UNZ_OK)
        result = closeStatus;
    // Only a whole, checked member takes the name; otherwise the temporary
    // goes and whatever had the name stays as it was.
    if (result == UNZ_OK && !out->commit())
        result = kExtractWriteFailed;
    return result;
}

int extractPackMember(ResourcePack* pack, const WCHAR* member, const WCHAR* folder, bool keepPaths)
{
    int status = pack->locate(member);
    if (status != UNZ_OK)
        return status;
    std::u16string output = folder;
    std::u16string name = member;
    if (!keepPaths)
        replaceChar(name.data(), u'/', u'_');
    output += name;
    return pack->extractCurrentTo(output.c_str());
}
