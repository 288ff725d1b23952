// data_archive.h -- "demo.bin": the one read-only archive that holds all game data
//
// File format (little-endian 32-bit words):
//   0   first word, not interpreted
//   4   directory offset (absolute)
//   8   directory size in bytes; entries = size / 64, at most 200
//   directory: 64-byte entries { name[56] lower-case, NUL-terminated;
//                                data offset (absolute); data size }
//
// The archive is a process-wide singleton. It opens the file on the first
// OpenFile and keeps it open; exactly one entry at a time is current and is
// read like a file. Reads and seeks stay inside the current entry: a read
// that would pass the entry's end delivers the bytes up to it, zeroes the
// rest of the buffer and answers false.
//
// Failures:
//   - a missing archive, more than 200 entries, or a damaged archive (a short
//     header or directory, data outside the file) end the program with exit
//     code 0 after one line on standard error;
//   - a name that is not in the directory: one line on standard error,
//     OpenFile answers 0 and no entry is current; Read then answers false with
//     the buffer zeroed, Seek answers 0 and GetFileSize 0.
#pragma once

#include <os/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ravenor/engine/data/archive_stream.h"

// Lower-cases A..Z in place, up to the terminating NUL; answers the text.
char* StrToLower(char* text);

struct ArchiveEntry
{
    char name[56];        // as in the file; an entry without a NUL in it never matches
    uint32_t offset;      // absolute file offset of the first byte
    uint32_t size;        // bytes
};

constexpr int kArchiveMaxEntries = 200;
constexpr uint32_t kArchiveEntryBytes = 64;

// The directory of an archive file, read and checked.
struct ArchiveDirectory
{
    int32_t count = 0;
    ArchiveEntry entries[kArchiveMaxEntries];
};

// Reads header and directory from a stream. On a damaged file answers false
// with the reason in error.
bool ReadArchiveDirectory(ArchiveStream& stream, ArchiveDirectory& directory, std::string& error);

class DataArchive
{
public:
    // Opens program folder + "demo.bin" and reads its directory (first
    // OpenFile only). Ends the program on failure.
    static void Open();
    // Makes the named entry current (the name is lower-cased first) and moves
    // to its first byte. 1, or 0 when the entry does not exist.
    static int OpenFile(const char* name);
    // The same for a wide name (Latin-1, one byte per character)
    static int OpenFile(const WCHAR* name);
    // Linear search in directory order for an exact, case-sensitive match
    static const ArchiveEntry* FindEntry(const char* lowerName);
    // Reads elementSize * count bytes at the current position; true when all
    // of them were read
    static bool Read(void* destination, size_t elementSize, size_t count);
    // origin 0: from the entry's first byte; 1: from the position; 2: from the
    // entry's end. The position is kept inside the entry. Other origins do
    // nothing. 1, or 0 with no current entry.
    static int Seek(int32_t offset, int origin);
    // Data size of the current entry (0 with none)
    static uint32_t GetFileSize();
    // Forgets the current entry; the archive stays open
    static int CloseFile();

    // The program folder, ending with a separator, kept by the shell
    static void SetFolder(const WCHAR* folder);

    // Tests and tools: open over a given stream instead of the device file.
    // Answers false (with the reason) for a damaged archive, which leaves the
    // archive closed.
    static bool Attach(std::unique_ptr<ArchiveStream> stream, std::string* error = nullptr);
    // Tests: back to the closed state (the folder and the fatal handler stay)
    static void Reset();
    static bool IsOpened();
    static const ArchiveDirectory& Directory();
    // Tests: called instead of ending the program; if it returns, the archive
    // stays closed and OpenFile answers 0. nullptr restores the default.
    static void SetFatalHandler(void (*handler)(const char* message));
};

// For loaders: opens the named entry, reads all of it and closes it again;
// false when it is missing or cannot be read in full.
bool ReadWholeEntry(const char* name, std::vector<uint8_t>& bytes);
