// ptr_vector.h -- the engine's growable array of untyped pointers
//
// The vector owns its array, never the objects pointed to: owners delete the
// elements themselves before they let the vector go.
#pragma once

class PtrVector
{
public:
    explicit PtrVector(int initialCapacity = 0);
    ~PtrVector();
    PtrVector(const PtrVector&) = delete;
    PtrVector& operator=(const PtrVector&) = delete;

    // Element i; callers keep i below size().
    void* get(int i) const { return items[i]; }
    void add(void* p);
    void remove(void* p);
    void removeAt(int i);
    void clear();
    int indexOf(const void* p) const;
    int contains(const void* p) const { return indexOf(p) >= 0 ? 1 : 0; }

    int size() const { return count; }
    int getCapacity() const { return capacity; }
    // The vector's own array (not a copy).
    void** data() const { return items; }

private:
    void reallocate(int newCapacity, int skip);

    void** items;
    int count = 0;
    int capacity;
    int initialCapacity;
    int increment = 1;
    int growth = 2;
};
