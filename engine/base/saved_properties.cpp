// saved_properties.cpp -- checking a saved properties file, setting a damaged
// one aside and putting the shipped copy in its place
#include "engine/base/saved_properties.h"

#include "engine/base/wstring_utils.h"

#include <os/file.h>
#include <os/user.h>
#include <os/wstring.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct SavedPaths
{
    std::u16string file;    // folder\name
    std::u16string shipped; // folder\defaults\name
};

SavedPaths savedPathsOf(const WCHAR* folder, const WCHAR* name)
{
    std::u16string base = folder ? folder : u"";
    if (!base.empty() && base.back() != u'\\' && base.back() != u'/')
        base.push_back(u'\\');
    auto collapsed = [](std::u16string text) {
        collapseParentDirs(text.data());
        return std::u16string(text.c_str());
    };
    const std::u16string leaf = name ? name : u"";
    return {collapsed(base + leaf), collapsed(base + kShippedCopyFolder + u"\\" + leaf)};
}

// The whole file, or nothing when it does not open as a file.
std::optional<std::string> readWhole(const std::u16string& path)
{
    FILE* file = _wfopen(path.c_str(), u"rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char chunk[16384];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    return bytes;
}

bool exists(const std::u16string& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::u16string& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Why the file's bytes cannot be a saved properties file, or null. Tab, line
// ends and form feed pass; other control bytes do not (Latin-1 text above
// 0x7F does).
const char16_t* textFault(FILE* file)
{
    char chunk[16384];
    size_t line = 0;
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    {
        for (size_t i = 0; i < got; ++i)
        {
            const unsigned char c = static_cast<unsigned char>(chunk[i]);
            if (c == '\n')
            {
                line = 0;
                continue;
            }
            if ((c < 0x20 && c != '\t' && c != '\r' && c != '\f') || c == 0x7F)
                return u"it holds bytes that are not text";
            if (++line > kSavedLineLimit)
                return u"it has a line far longer than any it writes";
        }
    }
    return std::ferror(file) ? u"it cannot be read" : nullptr;
}

bool hasKey(Properties& table, const WCHAR* key)
{
    return table.Hashtable::get(key) != nullptr;
}

struct EntryLines
{
    std::u16string key;
    size_t start; // offset of its first line
    size_t end;   // just past its last line (continuation lines included)
};

// The real entries of a file's text in file order, found as Properties::load
// finds them. An entry whose key names another entry ("a{b}") is left out:
// its key is known only once the file is read.
std::vector<EntryLines> entryLines(const std::string& text)
{
    auto nextLine = [&text](size_t& pos) {
        const size_t newline = text.find('\n', pos);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        std::u16string line = os::to_u16(text.substr(pos, end - pos));
        pos = end;
        while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r'))
            line.pop_back();
        trim(line.data(), u" \t");
        line.resize(wcslen(line.c_str()));
        return line;
    };
    std::vector<EntryLines> out;
    size_t pos = 0;
    while (pos < text.size())
    {
        const size_t start = pos;
        std::u16string line = nextLine(pos);
        if (line.empty() || line[0] == u'#' || line[0] == u'!')
            continue;
        while (!line.empty() && line.back() == u'\\' && pos < text.size())
        {
            line.pop_back();
            line += nextLine(pos);
        }
        const size_t remark = line.rfind(u"//");
        if (remark != std::u16string::npos)
            line.resize(remark);
        const size_t separator = line.find(u'=');
        if (separator == std::u16string::npos)
            continue;
        std::u16string key = line.substr(0, separator);
        trim(key.data(), u" \t");
        key.resize(wcslen(key.c_str()));
        if (key.find(u'{') == std::u16string::npos)
            out.push_back({std::move(key), start, pos});
    }
    return out;
}

// The saved text with the shipped entries it lacks put in, each after the
// entry that comes before it in the shipped copy (before the first entry
// when none does), with the shipped copy's value, references unexpanded.
std::string withShippedEntries(const std::string& text, Properties& saved, Properties& shipped)
{
    const std::vector<EntryLines> entries = entryLines(text);
    auto endOf = [&entries](const WCHAR* key, size_t fallback) {
        for (const EntryLines& entry : entries)
            if (entry.key == key)
                return entry.end;
        return fallback;
    };
    std::vector<std::pair<size_t, std::string>> inserts; // in shipped order, offsets never decreasing
    // Before the first entry, so a heading comment stays on top.
    size_t at = entries.empty() ? text.size() : entries.front().start;
    WCHAR** keys = shipped.getKeys();
    const int count = shipped.getKeyCount();
    for (int i = 0; i < count; ++i)
    {
        if (hasKey(saved, keys[i]))
        {
            at = std::max(at, endOf(keys[i], at));
            continue;
        }
        const WCHAR* value = static_cast<const WCHAR*>(shipped.Hashtable::get(keys[i]));
        std::string line = os::to_latin1(std::u16string(keys[i]) + u"=" + (value ? value : u"")) + "\n";
        if (at == text.size() && !text.empty() && text.back() != '\n')
            line.insert(0, "\n");
        inserts.emplace_back(at, std::move(line));
    }
    delete[] keys;
    std::string merged;
    size_t copied = 0;
    for (const auto& [offset, line] : inserts)
    {
        merged.append(text, copied, offset - copied);
        merged += line;
        copied = offset;
    }
    merged.append(text, copied, std::string::npos);
    return merged;
}

// Why folder\name is damaged, or null when it is sound or missing. A sound
// file that lacks entries of its shipped copy (one saved by an earlier build,
// before the page gained them) gets its text with those entries put in
// `completed`; the player's own entries stay as they are.
const char16_t* damageOf(const SavedPaths& paths, bool& missing, std::optional<std::string>& completed)
{
    missing = false;
    completed.reset();
    if (isFolder(paths.file))
        return u"a folder stands in its place";
    FILE* file = _wfopen(paths.file.c_str(), u"rb");
    if (!file)
    {
        missing = errno == ENOENT;
        return missing ? nullptr : u"it cannot be read";
    }
    const char16_t* fault = textFault(file);
    std::fclose(file);
    if (fault)
        return fault;
    if (!exists(paths.shipped))
        return nullptr;
    Properties saved;
    Properties shipped;
    if (!saved.load(nullptr, paths.file.c_str()) || !shipped.load(nullptr, paths.shipped.c_str()))
        return nullptr;
    WCHAR** keys = shipped.getKeys();
    const int count = shipped.getKeyCount();
    bool whole = true;
    for (int i = 0; i < count && whole; ++i)
        whole = hasKey(saved, keys[i]);
    delete[] keys;
    if (whole)
        return nullptr;
    if (saved.getKeyCount() == 0)
        return u"it is empty";
    // Every line the program writes ends in a newline: a file whose last
    // line does not, and that lacks entries, was cut off in the middle of a
    // line. One cut between lines cannot be told from an earlier build's
    // file; it keeps what it holds and takes the rest from the shipped copy.
    std::optional<std::string> text = readWhole(paths.file);
    if (!text)
        return u"it cannot be read";
    if (text->empty() || text->back() != '\n')
        return u"it was cut short";
    completed = withShippedEntries(*text, saved, shipped);
    return nullptr;
}

// A damaged file that cannot be moved is named to the user once per run (a
// file that was moved is sound when it is read next).
bool firstReport(const std::u16string& path)
{
    static std::mutex lock;
    static std::set<std::u16string> reported;
    std::lock_guard<std::mutex> guard(lock);
    return reported.insert(path).second;
}

void tellUser(const std::u16string& path, const char16_t* why, const std::u16string& asideAs)
{
    if (asideAs.empty() && !firstReport(path))
        return;
    std::u16string text = path + u" was damaged (" + why + u")";
    if (asideAs.empty())
        text += u" and could not be set aside; the defaults are used for this run.";
    else
        text += u" and has been set aside as " + asideAs + u"; the defaults are used.";
    MessageBoxW(nullptr, text.c_str(), u"Warning", MB_OK | MB_ICONEXCLAMATION);
}

// The shipped copy written in the file's place (in one step); false when
// there is none or it cannot be written.
bool restoreShipped(const SavedPaths& paths)
{
    std::optional<std::string> bytes = readWhole(paths.shipped);
    return bytes && os::write_file_atomic(paths.file, bytes->data(), bytes->size());
}

enum class Outcome
{
    Sound,
    Repaired,     // damaged, set aside, the shipped copy (if any) in its place
    StuckDamaged, // damaged and could not be moved
};

Outcome repair(const SavedPaths& paths)
{
    bool missing = false;
    std::optional<std::string> completed;
    const char16_t* why = damageOf(paths, missing, completed);
    if (!why)
    {
        if (missing)
            restoreShipped(paths);
        else if (completed)
            os::write_file_atomic(paths.file, completed->data(), completed->size());
        return Outcome::Sound;
    }
    const std::u16string aside = os::set_aside_damaged_file(paths.file);
    tellUser(paths.file, why, aside);
    if (aside.empty())
        return Outcome::StuckDamaged;
    restoreShipped(paths);
    return Outcome::Repaired;
}

} // namespace

bool repairSavedProperties(const WCHAR* folder, const WCHAR* name)
{
    if (!name || !*name)
        return false;
    return repair(savedPathsOf(folder, name)) != Outcome::Sound;
}

bool loadSavedProperties(Properties& table, const WCHAR* folder, const WCHAR* name, PtrVector* keyList)
{
    if (!name || !*name)
        return false;
    const SavedPaths paths = savedPathsOf(folder, name);
    if (repair(paths) != Outcome::StuckDamaged)
        return table.load(folder, name, keyList);
    // The damaged file stays where it is, unread; its shipped copy stands in.
    const bool loaded = table.load(nullptr, paths.shipped.c_str(), keyList);
    table.setPath(nullptr, paths.file.c_str());
    return loaded;
}
