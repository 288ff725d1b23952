// archive_stream.h -- the bytes under the data archive: the device's file, or memory
//
// The archive reads through this small interface so that its directory and
// entry logic is the same over the real "demo.bin" and over an image built in
// memory (tests, fuzz targets).
#pragma once

#include <os/types.h>

#include <cstdint>
#include <memory>
#include <vector>

class ArchiveStream
{
public:
    virtual ~ArchiveStream() = default;
    // Size of the whole file in bytes
    virtual uint32_t Size() = 0;
    // Moves to an absolute offset; false when the move fails
    virtual bool SetPosition(uint32_t offset) = 0;
    // Reads up to count bytes at the position; answers the bytes read
    virtual uint32_t Read(void* destination, uint32_t count) = 0;
};

// A file image held in memory.
class MemoryStream : public ArchiveStream
{
public:
    explicit MemoryStream(std::vector<uint8_t> bytes);
    uint32_t Size() override;
    bool SetPosition(uint32_t offset) override;
    uint32_t Read(void* destination, uint32_t count) override;

private:
    std::vector<uint8_t> bytes_;
    uint32_t position_ = 0;
};

// Opens a file of the device for reading (generic read, no sharing, existing
// only) through the device's file calls; nullptr when it does not open.
std::unique_ptr<ArchiveStream> OpenDeviceFile(const WCHAR* path);
