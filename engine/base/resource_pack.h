// resource_pack.h -- one zip archive mounted on a folder
//
// A pack answers for the paths below its mount folder: the member
// "dir/a.png" of a pack mounted on "..\resources\scenes" stands for
// "..\resources\scenes\dir\a.png". Member names are matched without regard
// to case. Extraction writes a member out to a plain file.
#pragma once

#include <os/types.h>

#include <minizip/unzip.h>

// Status of an extraction whose output file could not be written.
constexpr int kExtractWriteFailed = -1;
// Status when the copy buffer could not be allocated.
constexpr int kExtractNoMemory = -104;

class ResourcePack
{
public:
    // Opens folder + name; isOpen() tells whether the archive opened.
    ResourcePack(const WCHAR* name, const WCHAR* folder);
    ~ResourcePack();
    ResourcePack(const ResourcePack&) = delete;
    ResourcePack& operator=(const ResourcePack&) = delete;

    bool isOpen() const { return zip != nullptr; }
    // Program-wide: members are matched by name without regard to case
    // (the default) or, for the racing build, with case (a name that
    // differs from the member's in case is not found there).
    static void setCaseExactMembers(bool exact);
    const WCHAR* getName() const { return name; }
    // '/'-separated with a trailing '/' (empty for the current folder).
    const WCHAR* getMountFolder() const { return mountFolder; }

    // Makes the member (matched without regard to case) the current one:
    // UNZ_OK, or UNZ_END_OF_LIST_OF_FILE when the pack has no such member.
    int locate(const WCHAR* member);
    // Copies the current member into the file at outputPath (device path);
    // the zip library's status, kExtractWriteFailed or kExtractNoMemory.
    // A member that is neither stored nor deflated, or is encrypted, gives
    // UNZ_BADZIPFILE; one whose bytes do not match its declared size and CRC
    // gives UNZ_CRCERROR. The copy is written under a temporary name and
    // renamed when whole and checked, so a failed (or killed) copy never
    // leaves a short file under outputPath, and a file that had the name
    // stays as it was.
    int extractCurrentTo(const WCHAR* outputPath);

private:
    unzFile zip = nullptr;
    WCHAR* name = nullptr;
    WCHAR* mountFolder = nullptr;
    WCHAR* archivePath = nullptr;
};

// Extracts member into folder (ending in '/'); without keepPaths every '/' of
// the member becomes '_'. The status as ResourcePack::extractCurrentTo, or
// the locate status when the member is missing.
int extractPackMember(ResourcePack* pack, const WCHAR* member, const WCHAR* folder, bool keepPaths);

// The mount folder form of a folder: "\.." collapsed, '\' -> '/', a trailing
// '/' unless empty. A new text (delete[]).
WCHAR* makeMountFolder(const WCHAR* folder);
