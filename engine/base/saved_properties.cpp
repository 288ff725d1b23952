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

// The whole file, or nothing when it does not open as a file or holds more
// than `limit` bytes.
std::optional<std::string> readWhole(const std::u16string& path, size_t limit = std::string::npos)
{
    FILE* file = _wfopen(path.c_str(), u"rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char chunk[16384];
    size_t got;
    bool failed = false;
    while (!failed && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    {
        failed = got > limit - bytes.size();
        bytes.append(chunk, failed ? 0 : got);
    }
    failed = failed || std::ferror(file) != 0;
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

// Tab, line ends and form feed pass as text; other control bytes do not
// (Latin-1 text above 0x7F does).
bool isTextByte(unsigned char c)
{
    return c >= 0x20 ? c != 0x7F : c == '\t' || c == '\r' || c == '\f' || c == '\n';
}

// Why the file's bytes cannot be a saved properties file, or null.
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
            if (!isTextByte(c))
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

// The fields the programs write back into a page as the player chooses
// (check boxes, groups, typed names, chosen pictures); everything else of an
// entry is the page's layout.
constexpr const char16_t* kPlayerFields[] = {u"status", u"selected", u"text", u"texture", u"mask"};

// The shipped entry's item list with the player's fields taken from the
// saved entry: the page's new layout around the player's choices. Null when
// either value is no item list (a plain value is the player's as a whole).
std::optional<std::u16string> withPlayerFields(const std::u16string& shippedValue, Properties& saved,
                                               const WCHAR* key)
{
    const WCHAR* savedValue = static_cast<const WCHAR*>(saved.Hashtable::get(key));
    if (!savedValue || !wcschr(savedValue, u':') || shippedValue.find(u':') == std::u16string::npos)
        return std::nullopt;
    // Items as the item-list reader finds them once references are expanded:
    // a piece without ':' belongs to the item before it, unless it is a
    // reference ("{label}"), which stands for items of its own.
    std::vector<std::u16string> items;
    for (size_t from = 0;;)
    {
        const size_t comma = shippedValue.find(u',', from);
        std::u16string piece = shippedValue.substr(from, comma == std::u16string::npos ? comma : comma - from);
        const size_t first = piece.find_first_not_of(u" \t");
        const bool reference = first != std::u16string::npos && piece[first] == u'{';
        if (reference || piece.find(u':') != std::u16string::npos || items.empty())
            items.push_back(piece);
        else
            items.back() += u"," + piece;
        if (comma == std::u16string::npos)
            break;
        from = comma + 1;
    }
    auto playerValue = [&saved, key](const char16_t* field) {
        WCHAR* value = saved.getField(key, field);
        std::optional<std::u16string> out;
        if (value)
            out = std::u16string(value);
        delete[] value;
        return out;
    };
    std::vector<const char16_t*> placed;
    for (std::u16string& item : items)
    {
        const size_t colon = item.find(u':');
        if (colon == std::u16string::npos)
            continue;
        std::u16string name = item.substr(0, colon);
        const size_t lead = name.find_first_not_of(u" \t");
        name = lead == std::u16string::npos ? u"" : name.substr(lead);
        name.resize(name.find_last_not_of(u" \t") + 1);
        for (const char16_t* field : kPlayerFields)
        {
            if (name != field)
                continue;
            if (std::optional<std::u16string> value = playerValue(field))
                item = item.substr(0, colon + 1) + *value;
            placed.push_back(field);
        }
    }
    std::u16string out;
    for (const std::u16string& item : items)
        out += (out.empty() ? u"" : u",") + item;
    for (const char16_t* field : kPlayerFields)
    {
        if (std::find(placed.begin(), placed.end(), field) != placed.end())
            continue;
        if (std::optional<std::u16string> value = playerValue(field))
            out += u", " + std::u16string(field) + u":" + *value;
    }
    return out;
}

// The saved text made the shipped page with the player's choices: each entry
// both have keeps its place and takes the shipped layout around the player's
// fields (a plain value stays the player's); a shipped entry it lacks is put
// in after the entry that comes before it in the shipped copy (before the
// first entry when none does); an entry only it has stays. Values are
// written with their references unexpanded.
std::string completedText(const std::string& text, Properties& saved, Properties& shipped)
{
    const std::vector<EntryLines> entries = entryLines(text);
    auto entryOf = [&entries](const WCHAR* key) -> const EntryLines* {
        for (const EntryLines& entry : entries)
            if (entry.key == key)
                return &entry;
        return nullptr;
    };
    struct Edit
    {
        size_t from, to; // the bytes replaced (none for an entry put in)
        std::string line;
    };
    std::vector<Edit> edits;
    // Before the first entry, so a heading comment stays on top.
    size_t at = entries.empty() ? text.size() : entries.front().start;
    WCHAR** keys = shipped.getKeys();
    const int count = shipped.getKeyCount();
    for (int i = 0; i < count; ++i)
    {
        const WCHAR* value = static_cast<const WCHAR*>(shipped.Hashtable::get(keys[i]));
        const std::u16string shippedValue = value ? value : u"";
        if (hasKey(saved, keys[i]))
        {
            const EntryLines* entry = entryOf(keys[i]);
            if (!entry)
                continue;
            at = std::max(at, entry->end);
            std::optional<std::u16string> merged = withPlayerFields(shippedValue, saved, keys[i]);
            if (merged && *merged != static_cast<const WCHAR*>(saved.Hashtable::get(keys[i])))
                edits.push_back({entry->start, entry->end, os::to_latin1(std::u16string(keys[i]) + u"=" + *merged) + "\n"});
            continue;
        }
        std::string line = os::to_latin1(std::u16string(keys[i]) + u"=" + shippedValue) + "\n";
        if (at == text.size() && !text.empty() && text.back() != '\n')
            line.insert(0, "\n");
        edits.push_back({at, at, std::move(line)});
    }
    delete[] keys;
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.from < b.from; });
    std::string out;
    size_t copied = 0;
    for (const Edit& edit : edits)
    {
        const size_t from = std::max(edit.from, copied);
        out.append(text, copied, from - copied);
        out += edit.line;
        copied = std::max(from, edit.to);
    }
    out.append(text, copied, std::string::npos);
    return out;
}

// Why the file at path cannot be a saved file (a folder, unreadable, not
// text, a runaway line), or null when its text is sound or it is missing.
const char16_t* fileFault(const std::u16string& path, bool& missing)
{
    missing = false;
    if (isFolder(path))
        return u"a folder stands in its place";
    FILE* file = _wfopen(path.c_str(), u"rb");
    if (!file)
    {
        missing = errno == ENOENT;
        return missing ? nullptr : u"it cannot be read";
    }
    const char16_t* fault = textFault(file);
    std::fclose(file);
    return fault;
}

// Why folder\name is damaged, or null when it is sound or missing. A sound
// file that lacks entries of its shipped copy (one saved by an earlier build,
// before the page gained them) gets in `completed` the shipped page with the
// player's choices (completedText).
const char16_t* damageOf(const SavedPaths& paths, bool& missing, std::optional<std::string>& completed)
{
    completed.reset();
    if (const char16_t* fault = fileFault(paths.file, missing))
        return fault;
    if (missing || !exists(paths.shipped))
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
    completed = completedText(*text, saved, shipped);
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

// The box: the file, why it is damaged, where it went and `after`, what
// the program does instead.
void tellUser(const std::u16string& path, const char16_t* why, const std::u16string& asideAs,
              const std::u16string& after)
{
    if (asideAs.empty() && !firstReport(path))
        return;
    std::u16string text = path + u" was damaged (" + why + u")";
    if (asideAs.empty())
        text += u" and could not be set aside; " + after + u".";
    else
        text += u" and has been set aside as " + asideAs + u"; " + after + u".";
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
    tellUser(paths.file, why, aside, aside.empty() ? u"the defaults are used for this run" : u"the defaults are used");
    if (aside.empty())
        return Outcome::StuckDamaged;
    restoreShipped(paths);
    return Outcome::Repaired;
}

// The lines of a damaged file worth reading again: whole text no longer
// than any the program writes, each ending in LF. A last line without its
// newline was cut off and is left out.
std::string wholeLines(const std::string& bytes)
{
    std::string kept;
    for (size_t start = 0, end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
    {
        size_t length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        const bool text = std::all_of(bytes.begin() + std::ptrdiff_t(start),
                                      bytes.begin() + std::ptrdiff_t(start + length),
                                      [](char c) { return isTextByte(static_cast<unsigned char>(c)); });
        if (text && length <= kSavedLineLimit)
            kept.append(bytes, start, length).push_back('\n');
    }
    return kept;
}

} // namespace

SavedRecordsState repairSavedRecords(const WCHAR* folder, const WCHAR* name, const SavedRecords& records)
{
    // Far larger than any file of records the programs write.
    constexpr size_t kLargest = size_t(16) << 20;
    const SavedPaths paths = savedPathsOf(folder, name);
    bool missing = false;
    const char16_t* why = fileFault(paths.file, missing);
    if (!why && missing)
        return SavedRecordsState::Missing;
    std::optional<std::string> bytes;
    if (!why && !(bytes = readWhole(paths.file, kLargest)))
        why = u"it cannot be read";
    // Every save writes whole lines: an empty file or a last line without
    // its newline is a cut file.
    else if (!why && bytes->empty())
        why = u"it is empty";
    else if (!why && bytes->back() != '\n')
        why = u"its last line is cut off";
    else if (!why && records.damage)
        why = records.damage();
    if (!why)
        return SavedRecordsState::Sound;
    const std::u16string aside = os::set_aside_damaged_file(paths.file);
    if (aside.empty())
    {
        tellUser(paths.file, why, aside, records.stuck);
        return SavedRecordsState::Unwritable;
    }
    if (!bytes)
        bytes = readWhole(aside, kLargest);
    const int kept = bytes && records.keep ? records.keep(paths.file, wholeLines(*bytes)) : 0;
    if (kept > 0)
        tellUser(paths.file, why, aside,
                 kept == 1 ? std::u16string(records.keptOne) : os::format(records.keptMany, kept));
    else
    {
        restoreShipped(paths);
        tellUser(paths.file, why, aside, records.keptNone);
    }
    return SavedRecordsState::Repaired;
}

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
