// properties.h -- ".properties" files: ordered key = value tables
//
// A file is read line by line in file order: "key=value" entries, "#" and
// "!" comment lines and empty lines (kept as placeholder entries, so that a
// rewrite keeps the file's layout), a backslash at the end of a line joins
// the next one, and the text from the last "//" on is a remark. Values may
// refer to other entries as {name} and may hold item lists
// ("name:value, name:value"). Keys and values are wide copies the table owns.
#pragma once

#include "engine/base/hashtable.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class Properties : public Hashtable
{
public:
    static constexpr int kLineCapacity = 2048; // read chunk; lines may be longer
    static constexpr int kNestingLimit = 8;
    // Characters one get may copy while expanding references. A value that
    // takes in a name whose text refers to itself takes in those references
    // too, so it can multiply at every get; past this the remaining
    // references stay as text.
    static constexpr size_t kExpansionBudget = size_t(1) << 16;

    explicit Properties(WCHAR keySeparator = u'=', WCHAR itemSeparator = u',', WCHAR subSeparator = u':');
    ~Properties();

    // Frees every entry and forgets the path and the placeholder counters.
    void clear();
    // path := folder + name, with "\..\" collapsed.
    void setPath(const WCHAR* folder, const WCHAR* name);
    const WCHAR* getPath() const { return path.c_str(); }

    // Reads folder\name (from disk, else from the packs) into the table;
    // entries accumulate over several loads. Each new real key is also
    // appended (the table's own key text) to keyList when given. False when
    // the file does not open.
    bool load(const WCHAR* folder, const WCHAR* name, PtrVector* keyList = nullptr);
    // Gives the next line with its newline (a last line may have none);
    // false at the end.
    using LineSource = std::function<bool(std::u16string& line)>;
    // Reads the lines a source gives as load reads a file's (for a reader
    // that fetches lines its own way, e.g. with a bound on their length).
    void read(const LineSource& nextLine, PtrVector* keyList = nullptr);
    // Writes the table back to path in key order, replacing the file in one
    // step; false without a path or when the file cannot be written.
    bool save();

    // A new array (delete[] it, not the keys) of the real keys in file order.
    WCHAR** getKeys() const;
    int getKeyCount() const { return size() - commentCount - emptyLineCount; }

    // Stores copies, or the given buffers when the flags say the table takes
    // them. An existing key keeps its place and gets the new value. Keys
    // named like the placeholders ("_COMMENT_LINE_", "_EMPTY_LINE_") are
    // refused.
    void put(const WCHAR* key, const WCHAR* value, bool keyOwned = false, bool valueOwned = false);
    // Drops a real entry (key and value); comment and blank lines stay where
    // they are. False when the key is not there.
    bool remove(const WCHAR* key);
    // The value with its {name} references expanded (the expansion replaces
    // the stored value), or null.
    const WCHAR* get(const WCHAR* key);

    // A new copy (delete[]) of the field's value in the entry's item list, or
    // of the whole value for an empty or null field; null when missing.
    WCHAR* getField(const WCHAR* key, const WCHAR* field);
    bool getFieldBool(const WCHAR* key, const WCHAR* field, bool defaultValue);
    int getFieldInt(const WCHAR* key, const WCHAR* field, int defaultValue);
    // Copies the field into buffer (always terminated); null when missing or empty.
    WCHAR* getFieldString(const WCHAR* key, const WCHAR* field, WCHAR* buffer, int capacity);
    // Rebuilds the entry's item list with the field set to value (appended
    // when absent). A value that is plain text, not an item list, is left
    // as it is.
    void setField(const WCHAR* key, const WCHAR* field, const WCHAR* value);

    static bool isPlaceholder(const WCHAR* key);

private:
    void freeEntries();
    void freeValue(void* value) const;
    void store(WCHAR* key, WCHAR* value, PtrVector* keyList);
    void addPlaceholder(const WCHAR* prefix, int& counter, WCHAR* value);
    static bool readLine(FILE* file, std::u16string& line);
    void parseLine(std::u16string line, const LineSource& nextLine, PtrVector* keyList);
    void readContinuation(std::u16string& line, const LineSource& nextLine);
    void replaceKeyReference(WCHAR*& key);
    const WCHAR* getExpanded(const WCHAR* key, int depth);
    const WCHAR* expandReferences(const WCHAR* key, const WCHAR* stored, int depth);

    std::u16string path;
    std::vector<std::u16string> expanding; // names being expanded, outermost first
    size_t expansionLeft = 0;              // of kExpansionBudget, for the get under way
    int commentCount = 0;
    int emptyLineCount = 0;
    WCHAR keySeparator;
    WCHAR itemSeparator;
    WCHAR subSeparator;
};
