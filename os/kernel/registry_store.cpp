// registry_store.cpp -- reading and writing the registry file (format in registry.cpp)
#include "os/kernel/registry_store.h"

#include "os/kernel/path.h"

#include <os/file.h>
#include <os/wstring.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace os::registry {

namespace {

constexpr const char* kMagic = "HHREG 1";
constexpr size_t kMaxValueBytes = 16u << 20;

const char16_t* const kHives[] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"};

bool plain(char16_t c)
{
    return c >= 0x20 && c <= 0x7E && c != u'%' && c != u'"' && c != u'[' && c != u']';
}

std::string escape(const std::u16string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char16_t c : text)
    {
        if (plain(c))
        {
            out += char(c);
            continue;
        }
        out += '%';
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(c >> shift) & 15];
    }
    return out;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool unescape(const std::string& text, std::u16string* out)
{
    out->clear();
    for (size_t i = 0; i < text.size(); i++)
    {
        if (text[i] != '%')
        {
            if (!plain(char16_t(static_cast<unsigned char>(text[i]))))
                return false;
            *out += char16_t(text[i]);
            continue;
        }
        if (i + 4 >= text.size())
            return false;
        unsigned value = 0;
        for (size_t k = 1; k <= 4; k++)
        {
            int digit = hex_digit(text[i + k]);
            if (digit < 0)
                return false;
            value = value << 4 | unsigned(digit);
        }
        *out += char16_t(value);
        i += 4;
    }
    return true;
}

// A decimal number of 32 bits (a value's type may be any of them).
bool parse_number(const std::string& text, size_t* value)
{
    if (text.empty() || text.size() > 10)
        return false;
    *value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        *value = *value * 10 + size_t(c - '0');
    }
    return *value <= 0xFFFFFFFFu;
}

bool known_hive(const std::u16string& path)
{
    std::u16string hive = fold(path.substr(0, path.find(u'\\')));
    for (const char16_t* name : kHives)
    {
        if (hive == fold(name))
            return true;
    }
    return false;
}

bool valid_key_path(const std::u16string& path)
{
    if (path.empty() || path.front() == u'\\' || path.back() == u'\\' || path.find(u"\\\\") != std::u16string::npos)
        return false;
    return known_hive(path);
}

// The head of a value line, "name"=type,length: (up to the hex bytes);
// answers where the bytes start, or npos when the line does not begin so.
size_t parse_value_head(const std::string& line, Value* value, size_t* length)
{
    if (line.empty() || line.front() != '"')
        return std::string::npos;
    size_t close = line.find('"', 1);
    if (close == std::string::npos || line.compare(close, 2, "\"=") != 0)
        return std::string::npos;
    size_t comma = line.find(',', close);
    size_t colon = line.find(':', close);
    size_t type = 0;
    if (comma == std::string::npos || colon == std::string::npos || colon < comma ||
        !unescape(line.substr(1, close - 1), &value->name) ||
        !parse_number(line.substr(close + 2, comma - close - 2), &type) ||
        !parse_number(line.substr(comma + 1, colon - comma - 1), length))
        return std::string::npos;
    value->type = DWORD(type);
    return colon + 1;
}

// "name"=type,length:hex
bool parse_value(const std::string& line, Value* value)
{
    size_t length = 0;
    const size_t bytes = parse_value_head(line, value, &length);
    if (bytes == std::string::npos || length > kMaxValueBytes || line.size() - bytes != 2 * length)
        return false;
    value->data.resize(length);
    for (size_t i = 0; i < length; i++)
    {
        int high = hex_digit(line[bytes + 2 * i]);
        int low = hex_digit(line[bytes + 2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        value->data[i] = char(high << 4 | low);
    }
    return true;
}

// One line of the body; false when it cannot be read. `current` is the key
// the values that follow belong to, or null when that is not known: before
// the first key line, and after a line that cannot be read, unless that line
// still begins as a value line (only its bytes were hit). Any other damaged
// line may have been a key line, so the values after it, up to the next key
// line that reads, are dropped with it (counted in lost_values) and never put
// under the key before.
bool parse_line(Store& store, const std::string& line, Key** current)
{
    if (line.empty())
        return true;
    if (line.front() == '[' && line.back() == ']' && line.size() > 2)
    {
        std::u16string path;
        *current = nullptr;
        if (!unescape(line.substr(1, line.size() - 2), &path) || !valid_key_path(path))
            return false;
        *current = &ensure_key(store, path);
        return true;
    }
    Value value;
    if (parse_value(line, &value))
    {
        if (!*current)
        {
            store.lost_values++;
            return false;
        }
        set_value(**current, std::move(value));
        return true;
    }
    size_t length = 0;
    if (parse_value_head(line, &value, &length) == std::string::npos)
        *current = nullptr;
    return false;
}

std::string host_file(const char* suffix = "")
{
    return path::device_root() + "/registry" + suffix;
}

void load_file(Store* store, bool* exists)
{
    std::ifstream in(host_file(), std::ios::binary);
    *exists = bool(in);
    std::stringstream bytes;
    if (in)
        bytes << in.rdbuf();
    *store = parse(bytes.str());
}

// An open, locked lock file, released when it goes.
class Lock
{
public:
    explicit Lock(int how)
    {
        fd_ = ::open(host_file(".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        while (fd_ >= 0 && flock(fd_, how) != 0)
        {
            if (errno != EINTR)
            {
                ::close(fd_);
                fd_ = -1;
            }
        }
    }
    ~Lock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace

Key& ensure_key(Store& store, const std::u16string& path)
{
    // A key that is there has every key above it there too: the missing
    // ones are made from the key upwards, up to the first that exists (a
    // long path is not looked up once per level every time it is met).
    const std::u16string folded = fold(path);
    auto [key, added] = store.keys.try_emplace(folded);
    if (key->second.path.empty())
        key->second.path = path;
    for (size_t cut = path.rfind(u'\\'); added && cut != std::u16string::npos && cut > 0;
         cut = path.rfind(u'\\', cut - 1))
    {
        auto [parent, made] = store.keys.try_emplace(folded.substr(0, cut));
        if (parent->second.path.empty())
            parent->second.path = path.substr(0, cut);
        added = made;
    }
    return key->second;
}

void set_value(Key& key, Value value)
{
    for (Value& old : key.values)
    {
        if (fold(old.name) == fold(value.name))
        {
            old.type = value.type; // the name keeps its first spelling
            old.data = std::move(value.data);
            return;
        }
    }
    key.values.push_back(std::move(value));
}

std::u16string fold(const std::u16string& text)
{
    std::u16string out = text;
    for (char16_t& c : out)
        c = wtolower16(c);
    return out;
}

std::string serialize(const Store& store)
{
    std::string out = std::string(kMagic) + "\n";
    static const char kHex[] = "0123456789abcdef";
    for (const auto& [folded, key] : store.keys)
    {
        out += "[" + escape(key.path) + "]\n";
        for (const Value& value : key.values)
        {
            out += "\"" + escape(value.name) + "\"=" + std::to_string(value.type) + "," +
                   std::to_string(value.data.size()) + ":";
            for (unsigned char byte : value.data)
            {
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            }
            out += "\n";
        }
    }
    return out;
}

Store parse(const std::string& bytes)
{
    Store store;
    std::istringstream in(bytes);
    std::string line;
    bool first = true;
    bool header = false;
    Key* current = nullptr;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (first)
        {
            // A header that cannot be read is damage like any other line;
            // the keys after it are still read.
            first = false;
            header = line == kMagic;
            store.damaged = !header;
            continue;
        }
        if (!parse_line(store, line, &current))
            store.damaged = true;
    }
    // Every file written has its header: one without it and without a key
    // that could be read is not a registry file (or was cut to nothing).
    store.unreadable = !header && store.keys.empty();
    return store;
}

namespace {

constexpr char16_t kRegistryFile[] = u"\\registry";

std::mutex g_notice_lock;
std::optional<Notice> g_notice;
std::atomic<bool> g_notice_waiting{false};
std::atomic<void (*)()> g_notice_hook{nullptr};

// After a registry call, its lock released: a notice it left may be shown.
void offer_notice()
{
    void (*hook)() = g_notice_hook.load();
    if (hook && g_notice_waiting.load())
        hook();
}

// At exit: a notice that no box has shown goes to stderr.
void say_notice_left()
{
    if (std::optional<Notice> left = take_notice())
        std::fprintf(stderr, "%s: %s\n", os::path::utf8(left->caption).c_str(), os::path::utf8(left->text).c_str());
}

void leave_notice(const std::u16string& text)
{
    static std::once_flag at_exit;
    std::call_once(at_exit, [] { std::atexit(say_notice_left); });
    std::lock_guard<std::mutex> hold(g_notice_lock);
    g_notice = Notice{u"Warning", text};
    g_notice_waiting = true;
}

// A damaged registry file loaded into `store` (under the exclusive lock) is
// moved aside as "registry.damaged" (never over an earlier one) and what
// could be read of it becomes the registry; the user is told. False when the
// file could not be moved: it is then left as it is and never written over.
bool set_aside(Store& store)
{
    static std::atomic<bool> told_stuck{false};
    const std::u16string what = store.unreadable ? u"it is not a registry file"
                                                 : u"some of its entries could not be read";
    std::u16string aside = os::set_aside_damaged_file(kRegistryFile);
    if (aside.empty())
    {
        if (!told_stuck.exchange(true))
            leave_notice(std::u16string(kRegistryFile) + u" is damaged (" + what +
                         u") and could not be set aside; what can be read of it is used, and settings changed now "
                         u"are not kept.");
        return false;
    }
    std::u16string kept = u"; the entries that could be read are kept.";
    if (store.unreadable)
        kept = u"; the registry starts empty.";
    else if (store.lost_values == 1)
        kept = u"; the entries that could be read are kept, but a value whose key could not be read is lost.";
    else if (store.lost_values > 1)
        kept = os::format(u"; the entries that could be read are kept, but %d values whose key could not be read are "
                          u"lost.",
                          int(store.lost_values));
    leave_notice(std::u16string(kRegistryFile) + u" was damaged (" + what + u") and has been set aside as " + aside +
                 kept);
    store.damaged = false;
    store.unreadable = false;
    store.lost_values = 0;
    if (!store.keys.empty())
    {
        std::string text = serialize(store);
        write_file_atomic(host_file(), text.data(), text.size());
    }
    return true;
}

bool damaged_file(const Store& store, bool exists)
{
    return exists && (store.damaged || store.unreadable);
}

} // namespace

bool notice_waiting()
{
    return g_notice_waiting.load();
}

std::optional<Notice> take_notice()
{
    if (!g_notice_waiting.load())
        return std::nullopt;
    std::lock_guard<std::mutex> hold(g_notice_lock);
    std::optional<Notice> notice = std::move(g_notice);
    g_notice.reset();
    g_notice_waiting = false;
    return notice;
}

namespace {

bool read_file(const std::function<void(const Store&)>& look)
{
    Store store;
    bool exists = false;
    {
        Lock lock(LOCK_SH);
        if (!lock.held())
            return false;
        load_file(&store, &exists);
        if (!damaged_file(store, exists))
        {
            look(store);
            return true;
        }
    }
    // Damage is dealt with once, by whoever reads it first.
    Lock lock(LOCK_EX);
    if (!lock.held())
        return false;
    load_file(&store, &exists);
    if (damaged_file(store, exists))
        set_aside(store);
    look(store);
    return true;
}

LONG change_file(const std::function<LONG(Store&)>& apply)
{
    Lock lock(LOCK_EX);
    if (!lock.held())
        return ERROR_CANTWRITE;
    Store store;
    bool exists = false;
    load_file(&store, &exists);
    if (damaged_file(store, exists) && !set_aside(store))
        return ERROR_CANTWRITE;
    LONG result = apply(store);
    if (result != ERROR_SUCCESS)
        return result;
    std::string text = serialize(store);
    return write_file_atomic(host_file(), text.data(), text.size()) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

} // namespace

bool read(const std::function<void(const Store&)>& look)
{
    bool result = read_file(look);
    offer_notice();
    return result;
}

LONG change(const std::function<LONG(Store&)>& apply)
{
    LONG result = change_file(apply);
    offer_notice();
    return result;
}

void set_notice_hook(void (*hook)())
{
    g_notice_hook = hook;
}

} // namespace os::registry
