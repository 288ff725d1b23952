// ptr_vector.cpp -- growth by (capacity + 1) x 2, shrinking on removal
#include "engine/base/ptr_vector.h"

PtrVector::PtrVector(int initialCapacity)
    : items(new void*[initialCapacity > 0 ? initialCapacity : 0]),
      capacity(initialCapacity > 0 ? initialCapacity : 0),
      initialCapacity(capacity)
{
}

PtrVector::~PtrVector()
{
    delete[] items;
}

// Moves the elements into a new array of newCapacity slots, leaving out the
// element at index skip (-1: none).
void PtrVector::reallocate(int newCapacity, int skip)
{
    void** fresh = new void*[newCapacity];
    int n = 0;
    for (int i = 0; i < count; ++i)
    {
        if (i != skip)
            fresh[n++] = items[i];
    }
    delete[] items;
    items = fresh;
    capacity = newCapacity;
}

void PtrVector::add(void* p)
{
    if (count >= capacity)
        reallocate((capacity + increment) * growth, -1);
    items[count++] = p;
}

void PtrVector::remove(void* p)
{
    int i = indexOf(p);
    if (i >= 0)
        removeAt(i);
}

void PtrVector::removeAt(int i)
{
    if (i < 0 || i >= count)
        return;
    if (count <= capacity / growth - increment)
    {
        reallocate(count, i);
    }
    else
    {
        for (int k = i; k + 1 < count; ++k)
            items[k] = items[k + 1];
    }
    --count;
}

void PtrVector::clear()
{
    if (count == 0)
        return;
    count = 0;
    if (capacity > initialCapacity)
    {
        delete[] items;
        items = new void*[initialCapacity];
        capacity = initialCapacity;
    }
}

int PtrVector::indexOf(const void* p) const
{
    for (int i = 0; i < count; ++i)
    {
        if (items[i] == p)
            return i;
    }
    return -1;
}
