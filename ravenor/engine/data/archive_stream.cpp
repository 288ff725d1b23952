// archive_stream.cpp -- memory and device-file streams of the data archive
#include "ravenor/engine/data/archive_stream.h"

#include <algorithm>
#include <cstring>

#include <os/types.h>
#if __has_include(<os/file.h>)
#include <os/file.h>
#include <os/sync.h>
#endif

MemoryStream::MemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
}

uint32_t MemoryStream::Size()
{
    return static_cast<uint32_t>(std::min<size_t>(bytes_.size(), UINT32_MAX));
}

bool MemoryStream::SetPosition(uint32_t offset)
{
    position_ = offset;
    return true;
}

uint32_t MemoryStream::Read(void* destination, uint32_t count)
{
    if (position_ >= Size())
        return 0;
    uint32_t n = std::min(count, Size() - position_);
    std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

#if __has_include(<os/file.h>)

namespace {

class DeviceFileStream : public ArchiveStream
{
public:
    explicit DeviceFileStream(HANDLE file) : file_(file)
    {
    }
    // The archive keeps its file for the life of the program; the handle is
    // closed only when a stream is thrown away (tests).
    ~DeviceFileStream() override
    {
        CloseHandle(file_);
    }

    uint32_t Size() override
    {
        DWORD size = ::GetFileSize(file_, nullptr);
        return size == 0xFFFFFFFFu ? 0 : size;
    }

    bool SetPosition(uint32_t offset) override
    {
        // Offsets of 2 GB and more are passed as their two 32-bit halves
        LONG high = 0;
        SetLastError(NO_ERROR);
        DWORD low = SetFilePointer(file_, static_cast<LONG>(offset), &high, FILE_BEGIN);
        return !(low == 0xFFFFFFFFu && GetLastError() != NO_ERROR);
    }

    uint32_t Read(void* destination, uint32_t count) override
    {
        DWORD got = 0;
        if (!ReadFile(file_, destination, count, &got, nullptr))
            return 0;
        return got;
    }

private:
    HANDLE file_;
};

} // namespace

std::unique_ptr<ArchiveStream> OpenDeviceFile(const WCHAR* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<DeviceFileStream>(file);
}

#else

// The platform's file calls have not joined the build yet.
std::unique_ptr<ArchiveStream> OpenDeviceFile(const WCHAR* path)
{
    (void)path;
    return nullptr;
}

#endif
