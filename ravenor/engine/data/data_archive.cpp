// data_archive.cpp -- the archive singleton: directory, current entry, reads and seeks
#include "ravenor/engine/data/data_archive.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ravenor/engine/core/bytes.h"

namespace {

struct ArchiveState
{
    std::unique_ptr<ArchiveStream> stream;
    bool opened = false;
    ArchiveDirectory directory;
    const ArchiveEntry* current = nullptr;
    uint32_t position = 0;   // absolute file offset, inside the current entry
    std::u16string folder;
    void (*fatal)(const char* message) = nullptr;
};

ArchiveState& State()
{
    static ArchiveState state;
    return state;
}

void Fatal(const std::string& message)
{
    ArchiveState& s = State();
    if (s.fatal)
    {
        s.fatal(message.c_str());
        return;
    }
    std::fprintf(stderr, "Ravenor: %s\n", message.c_str());
    std::exit(0);
}

void ReportMissing(const char* name)
{
    std::fprintf(stderr, "Ravenor: archive entry \"%.*s\" is missing\n", 259, name ? name : "(none)");
}

uint32_t EntryEnd(const ArchiveEntry& e)
{
    return e.offset + e.size;
}

} // namespace

char* StrToLower(char* text)
{
    for (char* p = text; *p; ++p)
    {
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p - 'A' + 'a');
    }
    return text;
}

bool ReadArchiveDirectory(ArchiveStream& stream, ArchiveDirectory& directory, std::string& error)
{
    directory.count = 0;
    const uint64_t fileSize = stream.Size();
    uint8_t header[12];
    if (fileSize < sizeof header || !stream.SetPosition(0) || stream.Read(header, sizeof header) != sizeof header)
    {
        error = "the archive is too short for its header";
        return false;
    }
    const uint32_t directoryOffset = GetU32(header + 4);
    const uint32_t count = GetU32(header + 8) / kArchiveEntryBytes;
    if (count > static_cast<uint32_t>(kArchiveMaxEntries))
    {
        error = "the archive has " + std::to_string(count) + " entries, more than 200";
        return false;
    }
    if (directoryOffset + uint64_t{count} * kArchiveEntryBytes > fileSize)
    {
        error = "the archive's directory runs past the end of the file";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i)
    {
        uint8_t raw[kArchiveEntryBytes];
        if (!stream.SetPosition(directoryOffset + i * kArchiveEntryBytes) || stream.Read(raw, sizeof raw) != sizeof raw)
        {
            error = "the archive's directory cannot be read";
            return false;
        }
        ArchiveEntry& e = directory.entries[i];
        std::memcpy(e.name, raw, sizeof e.name);
        e.offset = GetU32(raw + 56);
        e.size = GetU32(raw + 60);
        if (uint64_t{e.offset} + e.size > fileSize)
        {
            error = "archive entry " + std::to_string(i) + " lies outside the file";
            return false;
        }
    }
    directory.count = static_cast<int32_t>(count);
    return true;
}

void DataArchive::Open()
{
    ArchiveState& s = State();
    if (s.opened)
        return;
    std::u16string path = s.folder + u"demo.bin";
    std::unique_ptr<ArchiveStream> stream = OpenDeviceFile(path.c_str());
    if (!stream)
    {
        std::string narrow;
        for (char16_t c : path)
            narrow += c < 0x100 ? static_cast<char>(c) : '?';
        Fatal("cannot open the data archive " + narrow);
        return;
    }
    std::string error;
    if (!Attach(std::move(stream), &error))
        Fatal(error);
}

bool DataArchive::Attach(std::unique_ptr<ArchiveStream> stream, std::string* error)
{
    ArchiveState& s = State();
    s.opened = false;
    s.current = nullptr;
    s.stream.reset();
    std::string reason;
    if (!stream || !ReadArchiveDirectory(*stream, s.directory, reason))
    {
        if (error)
            *error = stream ? reason : "no archive";
        return false;
    }
    s.stream = std::move(stream);
    s.opened = true;
    return true;
}

void DataArchive::Reset()
{
    ArchiveState& s = State();
    s.stream.reset();
    s.opened = false;
    s.current = nullptr;
    s.position = 0;
    s.directory.count = 0;
}

bool DataArchive::IsOpened()
{
    return State().opened;
}

const ArchiveDirectory& DataArchive::Directory()
{
    return State().directory;
}

void DataArchive::SetFatalHandler(void (*handler)(const char* message))
{
    State().fatal = handler;
}

void DataArchive::SetFolder(const WCHAR* folder)
{
    State().folder = folder ? folder : u"";
}

const ArchiveEntry* DataArchive::FindEntry(const char* lowerName)
{
    ArchiveState& s = State();
    if (!lowerName)
        return nullptr;
    for (int32_t i = 0; i < s.directory.count; ++i)
    {
        const ArchiveEntry& e = s.directory.entries[i];
        if (std::memchr(e.name, 0, sizeof e.name) && std::strcmp(e.name, lowerName) == 0)
            return &e;
    }
    return nullptr;
}

int DataArchive::OpenFile(const char* name)
{
    ArchiveState& s = State();
    if (!s.opened)
        Open();
    s.current = nullptr;
    if (!s.opened)
        return 0;

    // Names hold at most 55 characters; a longer request can never match
    char lower[260];
    size_t length = name ? strnlen(name, sizeof lower) : sizeof lower;
    if (length >= sizeof(ArchiveEntry::name))
    {
        ReportMissing(name);
        return 0;
    }
    std::memcpy(lower, name, length + 1);
    StrToLower(lower);

    const ArchiveEntry* e = FindEntry(lower);
    if (!e)
    {
        ReportMissing(name);
        return 0;
    }
    s.current = e;
    s.position = e->offset;
    return 1;
}

int DataArchive::OpenFile(const WCHAR* name)
{
    char narrow[260];
    size_t n = 0;
    for (; name && name[n] && n + 1 < sizeof narrow; ++n)
    {
        // A character beyond Latin-1 can be in no entry's name
        narrow[n] = name[n] < 0x100 ? static_cast<char>(name[n]) : '\x01';
    }
    narrow[n] = 0;
    return OpenFile(name ? narrow : nullptr);
}

bool DataArchive::Read(void* destination, size_t elementSize, size_t count)
{
    ArchiveState& s = State();
    if (elementSize != 0 && count > SIZE_MAX / elementSize)
        return false;
    const size_t total = elementSize * count;
    auto* out = static_cast<uint8_t*>(destination);
    if (!s.current || !s.stream)
    {
        if (total)
            std::memset(out, 0, total);
        return false;
    }
    const uint32_t available = EntryEnd(*s.current) - s.position;
    const uint32_t wanted = static_cast<uint32_t>(std::min<size_t>(total, available));
    uint32_t got = 0;
    if (wanted > 0 && s.stream->SetPosition(s.position))
        got = s.stream->Read(out, wanted);
    s.position += got;
    if (got < total)
    {
        std::memset(out + got, 0, total - got);
        return false;
    }
    return true;
}

int DataArchive::Seek(int32_t offset, int origin)
{
    ArchiveState& s = State();
    if (!s.current)
        return 0;
    const int64_t start = s.current->offset;
    const int64_t end = EntryEnd(*s.current);
    int64_t base;
    switch (origin)
    {
    case 0:
        base = start;
        break;
    case 1:
        base = s.position;
        break;
    case 2:
        base = end;
        break;
    default:
        return 1;
    }
    s.position = static_cast<uint32_t>(std::clamp<int64_t>(base + offset, start, end));
    return 1;
}

uint32_t DataArchive::GetFileSize()
{
    const ArchiveEntry* e = State().current;
    return e ? e->size : 0;
}

int DataArchive::CloseFile()
{
    State().current = nullptr;
    return 1;
}

bool ReadWholeEntry(const char* name, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (!DataArchive::OpenFile(name))
        return false;
    bytes.assign(DataArchive::GetFileSize(), 0);
    bool complete = DataArchive::Read(bytes.data(), 1, bytes.size());
    DataArchive::CloseFile();
    return complete;
}
