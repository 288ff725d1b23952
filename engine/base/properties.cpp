// properties.cpp -- reading, expanding, editing and writing properties files
#include "engine/base/properties.h"

#include "engine/base/folder_utils.h"
#include "engine/base/property_map.h"
#include "engine/base/resource_files.h"
#include "engine/base/wstring_utils.h"


#include <os/file.h>
#include <os/wstring.h>

#include <cstring>

namespace {

// The one value every empty-line placeholder shares.
WCHAR kNewline[] = u"\n";
const WCHAR kCommentPrefix[] = u"_COMMENT_LINE_";
const WCHAR kEmptyPrefix[] = u"_EMPTY_LINE_";

bool startsWith(const WCHAR* text, const WCHAR* prefix)
{
    return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

void stripNewline(std::u16string& line)
{
    if (!line.empty() && line.back() == u'\n')
        line.pop_back();
}

void trimText(std::u16string& text)
{
    size_t begin = text.find_first_not_of(kBlanks);
    size_t end = text.find_last_not_of(kBlanks);
    text = begin == std::u16string::npos ? std::u16string() : text.substr(begin, end - begin + 1);
}

} // namespace

Properties::Properties(WCHAR keySeparator, WCHAR itemSeparator, WCHAR subSeparator)
    : Hashtable(kStringKeys), keySeparator(keySeparator), itemSeparator(itemSeparator), subSeparator(subSeparator)
{
}

Properties::~Properties()
{
    freeEntries();
}

bool Properties::isPlaceholder(const WCHAR* key)
{
    return startsWith(key, kCommentPrefix) || startsWith(key, kEmptyPrefix);
}

void Properties::freeValue(void* value) const
{
    if (value != kNewline)
        delete[] static_cast<WCHAR*>(value);
}

// Values first: looking one up compares keys, which must all still be there.
void Properties::freeEntries()
{
    void** all = keys();
    for (int i = 0; i < size(); ++i)
        freeValue(Hashtable::get(all[i]));
    for (int i = 0; i < size(); ++i)
        delete[] static_cast<WCHAR*>(all[i]);
}

void Properties::clear()
{
    freeEntries();
    Hashtable::clear();
    path.clear();
    commentCount = 0;
    emptyLineCount = 0;
}

void Properties::setPath(const WCHAR* folder, const WCHAR* name)
{
    std::u16string text = std::u16string(folder ? folder : u"") + (name ? name : u"");
    collapseParentDirs(text.data());
    path = text.c_str();
}

// ---- reading ----

bool Properties::load(const WCHAR* folder, const WCHAR* name, PtrVector* keyList)
{
    std::u16string base = folder ? folder : u"";
    if (!base.empty() && base.back() != u'\\' && base.back() != u'/')
        base.push_back(u'\\');
    setPath(base.c_str(), name);
    FILE* file = openResourceFile(path.c_str(), u"r");
    if (!file)
        return false;
    read([file](std::u16string& line) { return readLine(file, line); }, keyList);
    closeResourceFile(file);
    return true;
}

void Properties::read(const LineSource& nextLine, PtrVector* keyList)
{
    std::u16string line;
    while (nextLine(line))
        parseLine(line, nextLine, keyList);
}

// One whole line with its newline, however long: a line longer than the
// read buffer is never split into two entries.
bool Properties::readLine(FILE* file, std::u16string& line)
{
    line.clear();
    WCHAR chunk[kLineCapacity];
    while (fgetws(chunk, kLineCapacity, file))
    {
        line += chunk;
        if (!line.empty() && line.back() == u'\n')
            break;
    }
    return !line.empty();
}

void Properties::parseLine(std::u16string line, const LineSource& nextLine, PtrVector* keyList)
{
    bool hadNewline = !line.empty() && line.back() == u'\n';
    stripNewline(line);
    trimText(line);
    if (line.empty())
    {
        if (hadNewline)
            addPlaceholder(kEmptyPrefix, emptyLineCount, kNewline);
        return;
    }
    if (line[0] == u'#' || line[0] == u'!')
    {
        addPlaceholder(kCommentPrefix, commentCount, copyText((line + u"\n").c_str()));
        return;
    }
    readContinuation(line, nextLine);
    size_t remark = line.rfind(u"//");
    if (remark != std::u16string::npos)
        line.resize(remark);
    WCHAR* key = nullptr;
    WCHAR* value = nullptr;
    splitKeyValue(line.data(), keySeparator, &key, &value);
    if (!key)
        return;
    replaceKeyReference(key);
    store(key, value, keyList);
}

// While the line ends in '\', the next line (trimmed, without its newline)
// takes the backslash's place.
void Properties::readContinuation(std::u16string& line, const LineSource& nextLine)
{
    std::u16string part;
    while (!line.empty() && line.back() == u'\\' && nextLine(part))
    {
        stripNewline(part);
        trimText(part);
        line.pop_back();
        line += part;
    }
}

void Properties::addPlaceholder(const WCHAR* prefix, int& counter, WCHAR* value)
{
    std::u16string key = os::format(u"%s%d", prefix, counter++);
    Hashtable::put(copyText(key.c_str()), value);
}

// A key may name one entry read earlier in braces: "a{b}c" takes b's value.
void Properties::replaceKeyReference(WCHAR*& key)
{
    std::u16string text = key;
    size_t open = text.find(u'{');
    size_t close = open == std::u16string::npos ? open : text.find(u'}', open);
    if (close == std::u16string::npos)
        return;
    const WCHAR* value = get(text.substr(open + 1, close - open - 1).c_str());
    if (!value)
        return;
    text = text.substr(0, open) + value + text.substr(close + 1);
    delete[] key;
    key = copyText(text.c_str());
}

// A real key named like a placeholder would be taken for one (and lose its
// line on rewrite): such entries are refused.
void Properties::store(WCHAR* key, WCHAR* value, PtrVector* keyList)
{
    if (isPlaceholder(key))
    {
        delete[] key;
        freeValue(value);
        return;
    }
    void* old = Hashtable::put(key, value);
    if (old)
    {
        freeValue(old); // the first key keeps its place
        delete[] key;
        return;
    }
    if (keyList)
        keyList->add(key);
}

// ---- values ----

void Properties::put(const WCHAR* key, const WCHAR* value, bool keyOwned, bool valueOwned)
{
    if (!key || !value)
        return;
    WCHAR* k = keyOwned ? const_cast<WCHAR*>(key) : copyText(key);
    WCHAR* v = valueOwned ? const_cast<WCHAR*>(value) : copyText(value);
    store(k, v, nullptr);
}

bool Properties::remove(const WCHAR* key)
{
    if (!key || isPlaceholder(key))
        return false;
    void** all = keys();
    WCHAR* stored = nullptr;
    for (int i = 0; i < size() && !stored; ++i)
        if (wcscmp(static_cast<const WCHAR*>(all[i]), key) == 0)
            stored = static_cast<WCHAR*>(all[i]);
    if (!stored)
        return false;
    freeValue(Hashtable::remove(key));
    delete[] stored;
    return true;
}

const WCHAR* Properties::get(const WCHAR* key)
{
    expansionLeft = kExpansionBudget;
    return getExpanded(key, 0);
}

// References are replaced left to right; the scan goes on after each
// inserted expansion. A name that is being expanded already (a value that
// refers to itself, directly or through others) counts as unknown: it stays
// as text instead of growing the value at every get.
const WCHAR* Properties::getExpanded(const WCHAR* key, int depth)
{
    const WCHAR* stored = static_cast<const WCHAR*>(Hashtable::get(key));
    if (!stored || !wcschr(stored, u'{'))
        return stored;
    for (const std::u16string& open : expanding)
    {
        if (open == key)
            return nullptr;
    }
    expanding.push_back(key);
    const WCHAR* result = expandReferences(key, stored, depth);
    expanding.pop_back();
    return result;
}

// The value is rebuilt in one pass (the text before each reference, then
// its expansion); every character copied is taken from the get's budget.
const WCHAR* Properties::expandReferences(const WCHAR* key, const WCHAR* stored, int depth)
{
    const std::u16string text = stored;
    if (text.size() > expansionLeft)
        return stored;
    expansionLeft -= text.size();
    std::u16string out;
    size_t done = 0; // text before this has been copied or replaced
    bool replaced = false;
    for (size_t open = text.find(u'{'); open != std::u16string::npos; open = text.find(u'{', done))
    {
        if (depth + 1 > kNestingLimit)
            break;
        size_t close = text.find(u'}', open);
        if (close == std::u16string::npos)
            break;
        const WCHAR* expansion = getExpanded(text.substr(open + 1, close - open - 1).c_str(), depth + 1);
        if (!expansion)
            break;
        size_t length = wcslen(expansion);
        if (length > expansionLeft)
            break;
        expansionLeft -= length;
        out.append(text, done, open - done);
        out.append(expansion, length);
        done = close + 1;
        replaced = true;
    }
    if (!replaced)
        return static_cast<const WCHAR*>(Hashtable::get(key));
    out.append(text, done, std::u16string::npos);
    WCHAR* fresh = copyText(out.c_str());
    freeValue(Hashtable::put(const_cast<WCHAR*>(key), fresh));
    return fresh;
}

WCHAR* Properties::getField(const WCHAR* key, const WCHAR* field)
{
    const WCHAR* value = get(key);
    if (!value)
        return nullptr;
    if (!field || !*field)
        return copyText(value);
    PropertyMap map(value, itemSeparator, subSeparator);
    return copyText(map.get(field));
}

bool Properties::getFieldBool(const WCHAR* key, const WCHAR* field, bool defaultValue)
{
    WCHAR* text = getField(key, field);
    bool result = text && *text ? _wtol(text) != 0 : defaultValue;
    delete[] text;
    return result;
}

int Properties::getFieldInt(const WCHAR* key, const WCHAR* field, int defaultValue)
{
    WCHAR* text = getField(key, field);
    int result = text && *text ? int(_wtol(text)) : defaultValue;
    delete[] text;
    return result;
}

WCHAR* Properties::getFieldString(const WCHAR* key, const WCHAR* field, WCHAR* buffer, int capacity)
{
    WCHAR* text = getField(key, field);
    WCHAR* result = nullptr;
    if (text && *text && buffer && capacity > 0)
    {
        wcsncpy(buffer, text, size_t(capacity));
        buffer[capacity - 1] = 0;
        result = buffer;
    }
    delete[] text;
    return result;
}

void Properties::setField(const WCHAR* key, const WCHAR* field, const WCHAR* value)
{
    const WCHAR* old = get(key);
    if (!old || !field || !value)
        return;
    PropertyMap map(old, itemSeparator, subSeparator);
    if (map.size() == 0 && *old)
        return; // plain text: rebuilding it would lose it
    std::u16string text;
    bool found = false;
    void** fields = map.keys();
    for (int i = 0; i < map.size(); ++i)
    {
        const WCHAR* name = static_cast<const WCHAR*>(fields[i]);
        bool isTarget = wcscmp(name, field) == 0;
        found = found || isTarget;
        if (i > 0)
            text += itemSeparator;
        text += u' ';
        text += name;
        text += subSeparator;
        text += isTarget ? value : map.get(name);
    }
    if (!found)
        text += std::u16string(1, itemSeparator) + u" " + field + subSeparator + value;
    freeValue(Hashtable::put(const_cast<WCHAR*>(key), copyText(text.c_str())));
}

// ---- writing ----

WCHAR** Properties::getKeys() const
{
    int n = getKeyCount();
    WCHAR** out = new WCHAR*[n > 0 ? n : 1];
    int k = 0;
    void** all = keys();
    for (int i = 0; i < size() && k < n; ++i)
    {
        if (!isPlaceholder(static_cast<WCHAR*>(all[i])))
            out[k++] = static_cast<WCHAR*>(all[i]);
    }
    return out;
}

bool Properties::save()
{
    if (path.empty())
        return false;
    std::u16string text;
    void** all = keys();
    for (int i = 0; i < size(); ++i)
    {
        const WCHAR* key = static_cast<const WCHAR*>(all[i]);
        if (isPlaceholder(key))
        {
            text += static_cast<const WCHAR*>(Hashtable::get(key)); // written as read
            continue;
        }
        const WCHAR* value = get(key);
        text += key;
        text += u'=';
        text += value ? value : u"";
        text += u'\n';
    }
    size_t slash = path.find_last_of(u"\\/");
    if (slash != std::u16string::npos && slash > 0)
        createFolders(path.substr(0, slash).c_str(), 0);
    std::string bytes = os::to_latin1(text);
    return os::write_file_atomic(path, bytes.data(), bytes.size());
}
