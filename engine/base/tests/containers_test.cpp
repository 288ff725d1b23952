// containers_test.cpp -- PtrVector growth and removal, Hashtable order and sizing
#include "engine/base/hashtable.h"
#include "engine/base/ptr_vector.h"

#include <gtest/gtest.h>

#include <os/wstring.h>

#include <string>
#include <vector>

namespace {

void* ptr(intptr_t n)
{
    return reinterpret_cast<void*>(n);
}

std::vector<intptr_t> contents(const PtrVector& v)
{
    std::vector<intptr_t> out;
    for (int i = 0; i < v.size(); ++i)
        out.push_back(reinterpret_cast<intptr_t>(v.get(i)));
    return out;
}

std::vector<std::u16string> keyTexts(const Hashtable& table)
{
    std::vector<std::u16string> out;
    for (int i = 0; i < table.size(); ++i)
        out.push_back(static_cast<const WCHAR*>(table.keys()[i]));
    return out;
}

} // namespace

TEST(PtrVector, GrowsByCapacityPlusOneTimesTwo)
{
    PtrVector v(0);
    // capacity after the n-th add
    const std::vector<std::pair<int, int>> expected = {{1, 2}, {2, 2}, {3, 6}, {6, 6}, {7, 14}, {15, 30}};
    int added = 0;
    for (auto [n, capacity] : expected)
    {
        while (added < n)
            v.add(ptr(++added));
        EXPECT_EQ(v.getCapacity(), capacity) << "after " << n << " adds";
    }
    EXPECT_EQ(v.size(), 15);
}

TEST(PtrVector, RemoveAtOutOfRangeDoesNothing)
{
    PtrVector v(0);
    v.add(ptr(1));
    v.add(ptr(2));
    for (int i : {-1, 2, 100})
    {
        v.removeAt(i);
        EXPECT_EQ(contents(v), (std::vector<intptr_t>{1, 2})) << "removeAt(" << i << ")";
    }
}

TEST(PtrVector, RemovalKeepsOrderOnBothPaths)
{
    // capacity 14 with 6 elements: 6 <= 14/2 - 1 takes the shrinking path
    PtrVector shrink(0);
    for (int i = 1; i <= 7; ++i)
        shrink.add(ptr(i));
    shrink.removeAt(6);
    ASSERT_EQ(shrink.getCapacity(), 14);
    shrink.removeAt(2);
    EXPECT_EQ(shrink.getCapacity(), 6);
    EXPECT_EQ(contents(shrink), (std::vector<intptr_t>{1, 2, 4, 5, 6}));

    PtrVector shift(0);
    for (int i = 1; i <= 6; ++i)
        shift.add(ptr(i));
    shift.remove(ptr(1));
    shift.remove(ptr(99)); // absent: nothing
    EXPECT_EQ(shift.getCapacity(), 6);
    EXPECT_EQ(contents(shift), (std::vector<intptr_t>{2, 3, 4, 5, 6}));
    EXPECT_EQ(shift.indexOf(ptr(4)), 2);
    EXPECT_EQ(shift.contains(ptr(1)), 0);
}

TEST(PtrVector, ClearReturnsToInitialCapacity)
{
    PtrVector v(2);
    for (int i = 1; i <= 5; ++i)
        v.add(ptr(i));
    v.clear();
    EXPECT_EQ(v.size(), 0);
    EXPECT_EQ(v.getCapacity(), 2);
    v.add(ptr(9));
    EXPECT_EQ(contents(v), (std::vector<intptr_t>{9}));
}

TEST(Hashtable, HashSamplesThirtyTwoPositions)
{
    Hashtable table(Hashtable::kStringKeys);
    EXPECT_EQ(table.hash(u""), 0);
    // Position 0 of a 100-character key is never sampled (the first sample
    // is at 100/32 = 3): the keys hash alike and stay two entries.
    std::u16string a(100, u'x');
    std::u16string b = a;
    b[0] = u'y';
    EXPECT_EQ(table.hash(a.c_str()), table.hash(b.c_str()));
    table.put(a.data(), ptr(1));
    table.put(b.data(), ptr(2));
    EXPECT_EQ(table.size(), 2);
    EXPECT_EQ(table.get(a.c_str()), ptr(1));
    EXPECT_EQ(table.get(b.c_str()), ptr(2));
    // "ab": 32 samples of key[k * 2 / 32]: k < 16 -> 'a' at index 0, then 'b', last the terminator
    uint32_t h = 0;
    for (int k = 1; k <= 32; ++k)
        h = h * 31 + (k * 2 / 32 == 0 ? u'a' : k * 2 / 32 == 1 ? u'b' : 0);
    EXPECT_EQ(uint32_t(table.hash(u"ab")), h);
}

TEST(Hashtable, PutOfAnExistingKeyKeepsItsPlace)
{
    Hashtable table(Hashtable::kStringKeys);
    WCHAR first[] = u"alpha";
    WCHAR again[] = u"alpha";
    table.put(first, ptr(1));
    table.put(const_cast<WCHAR*>(u"beta"), ptr(2));
    EXPECT_EQ(table.put(again, ptr(3)), ptr(1));
    EXPECT_EQ(keyTexts(table), (std::vector<std::u16string>{u"alpha", u"beta"}));
    EXPECT_EQ(table.keys()[0], first) << "the stored key stays the first one";
    EXPECT_EQ(table.get(u"alpha"), ptr(3));
    EXPECT_EQ(table.put(nullptr, ptr(4)), nullptr);
    EXPECT_EQ(table.put(first, nullptr), nullptr);
    EXPECT_EQ(table.get(nullptr), nullptr);
    EXPECT_EQ(table.size(), 2);
}

TEST(Hashtable, StringKeysCompareByTextPointerKeysByIdentity)
{
    WCHAR one[] = u"same";
    WCHAR two[] = u"same";
    Hashtable strings(Hashtable::kStringKeys);
    strings.put(one, ptr(1));
    strings.put(two, ptr(2));
    EXPECT_EQ(strings.size(), 1);
    Hashtable pointers(Hashtable::kPointerKeys);
    pointers.put(one, ptr(1));
    pointers.put(two, ptr(2));
    EXPECT_EQ(pointers.size(), 2);
    EXPECT_EQ(pointers.get(two), ptr(2));
    EXPECT_EQ(pointers.remove(one), ptr(1));
    EXPECT_EQ(pointers.remove(one), nullptr);
}

TEST(Hashtable, GrowsAtTheFortyNinthKeyAndShrinksBack)
{
    Hashtable table(Hashtable::kStringKeys);
    std::vector<std::u16string> storage; // the keys' texts stay where they are
    for (int i = 0; i < 49; ++i)
        storage.push_back(os::format(u"key%d", i));
    std::vector<std::u16string> names = storage;
    for (int i = 0; i < 49; ++i)
    {
        table.put(storage[i].data(), ptr(i + 1));
        EXPECT_EQ(table.getBucketCount(), i < 48 ? 65 : 131) << "after " << i + 1 << " keys";
    }
    EXPECT_EQ(keyTexts(table), names);
    table.remove(names[10].c_str());
    EXPECT_EQ(table.getBucketCount(), 131) << "48 entries: not below int(65 * 0.75)";
    table.remove(names[20].c_str());
    EXPECT_EQ(table.getBucketCount(), 65) << "47 entries shrink to 65 buckets";
    names.erase(names.begin() + 20);
    names.erase(names.begin() + 10);
    EXPECT_EQ(keyTexts(table), names);
    for (int i = 0; i < 49; ++i)
    {
        if (i != 10 && i != 20)
        {
            EXPECT_EQ(table.get(os::format(u"key%d", i).c_str()), ptr(i + 1));
        }
    }
}

TEST(Hashtable, ClearAndReleaseListTable)
{
    Hashtable table(Hashtable::kStringKeys);
    table.clear(); // empty: nothing happens
    auto* list = new PtrVector(0);
    list->add(ptr(1));
    table.put(const_cast<WCHAR*>(u"a"), list);
    table.put(const_cast<WCHAR*>(u"b"), new PtrVector(0));
    releaseListTable(&table); // the lists go; leak checkers see the rest
    EXPECT_EQ(table.size(), 0);
    EXPECT_EQ(table.get(u"a"), nullptr);
}

TEST(Hashtable, DeleteListTableTakesTheListsAndTheTableNotTheirElements)
{
    // Pointer keys, as a game group keeps its members' lists; the keys and
    // the lists' elements belong to someone else and outlive the table. The
    // element here is itself a list on the heap, so that a table that freed
    // its lists' elements too, or freed them as lists, leaves it broken (and
    // the sanitizers see it used after it was freed, and freed twice). Lists
    // or a table left behind are for the leak checker.
    int members[3] = {};
    auto* element = new PtrVector(0);
    element->add(&members[0]);
    auto* table = new Hashtable(Hashtable::kPointerKeys);
    for (int& member : members)
    {
        auto* list = new PtrVector(0);
        list->add(element);
        table->put(&member, list);
    }
    table->put(element, new PtrVector(0)); // an empty list goes as well
    deleteListTable(table);
    EXPECT_EQ(table, nullptr);
    ASSERT_EQ(element->size(), 1);
    EXPECT_EQ(element->get(0), &members[0]);
    element->add(&members[1]);
    EXPECT_EQ(contents(*element), (std::vector<intptr_t>{intptr_t(&members[0]), intptr_t(&members[1])}));
    delete element;
    deleteListTable(table); // a table already gone: nothing happens
    EXPECT_EQ(table, nullptr);
}
