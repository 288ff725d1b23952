// hashtable.h -- the engine's chained hash table with insertion-ordered keys
//
// Keys are wide strings compared by content (key mode kStringKeys) or
// pointers compared by identity (any other mode). The table remembers its
// keys in insertion order; that order is the file order of every properties
// file. Neither keys nor values are owned: owners free them, walking keys(),
// before the table goes.
#pragma once

#include "engine/base/ptr_vector.h"

#include <os/types.h>

class Hashtable
{
public:
    static constexpr int kStringKeys = 1;
    static constexpr int kPointerKeys = 0;
    static constexpr int kInitialBuckets = 65;

    explicit Hashtable(int keyMode);
    ~Hashtable();
    Hashtable(const Hashtable&) = delete;
    Hashtable& operator=(const Hashtable&) = delete;

    // The previous value of the key, or null. A null key or value stores
    // nothing. An existing key keeps its place and its first key pointer.
    void* put(void* key, void* value);
    void* get(const void* key) const;
    void* remove(const void* key);
    // Empties the table (only when it holds anything).
    void clear();
    // The racing build's name for clear: the entries are released, the keys
    // and values stay their owners'.
    void reset() { clear(); }

    // The key list's own array: size() keys in insertion order.
    void** keys() const { return keyList->data(); }
    int size() const { return count; }
    int getBucketCount() const { return bucketCount; }
    bool isStringMode() const { return keyMode == kStringKeys; }

    void rehash(int n);
    int hash(const void* key) const;
    bool keysEqual(const void* a, const void* b) const;

protected:
    void init(int n);
    void release();

private:
    struct Entry
    {
        int hash;
        void* key;
        void* value;
        Entry* next;
    };

    int bucketIndex(int h) const { return int(uint32_t(h) % uint32_t(bucketCount)); }
    Entry* find(const void* key, int h) const;
    void removeFromKeyList(const void* key);

    int count = 0;
    Entry** buckets = nullptr;
    PtrVector* keyList = nullptr;
    int keyMode;
    int bucketCount = 0;
    int threshold = 0;
    float loadFactor = 0.75f;
};

// Deletes every value of a table whose values are PtrVectors (the lists, not
// their elements) and releases the table's entries.
void releaseListTable(Hashtable* table);
// The same for a table of lists that its owner keeps on the heap (a game
// group's members' event lists): the lists go, then the table itself, and the
// owner's pointer is cleared. A null table is left as it is.
void deleteListTable(Hashtable*& table);
