// path.cpp -- mapping device paths into the host folder of the device root
#include "os/kernel/path.h"

#include <os/wstring.h>

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace os::path {

namespace {

bool is_separator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

// The components of a device path after collapsing separators and resolving
// "." and ".." (which never climbs above the root).
std::vector<std::u16string> components(const std::u16string& path)
{
    std::vector<std::u16string> parts;
    size_t i = 0;
    while (i < path.size())
    {
        while (i < path.size() && is_separator(path[i]))
            i++;
        size_t start = i;
        while (i < path.size() && !is_separator(path[i]))
            i++;
        std::u16string part = path.substr(start, i - start);
        if (part.empty() || part == u".")
            continue;
        if (part == u"..")
        {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    return parts;
}

bool same_folded(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
    {
        if (wtolower16(a[i]) != wtolower16(b[i]))
            return false;
    }
    return true;
}

// The name of an entry of `folder` equal to `name` without regard to case,
// or "" when there is none. The smallest such name wins, so the choice does
// not depend on the order of the directory.
std::string find_folded(const std::string& folder, const std::u16string& name)
{
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir)
        return {};
    std::string best;
    while (dirent* entry = readdir(dir))
    {
        std::string host_name = entry->d_name;
        if (host_name == "." || host_name == "..")
            continue;
        if (same_folded(utf16(host_name), name) && (best.empty() || host_name < best))
            best = host_name;
    }
    closedir(dir);
    return best;
}

bool exists(const std::string& host_path)
{
    struct stat st;
    return lstat(host_path.c_str(), &st) == 0;
}

} // namespace

std::string device_root()
{
    const char* env = std::getenv("OS_DEVICE_ROOT");
    // Every path mapped asks for the root: the answer for an absolute root is
    // kept for as long as the variable names the same folder (a relative one
    // depends on the working folder, and is worked out each time).
    thread_local std::string kept_env;
    thread_local std::string kept_root;
    const bool absolute = env && env[0] == '/';
    if (absolute && !kept_env.empty() && kept_env == env)
        return kept_root;
    std::error_code ec;
    std::filesystem::path root = env && *env ? std::filesystem::path(env) : std::filesystem::current_path(ec);
    root = std::filesystem::absolute(root, ec).lexically_normal();
    std::string text = root.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    if (text == "/")
        text.clear();
    if (absolute)
    {
        kept_env = env;
        kept_root = text;
    }
    return text;
}

std::string to_host(const std::u16string& device_path)
{
    const std::string root = device_root();
    // A device path ends at its first NUL, as the C string it stands for.
    const std::vector<std::u16string> parts = components(device_path.substr(0, device_path.find(u'\0')));
    // Most paths name what is there in the case it has on disk: then every
    // folder on the way exists under that very name, and one lstat of the
    // whole path answers.
    std::string host = root;
    for (const std::u16string& part : parts)
        host += "/" + utf8(part);
    if (parts.empty() || exists(host))
        return host.empty() ? "/" : host;
    host = root;
    bool found = true;
    for (const std::u16string& part : parts)
    {
        std::string name = utf8(part);
        if (found && !exists(host + "/" + name))
        {
            std::string match = find_folded(host, part);
            if (match.empty())
                found = false;
            else
                name = match;
        }
        host += "/" + name;
    }
    return host.empty() ? "/" : host;
}

std::string to_host(const WCHAR* device_path)
{
    if (!device_path)
        return {};
    return to_host(std::u16string(device_path));
}

std::u16string to_device(const std::string& host_path)
{
    std::error_code ec;
    std::string path = std::filesystem::absolute(host_path, ec).lexically_normal().string();
    std::string root = device_root();
    if (path.compare(0, root.size(), root) == 0 && (path.size() == root.size() || path[root.size()] == '/'))
        path.erase(0, root.size());
    std::u16string out;
    for (const std::u16string& part : components(utf16(path)))
        out += u"\\" + part;
    return out.empty() ? u"\\" : out;
}

std::u16string documents()
{
    const char* env = std::getenv("OS_DOCUMENTS");
    std::u16string folder = u"\\My Documents";
    if (env && *env)
        folder = env[0] == '/' ? to_device(env) : u"\\" + utf16(env);
    std::u16string normal;
    for (const std::u16string& part : components(folder))
        normal += u"\\" + part;
    if (normal.empty())
        normal = u"\\";
    std::error_code ec;
    std::filesystem::create_directories(to_host(normal), ec);
    return normal;
}

} // namespace os::path
