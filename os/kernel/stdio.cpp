// stdio.cpp -- the wide stdio calls over host FILE streams, and atomic saves
#include "os/kernel/file_private.h"

#include "os/kernel/path.h"

#include <os/wstring.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// A mode string for the host's fopen: the device's "t" and ",ccs=..." parts
// have no host meaning and are dropped.
std::string host_mode(const WCHAR* mode)
{
    std::string out;
    for (; *mode && *mode != u','; mode++)
    {
        if (*mode != u't')
            out += char(*mode < 0x80 ? *mode : '?');
    }
    return out;
}

bool writes(const std::string& mode)
{
    return mode.find_first_of("wa+") != std::string::npos;
}

bool read_only_file(const std::string& host)
{
    struct stat st;
    return stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

} // namespace

FILE* _wfopen(const WCHAR* path, const WCHAR* mode)
{
    if (!path || !mode || !*path)
    {
        errno = EINVAL;
        return nullptr;
    }
    std::string host = os::path::to_host(path);
    std::string narrow = host_mode(mode);
    if (writes(narrow) && read_only_file(host))
    {
        errno = EACCES;
        return nullptr;
    }
    return std::fopen(host.c_str(), narrow.c_str());
}

int _wremove(const WCHAR* path)
{
    if (!path)
    {
        errno = EINVAL;
        return -1;
    }
    return std::remove(os::path::to_host(path).c_str());
}

int _wrename(const WCHAR* from, const WCHAR* to)
{
    if (!from || !to)
    {
        errno = EINVAL;
        return -1;
    }
    std::string source = os::path::to_host(from);
    std::string target = os::path::to_host(to);
    struct stat st;
    if (source != target && lstat(target.c_str(), &st) == 0)
    {
        errno = EACCES; // the device never replaces an existing name
        return -1;
    }
    return std::rename(source.c_str(), target.c_str());
}

WCHAR* fgetws(WCHAR* buf, int count, FILE* file)
{
    if (!buf || count <= 0 || !file)
        return nullptr;
    int n = 0;
    bool consumed = false;
    while (n < count - 1)
    {
        int c = std::getc(file);
        if (c == EOF)
            break;
        consumed = true;
        if (c == '\r')
        {
            int next = std::getc(file);
            if (next == '\n' || next == EOF)
                c = next; // CRLF reads as LF; a CR ending the file vanishes
            else
                std::ungetc(next, file);
            if (c == EOF)
                break;
        }
        buf[n++] = WCHAR(static_cast<unsigned char>(c));
        if (c == '\n')
            break;
    }
    buf[n] = 0;
    return consumed || count == 1 ? buf : nullptr;
}

int fputws(const WCHAR* text, FILE* file)
{
    if (!text || !file)
        return EOF;
    std::string narrow = os::to_latin1(text);
    return std::fwrite(narrow.data(), 1, narrow.size(), file) == narrow.size() ? 0 : EOF;
}

int fwprintf(FILE* file, const WCHAR* fmt, ...)
{
    if (!file || !fmt)
        return -1;
    va_list args;
    va_start(args, fmt);
    std::string narrow = os::to_latin1(os::vformat(fmt, args));
    va_end(args);
    return std::fwrite(narrow.data(), 1, narrow.size(), file) == narrow.size() ? int(narrow.size()) : -1;
}

namespace os {

bool write_file_atomic(const std::u16string& device_path, const void* data, size_t size)
{
    return write_file_atomic(os::path::to_host(device_path), data, size);
}

bool write_file_atomic(const std::string& host_path, const void* data, size_t size)
{
    static std::atomic<unsigned> serial{0};
    std::string temp = host_path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = file::write_all(fd, static_cast<const char*>(data), size, &done) && fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), host_path.c_str()) == 0;
    if (!ok)
    {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable: flush the folder that holds the name.
    size_t slash = host_path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : host_path.substr(0, slash);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0)
    {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

std::u16string set_aside_damaged_file(const std::u16string& device_path)
{
    std::string host = os::path::to_host(device_path);
    struct stat st;
    if (host.empty() || lstat(host.c_str(), &st) != 0)
        return {};
    for (int n = 1; n < 1000; n++)
    {
        std::u16string suffix = n == 1 ? std::u16string(u".damaged") : u".damaged-" + os::to_u16(std::to_string(n));
        std::string target = host + os::to_latin1(suffix);
        if (lstat(target.c_str(), &st) == 0)
            continue;
        if (std::rename(host.c_str(), target.c_str()) != 0)
            return {};
        return device_path + suffix;
    }
    return {};
}

} // namespace os
