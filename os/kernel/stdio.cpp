// stdio.cpp -- the wide stdio calls over host FILE streams, and atomic saves
#include "os/kernel/file_private.h"

#include "os/kernel/path.h"
#include "os/kernel/process_private.h"

#include <os/wstring.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

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

namespace {

std::string temporary_name(const std::string& final_path)
{
    static std::atomic<unsigned> serial{0};
    return final_path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
}

// The writer's process id when `name` is one of their temporaries
// ("<name>.tmp-PID-N"), else 0.
pid_t temporary_owner(const std::string& name)
{
    size_t dash = name.rfind('-');
    size_t mark = name.rfind(".tmp-");
    if (dash == std::string::npos || mark == std::string::npos || mark == 0 || dash <= mark + 5 ||
        dash + 1 == name.size())
        return 0;
    auto digits = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; i++)
            if (name[i] < '0' || name[i] > '9')
                return false;
        return to - from <= 9;
    };
    if (!digits(mark + 5, dash) || !digits(dash + 1, name.size()))
        return 0;
    return pid_t(std::stol(name.substr(mark + 5, dash - mark - 5)));
}

bool process_gone(pid_t pid)
{
    return pid != getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// The process id a folder's name is, when it is a per-process temporary
// folder: a folder named after its process ("1234") in a folder whose name
// ends in ".tmp" (the resource packs' "\My Documents\Kalmir.tmp\1234\").
// Else 0.
pid_t temporary_folder_owner(const std::string& parent, const std::string& name)
{
    const size_t slash = parent.rfind('/');
    const std::string parent_name = slash == std::string::npos ? parent : parent.substr(slash + 1);
    if (parent_name.size() <= 4 || strcasecmp(parent_name.c_str() + parent_name.size() - 4, ".tmp") != 0)
        return 0;
    if (name.empty() || name.size() > 9 || name[0] == '0' ||
        name.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return pid_t(std::stol(name));
}

// Empties the folder of a process that ended without emptying it (killed, or
// crashed) and removes it. A folder that holds folders stays: only the plain
// files a run extracts there are its own.
int remove_process_folder(const std::string& path)
{
    int removed = 0;
    if (DIR* dir = ::opendir(path.c_str()))
    {
        while (dirent* entry = ::readdir(dir))
        {
            const std::string file = path + "/" + entry->d_name;
            struct stat st;
            if (lstat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && unlink(file.c_str()) == 0)
                removed++;
        }
        ::closedir(dir);
    }
    if (::rmdir(path.c_str()) == 0)
        removed++;
    return removed;
}

int sweep(const std::string& folder, int depth, int& budget)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    std::vector<std::string> below;
    while (dirent* entry = ::readdir(dir))
    {
        if (--budget < 0)
            break;
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
        {
            const pid_t owner = temporary_folder_owner(folder, name);
            if (owner > 0 && process_gone(owner))
                removed += remove_process_folder(path);
            else if (depth > 0)
                below.push_back(path);
            continue;
        }
        pid_t owner = S_ISREG(st.st_mode) ? temporary_owner(name) : 0;
        if (owner > 0 && process_gone(owner) && unlink(path.c_str()) == 0)
            removed++;
    }
    ::closedir(dir);
    for (const std::string& path : below)
        removed += sweep(path, depth - 1, budget);
    return removed;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const std::u16string& device_path)
    : AtomicFileWriter(HostPath{os::path::to_host(device_path)})
{}

AtomicFileWriter::AtomicFileWriter(HostPath host) : final_(std::move(host.path))
{
    if (final_.empty())
        return;
    temp_ = temporary_name(final_);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

AtomicFileWriter::~AtomicFileWriter()
{
    discard();
}

void AtomicFileWriter::discard()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    unlink(temp_.c_str());
    fd_ = -1;
}

bool AtomicFileWriter::write(const void* data, size_t size)
{
    size_t done = 0;
    if (fd_ < 0 || failed_ || !file::write_all(fd_, static_cast<const char*>(data), size, &done))
        failed_ = true;
    return !failed_;
}

bool AtomicFileWriter::commit()
{
    if (fd_ < 0)
        return false;
    bool ok = !failed_ && fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    ok = ok && std::rename(temp_.c_str(), final_.c_str()) == 0;
    if (!ok)
    {
        unlink(temp_.c_str());
        return false;
    }
    // Make the rename itself durable: flush the folder that holds the name.
    size_t slash = final_.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : final_.substr(0, slash);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0)
    {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

bool write_file_atomic(const std::string& host_path, const void* data, size_t size)
{
    AtomicFileWriter writer(AtomicFileWriter::HostPath{host_path});
    return writer.write(data, size) && writer.commit();
}

int remove_stale_temporaries(const std::string& host_folder, int depth)
{
    // A bound on the entries looked at keeps a program's start quick
    // whatever lies in its folders.
    int budget = 50000;
    return sweep(host_folder, depth, budget);
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

namespace os::file {

void remove_program_temporaries()
{
    const std::string root = os::path::device_root();
    remove_stale_temporaries(root, 0);
    remove_stale_temporaries(os::path::to_host(os::path::documents()), 4);
    const std::string program = os::process::program_path();
    if (program.compare(0, root.size() + 1, root + "/") != 0)
        return;
    // "\Program Files\Name\bin\prog" -> "\Program Files\Name"
    std::u16string device = os::path::to_device(program);
    size_t first = device.find(u'\\', 1);
    size_t second = first == std::u16string::npos ? first : device.find(u'\\', first + 1);
    std::u16string folder = device.substr(0, device.rfind(u'\\'));
    if (second != std::u16string::npos && _wcsicmp(device.substr(1, first - 1).c_str(), u"Program Files") == 0)
        folder = device.substr(0, second);
    if (!folder.empty())
        remove_stale_temporaries(os::path::to_host(folder), 6);
}

} // namespace os::file
