// list_view.h -- rows of an item list drawn in a window (LISTBOX and the
// drop-down list of a COMBOBOX)
#pragma once

#include "os/controls/control_private.h"
#include "os/controls/items.h"
#include "os/controls/scroll_bar.h"

namespace os::controls {

struct ListLook
{
    RECT rows{};          // where rows are drawn (client coordinates)
    RECT bar{};           // the scroll bar, empty when none is shown
    int row_height = 1;
    int visible_rows = 1; // whole rows that fit
};

// item_height 0: the font's line height.
ListLook list_look(HWND hwnd, const ItemList& items, int item_height, const ControlState& state);
// Fill with the brush, draw the rows from the top row, the selected one
// inverted with the highlight colours, and the scroll bar. With `focused`
// the row the keys move from (the selection, else the top row) gets the
// dotted focus mark.
void paint_list(HDC hdc, const RECT& client, bool border, const ItemList& items, const ListLook& look, HBRUSH brush,
                bool focused = false);
// The row under a client point, -1 when none.
int row_at(const ListLook& look, const ItemList& items, POINT p);
// Page the rows when a point is on the bar (above or below the thumb).
bool bar_page(const ListLook& look, ItemList& items, POINT p);
// The LB_ messages that only touch the item store (add, insert, delete,
// reset, select, find, text, data, top row); false for other messages.
// `changed` tells whether the rows shown may differ.
bool items_message(ItemList& items, bool sorted, int visible_rows, UINT msg, WPARAM wparam, LPARAM lparam,
                   LRESULT* result, bool* changed);
// Text of an LB_/CB_ string argument (NULL is empty).
inline LPCWSTR text_arg(LPARAM lparam)
{
    return lparam ? (LPCWSTR)lparam : u"";
}
// Scroll the rows by a WM_MOUSEWHEEL turn, never past the last page.
void scroll_by_wheel(ItemList& items, const ListLook& look, int& rest, WPARAM wparam);
// The row a navigation key moves the selection to (-1 for other keys).
int key_target(const ItemList& items, const ListLook& look, WPARAM key);

} // namespace os::controls
