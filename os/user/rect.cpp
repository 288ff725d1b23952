// rect.cpp -- rectangle helpers
//
// A rectangle includes its left and top edges and excludes its right and
// bottom edges; one with right <= left or bottom <= top is empty.
#include <os/user.h>

#include <algorithm>

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
    {
        return FALSE;
    }
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect)
{
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT dst, const RECT* src)
{
    if (!dst || !src)
    {
        return FALSE;
    }
    *dst = *src;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect)
{
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL EqualRect(const RECT* a, const RECT* b)
{
    if (!a || !b)
    {
        return FALSE;
    }
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
    {
        return FALSE;
    }
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
    {
        return FALSE;
    }
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b)
    {
        return FALSE;
    }
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&r))
    {
        SetRectEmpty(dst);
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b)
    {
        return FALSE;
    }
    if (IsRectEmpty(a) && IsRectEmpty(b))
    {
        SetRectEmpty(dst);
        return FALSE;
    }
    if (IsRectEmpty(a) || IsRectEmpty(b))
    {
        *dst = IsRectEmpty(a) ? *b : *a;
        return TRUE;
    }
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    return TRUE;
}

// The smallest rectangle holding a minus b: b is cut away only when it
// spans a whole side of a, since the result must stay a rectangle.
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b)
    {
        return FALSE;
    }
    RECT r = *a;
    RECT hit;
    if (IntersectRect(&hit, a, b))
    {
        if (hit.left == r.left && hit.right == r.right)
        {
            if (hit.top == r.top)
            {
                r.top = hit.bottom;
            }
            else if (hit.bottom == r.bottom)
            {
                r.bottom = hit.top;
            }
        }
        else if (hit.top == r.top && hit.bottom == r.bottom)
        {
            if (hit.left == r.left)
            {
                r.left = hit.right;
            }
            else if (hit.right == r.right)
            {
                r.right = hit.left;
            }
        }
    }
    if (IsRectEmpty(&r))
    {
        SetRectEmpty(dst);
        return FALSE;
    }
    *dst = r;
    return TRUE;
}
