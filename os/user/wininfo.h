// wininfo.h -- what the window manager tells GDI about windows
//
// Window DCs draw into the device screen clipped to the window's visible
// area: its client rectangle in screen coordinates, cut to its ancestors'
// client areas, minus its visible children and the visible windows above it
// (higher siblings of it and of each ancestor, and top-level windows above
// its top-level window). A control therefore stays visible while its parent
// blits a whole picture every frame.
#pragma once

#include <os/types.h>

#include <vector>

namespace os::user {

// True when hwnd is a live window of this process.
bool is_window(HWND hwnd);

// The client rectangle in screen coordinates; false for an unknown window.
bool client_rect_on_screen(HWND hwnd, RECT* out);

// The whole window rectangle (non-client included) in screen coordinates.
bool window_rect_on_screen(HWND hwnd, RECT* out);

// The visible part of the client area as disjoint screen rectangles; empty
// when the window or an ancestor is hidden. include_children keeps the
// children's areas (a DC of a class with CS_PARENTDC, or GetDCEx-style use).
void visible_client_rects(HWND hwnd, std::vector<RECT>& out, bool include_children = false);

// Bumped whenever any window moves, shows, hides, is created or destroyed, so
// that a DC can keep its computed clip until the layout changes.
unsigned layout_generation();

// Take the pending update region of a window for painting: its bounding
// rectangle in client coordinates and whether the background must be erased.
// Validates the window. False when nothing was invalid.
bool take_update_region(HWND hwnd, RECT* client_rect, bool* erase);

} // namespace os::user
