// hashtable.cpp -- sampling hash, growth at load 0.75, shrink on removal
#include "engine/base/hashtable.h"

#include <os/wstring.h>

#include <cstring>

Hashtable::Hashtable(int keyMode) : keyMode(keyMode)
{
    init(kInitialBuckets);
}

Hashtable::~Hashtable()
{
    release();
}

void Hashtable::init(int n)
{
    loadFactor = 0.75f;
    threshold = int(float(n) * loadFactor);
    buckets = new Entry*[n]();
    bucketCount = n;
    count = 0;
    keyList = new PtrVector(0);
}

void Hashtable::release()
{
    for (int b = 0; b < bucketCount; ++b)
    {
        for (Entry* e = buckets[b]; e;)
        {
            Entry* next = e->next;
            delete e;
            e = next;
        }
    }
    delete[] buckets;
    buckets = nullptr;
    bucketCount = 0;
    count = 0;
    delete keyList;
    keyList = nullptr;
}

void Hashtable::clear()
{
    if (count == 0)
        return;
    release();
    init(kInitialBuckets);
}

// Strings: 32 samples at positions k * len / 32 (k = 1..32), so the last
// sample is always the terminator. Pointers: the address.
int Hashtable::hash(const void* key) const
{
    if (keyMode != kStringKeys)
        return int(uint32_t(uintptr_t(key)));
    const WCHAR* text = static_cast<const WCHAR*>(key);
    uint32_t len = uint32_t(wcslen(text));
    uint32_t step = len < 65535 ? len : 65535;
    uint32_t acc = 0;
    uint32_t h = 0;
    for (int k = 0; k < 32; ++k)
    {
        acc += step;
        h = h * 31 + text[acc / 32];
    }
    return int(h);
}

bool Hashtable::keysEqual(const void* a, const void* b) const
{
    if (keyMode != kStringKeys)
        return a == b;
    return wcscmp(static_cast<const WCHAR*>(a), static_cast<const WCHAR*>(b)) == 0;
}

Hashtable::Entry* Hashtable::find(const void* key, int h) const
{
    for (Entry* e = buckets[bucketIndex(h)]; e; e = e->next)
    {
        if (e->hash == h && keysEqual(e->key, key))
            return e;
    }
    return nullptr;
}

void* Hashtable::put(void* key, void* value)
{
    if (!key || !value)
        return nullptr;
    int h = hash(key);
    if (Entry* e = find(key, h))
    {
        void* old = e->value;
        e->value = value;
        return old;
    }
    if (count >= threshold)
        rehash(2 * bucketCount + 1);
    int b = bucketIndex(h);
    buckets[b] = new Entry{h, key, value, buckets[b]};
    ++count;
    keyList->add(key);
    return nullptr;
}

void* Hashtable::get(const void* key) const
{
    if (!key)
        return nullptr;
    Entry* e = find(key, hash(key));
    return e ? e->value : nullptr;
}

void Hashtable::removeFromKeyList(const void* key)
{
    for (int i = 0; i < keyList->size(); ++i)
    {
        if (keysEqual(keyList->get(i), key))
        {
            keyList->removeAt(i);
            return;
        }
    }
}

void* Hashtable::remove(const void* key)
{
    if (!key)
        return nullptr;
    int h = hash(key);
    Entry** link = &buckets[bucketIndex(h)];
    while (*link && !((*link)->hash == h && keysEqual((*link)->key, key)))
        link = &(*link)->next;
    Entry* e = *link;
    if (!e)
        return nullptr;
    *link = e->next;
    --count;
    int smaller = (bucketCount - 1) / 2;
    if (count > int(0.75f * 32) && count < int(float(smaller) * 0.75f))
        rehash(smaller);
    // The key list is searched with the caller's key, before the entry (and
    // the key it may point into) goes.
    removeFromKeyList(key);
    void* value = e->value;
    delete e;
    return value;
}

void Hashtable::rehash(int n)
{
    threshold = int(float(n) * loadFactor);
    Entry** fresh = new Entry*[n]();
    Entry** old = buckets;
    int oldCount = bucketCount;
    buckets = fresh;
    bucketCount = n;
    for (int b = oldCount - 1; b >= 0; --b)
    {
        for (Entry* e = old[b]; e;)
        {
            Entry* next = e->next;
            int nb = bucketIndex(e->hash);
            e->next = buckets[nb];
            buckets[nb] = e;
            e = next;
        }
    }
    delete[] old;
}

void releaseListTable(Hashtable* table)
{
    void** keys = table->keys();
    int n = table->size();
    for (int i = 0; i < n; ++i)
        delete static_cast<PtrVector*>(table->get(keys[i]));
    table->clear();
}

void deleteListTable(Hashtable*& table)
{
    if (!table)
        return;
    releaseListTable(table);
    delete table;
    table = nullptr;
}
