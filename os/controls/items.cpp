// items.cpp -- the item store of list boxes and combo boxes
#include "os/controls/items.h"

#include <os/wstring.h>

#include <algorithm>

namespace os::controls {

int compare_nocase(std::u16string_view a, std::u16string_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        WCHAR x = wtolower16(a[i]);
        WCHAR y = wtolower16(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int ItemList::add(std::u16string_view text, bool sorted)
{
    int row = count();
    if (sorted)
    {
        auto it = std::upper_bound(items_.begin(), items_.end(), text, [](std::u16string_view t, const Item& item) {
            return compare_nocase(t, item.text) < 0;
        });
        row = (int)(it - items_.begin());
    }
    return insert(row, text);
}

int ItemList::insert(int row, std::u16string_view text)
{
    if (row == -1)
        row = count();
    if (row < 0 || row > count())
        return -1;
    items_.insert(items_.begin() + row, Item{std::u16string(text), 0});
    if (selection_ >= row)
        ++selection_;
    return row;
}

int ItemList::remove(int row)
{
    if (!valid(row))
        return -1;
    items_.erase(items_.begin() + row);
    if (selection_ == row)
        selection_ = -1;
    else if (selection_ > row)
        --selection_;
    if (top_ >= count())
        top_ = std::max(0, count() - 1);
    return count();
}

void ItemList::clear()
{
    items_.clear();
    selection_ = -1;
    top_ = 0;
}

int ItemList::find(int start, std::u16string_view text, Match match) const
{
    int n = count();
    if (!valid(start))
        start = -1;
    for (int k = 1; k <= n; ++k)
    {
        int row = (start + k) % n;
        std::u16string_view item = items_[row].text;
        bool hit = match == Match::Exact ? compare_nocase(item, text) == 0
                                         : item.size() >= text.size() && compare_nocase(item.substr(0, text.size()), text) == 0;
        if (hit)
            return row;
    }
    return -1;
}

bool ItemList::select(int row)
{
    if (row != -1 && !valid(row))
        return false;
    selection_ = row;
    return true;
}

void ItemList::scroll_into_view(int row, int visible)
{
    if (!valid(row))
        return;
    visible = std::max(1, visible);
    if (row < top_)
        top_ = row;
    else if (row >= top_ + visible)
        top_ = row - visible + 1;
}

} // namespace os::controls
