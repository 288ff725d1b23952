// file.cpp -- file handles, names and folders over the host's file system
#include "os/kernel/file_private.h"
#include "os/base/warn.h"

#include "os/kernel/handle.h"
#include "os/kernel/path.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace os::file {

namespace {

class FileObject : public KernelObject
{
public:
    FileObject(int fd, DWORD access) : fd(fd), access(access) {}
    ~FileObject() override { ::close(fd); }
    ObjectType type() const override { return ObjectType::File; }

    const int fd;
    const DWORD access;
};

std::shared_ptr<FileObject> file_of(HANDLE handle)
{
    return handle_get_as<FileObject>(handle, ObjectType::File);
}

// The file behind a handle opened with the given access; nullptr with the
// last error set otherwise.
std::shared_ptr<FileObject> file_with(HANDLE handle, DWORD access)
{
    auto file = file_of(handle);
    if (file && !(file->access & access))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

// The file for a ReadFile or WriteFile call after its arguments are checked;
// the count of bytes moved starts at 0.
std::shared_ptr<FileObject> file_for_transfer(HANDLE handle, const void* buffer, DWORD size, OVERLAPPED* overlapped,
                                              DWORD access, LPDWORD done)
{
    if (done)
        *done = 0;
    if (!file_of(handle))
        return nullptr;
    if ((!buffer && size) || overlapped)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return file_with(handle, access);
}

bool folder_exists(const std::string& host_path)
{
    size_t slash = host_path.rfind('/');
    std::string parent = slash == std::string::npos || slash == 0 ? "/" : host_path.substr(0, slash);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool stat_or_error(const std::string& host_path, struct stat* st)
{
    if (stat(host_path.c_str(), st) == 0)
        return true;
    set_error_from_errno(errno, host_path);
    return false;
}

bool is_read_only(const struct stat& st)
{
    return !S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

// open(2) flags for a creation disposition; -1 when the value is unknown.
int open_flags(DWORD disposition)
{
    switch (disposition)
    {
    case CREATE_NEW:
        return O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return 0;
    case OPEN_ALWAYS:
        return O_CREAT;
    case TRUNCATE_EXISTING:
        return O_TRUNC;
    default:
        return -1;
    }
}

// Refusals the host would not make (it runs as any user, perhaps root):
// folders cannot be opened as files, read-only files not for writing.
bool refused(const std::string& host, DWORD access, DWORD disposition, bool* existed)
{
    struct stat st;
    *existed = stat(host.c_str(), &st) == 0;
    if (!*existed)
        return false;
    bool writes = (access & GENERIC_WRITE) || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (S_ISDIR(st.st_mode) || (writes && is_read_only(st)))
    {
        SetLastError(disposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
        return true;
    }
    return false;
}

HANDLE open_file(const std::string& host, DWORD access, DWORD disposition)
{
    int flags = open_flags(disposition);
    bool existed = false;
    if (refused(host, access, disposition, &existed))
        return INVALID_HANDLE_VALUE;
    bool reads = access & GENERIC_READ;
    bool writes = (access & GENERIC_WRITE) || (flags & O_TRUNC);
    flags |= O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
    int fd = ::open(host.c_str(), flags, 0666);
    if (fd < 0)
    {
        set_error_from_errno(errno, host);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = handle_insert(std::make_shared<FileObject>(fd, access));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    bool reports_existing = disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS;
    SetLastError(reports_existing && existed ? ERROR_ALREADY_EXISTS : NO_ERROR);
    return handle;
}

bool copy_contents(const std::string& from, const std::string& to, mode_t mode)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
    {
        set_error_from_errno(errno, from);
        return false;
    }
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode | S_IWUSR);
    if (out < 0)
    {
        set_error_from_errno(errno, to);
        ::close(in);
        return false;
    }
    char buffer[65536];
    size_t got = 0;
    size_t put = 0;
    bool ok = true;
    while (ok && read_all(in, buffer, sizeof buffer, &got) && got > 0)
        ok = write_all(out, buffer, got, &put);
    int error = errno;
    if (ok && fchmod(out, mode) != 0)
        error = errno; // the read-only bit follows the source; failing that is harmless
    ::close(in);
    ok = ::close(out) == 0 && ok;
    if (!ok)
        set_error_from_errno(error, to);
    return ok;
}

} // namespace

bool read_all(int fd, char* buffer, size_t size, size_t* done)
{
    *done = 0;
    while (*done < size)
    {
        ssize_t n = ::read(fd, buffer + *done, size - *done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        *done += size_t(n);
    }
    return true;
}

bool write_all(int fd, const char* buffer, size_t size, size_t* done)
{
    *done = 0;
    while (*done < size)
    {
        ssize_t n = ::write(fd, buffer + *done, size - *done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        *done += size_t(n);
    }
    return true;
}

void set_error_from_errno(int error, const std::string& host_path)
{
    switch (error)
    {
    case ENOENT:
        SetLastError(folder_exists(host_path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        break;
    case ENOTDIR:
        SetLastError(ERROR_PATH_NOT_FOUND);
        break;
    case EEXIST:
        SetLastError(ERROR_FILE_EXISTS);
        break;
    case ENOTEMPTY:
        SetLastError(ERROR_DIR_NOT_EMPTY);
        break;
    case ENOSPC:
    case EDQUOT:
        SetLastError(ERROR_DISK_FULL);
        break;
    case ENAMETOOLONG:
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        break;
    case EMFILE:
    case ENFILE:
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        break;
    case EROFS:
        SetLastError(ERROR_WRITE_PROTECT);
        break;
    default:
        SetLastError(ERROR_ACCESS_DENIED);
        break;
    }
}

DWORD attributes_of(const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return is_read_only(st) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

FILETIME filetime_of(const struct timespec& time)
{
    // 1601-01-01 to 1970-01-01 is 11644473600 seconds.
    uint64_t ticks = (uint64_t(time.tv_sec) + 11644473600ull) * 10000000ull + uint64_t(time.tv_nsec) / 100;
    return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

std::string host_path_of(LPCWSTR path)
{
    if (!path)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    if (!*path)
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    return path::to_host(path);
}

} // namespace os::file

using namespace os::file;

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    if (share != (FILE_SHARE_READ | FILE_SHARE_WRITE))
        os::warn_once("kernel", "CreateFileW sharing modes are accepted, not enforced");
    std::string host = host_path_of(path);
    if (host.empty())
        return INVALID_HANDLE_VALUE;
    if (open_flags(disposition) < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return open_file(host, access, disposition);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD read, OVERLAPPED* overlapped)
{
    auto file = file_for_transfer(handle, buffer, size, overlapped, GENERIC_READ, read);
    if (!file)
        return FALSE;
    size_t done = 0;
    bool ok = read_all(file->fd, static_cast<char*>(buffer), size, &done);
    if (read)
        *read = DWORD(done);
    if (!ok)
        SetLastError(ERROR_READ_FAULT);
    return ok;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD size, LPDWORD written, OVERLAPPED* overlapped)
{
    auto file = file_for_transfer(handle, buffer, size, overlapped, GENERIC_WRITE, written);
    if (!file)
        return FALSE;
    size_t done = 0;
    bool ok = write_all(file->fd, static_cast<const char*>(buffer), size, &done);
    if (written)
        *written = DWORD(done);
    if (!ok)
        SetLastError(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    return ok;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distance_high, DWORD method)
{
    auto file = file_of(handle);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    int64_t move = distance_high ? int64_t((uint64_t(uint32_t(*distance_high)) << 32) | uint32_t(distance)) : distance;
    off_t base = method > FILE_END ? -1 : method == FILE_BEGIN ? 0 : lseek(file->fd, 0, kWhence[method]);
    if (base < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base + move < 0)
    {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->fd, move, kWhence[method]);
    if (distance_high)
        *distance_high = LONG(uint64_t(position) >> 32);
    SetLastError(NO_ERROR);
    return DWORD(uint64_t(position));
}

DWORD GetFileSize(HANDLE handle, LPDWORD size_high)
{
    auto file = file_of(handle);
    struct stat st;
    if (!file)
        return INVALID_FILE_SIZE;
    if (fstat(file->fd, &st) != 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_FILE_SIZE;
    }
    if (size_high)
        *size_high = DWORD(uint64_t(st.st_size) >> 32);
    SetLastError(NO_ERROR);
    return DWORD(uint64_t(st.st_size));
}

BOOL SetEndOfFile(HANDLE handle)
{
    auto file = file_with(handle, GENERIC_WRITE);
    if (!file)
        return FALSE;
    off_t position = lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->fd, position) != 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle)
{
    auto file = file_with(handle, GENERIC_WRITE);
    if (!file)
        return FALSE;
    if (fsync(file->fd) != 0 && errno != EINVAL)
    {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path)
{
    std::string host = host_path_of(path);
    struct stat st;
    if (host.empty() || !stat_or_error(host, &st))
        return FALSE;
    if (S_ISDIR(st.st_mode) || is_read_only(st))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(host.c_str()) != 0)
    {
        set_error_from_errno(errno, host);
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to)
{
    std::string source = host_path_of(from);
    std::string target = source.empty() ? source : host_path_of(to);
    struct stat st;
    if (target.empty() || !stat_or_error(source, &st))
        return FALSE;
    if (lstat(target.c_str(), &st) == 0 && source != target)
    {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (rename(source.c_str(), target.c_str()) != 0)
    {
        set_error_from_errno(errno, target);
        return FALSE;
    }
    return TRUE;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists)
{
    std::string source = host_path_of(from);
    std::string target = source.empty() ? source : host_path_of(to);
    struct stat st;
    struct stat existing;
    if (target.empty() || !stat_or_error(source, &st))
        return FALSE;
    bool target_exists = stat(target.c_str(), &existing) == 0;
    if (S_ISDIR(st.st_mode) || (target_exists && (is_read_only(existing) || S_ISDIR(existing.st_mode))))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (target_exists && (fail_if_exists || (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino)))
    {
        SetLastError(fail_if_exists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return copy_contents(source, target, st.st_mode & 0777);
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES)
{
    std::string host = host_path_of(path);
    if (host.empty())
        return FALSE;
    if (mkdir(host.c_str(), 0777) != 0)
    {
        int error = errno;
        set_error_from_errno(error, host);
        if (error == EEXIST)
            SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path)
{
    std::string host = host_path_of(path);
    struct stat st;
    if (host.empty() || !stat_or_error(host, &st))
        return FALSE;
    if (!S_ISDIR(st.st_mode))
    {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (host == os::path::device_root() || rmdir(host.c_str()) != 0)
    {
        set_error_from_errno(host == os::path::device_root() ? EACCES : errno, host);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path)
{
    std::string host = host_path_of(path);
    struct stat st;
    if (host.empty() || !stat_or_error(host, &st))
        return INVALID_FILE_ATTRIBUTES;
    return attributes_of(st);
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes)
{
    std::string host = host_path_of(path);
    struct stat st;
    if (host.empty() || !stat_or_error(host, &st))
        return FALSE;
    if (S_ISDIR(st.st_mode))
        return TRUE; // a folder's read-only bit means nothing on the device either
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~mode_t(0222) : mode | S_IWUSR;
    if (chmod(host.c_str(), mode) != 0)
    {
        set_error_from_errno(errno, host);
        return FALSE;
    }
    return TRUE;
}
