// items.h -- the item store of list boxes and combo boxes
//
// Rows of text with a pointer-sized data word each, the current selection
// and the top row shown. Searches compare case-insensitively and start at the
// row after `start` (-1 or an invalid row: from the first), wrapping round to
// `start` itself.
#pragma once

#include <os/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace os::controls {

struct Item
{
    std::u16string text;
    LPARAM data = 0;
};

class ItemList
{
public:
    int count() const { return (int)items_.size(); }
    bool valid(int row) const { return row >= 0 && row < count(); }
    const Item& at(int row) const { return items_[row]; }
    Item& at(int row) { return items_[row]; }

    // Append (or, sorted, insert in case-insensitive order); answers the row.
    int add(std::u16string_view text, bool sorted);
    // Insert before row (-1: at the end); -1 when row is past the end.
    int insert(int row, std::u16string_view text);
    // Remove a row; answers the rows left or -1 for a bad row.
    int remove(int row);
    void clear();

    enum class Match
    {
        Prefix,
        Exact,
    };
    int find(int start, std::u16string_view text, Match match) const;

    int selection() const { return selection_; }
    // Select a row or -1 for none; false (selection kept) for a bad row.
    bool select(int row);

    int top() const { return top_; }
    void set_top(int row) { top_ = row < 0 ? 0 : row; }
    // Scroll the least needed for a row to be among `visible` rows from top.
    void scroll_into_view(int row, int visible);

private:
    std::vector<Item> items_;
    int selection_ = -1;
    int top_ = 0;
};

// Case-insensitive comparison of 16-bit text (ASCII and Latin-1 letters).
int compare_nocase(std::u16string_view a, std::u16string_view b);

} // namespace os::controls
