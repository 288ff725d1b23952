// object_test.cpp -- GDI objects: stock objects, pens, brushes, selection, deletion, DC attributes
#include "gdi_test_util.h"

#include <os/sync.h>

#include <gtest/gtest.h>

using namespace gdi_test;

namespace {

struct StockCase
{
    int id;
    DWORD type;
    UINT style;
    COLORREF color;
};

const StockCase kStock[] = {
    {WHITE_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(255, 255, 255)},
    {LTGRAY_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(192, 192, 192)},
    {GRAY_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(128, 128, 128)},
    {DKGRAY_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(64, 64, 64)},
    {BLACK_BRUSH, OBJ_BRUSH, BS_SOLID, RGB(0, 0, 0)},
    {NULL_BRUSH, OBJ_BRUSH, BS_NULL, 0},
    {WHITE_PEN, OBJ_PEN, PS_SOLID, RGB(255, 255, 255)},
    {BLACK_PEN, OBJ_PEN, PS_SOLID, RGB(0, 0, 0)},
    {NULL_PEN, OBJ_PEN, PS_NULL, 0},
};

TEST(GetStockObject, AnswersTheStockObjects)
{
    for (const StockCase& c : kStock)
    {
        HGDIOBJ object = GetStockObject(c.id);
        ASSERT_NE(object, nullptr) << "stock " << c.id;
        EXPECT_EQ(GetObjectType(object), c.type) << "stock " << c.id;
        EXPECT_EQ(GetStockObject(c.id), object) << "stock " << c.id << ": expected the same handle each time";
        if (c.type == OBJ_BRUSH)
        {
            LOGBRUSH lb{};
            EXPECT_EQ(GetObjectW(object, sizeof(lb), &lb), int(sizeof(lb)));
            EXPECT_EQ(lb.lbStyle, c.style) << "stock " << c.id;
            EXPECT_EQ(lb.lbColor, c.color) << "stock " << c.id << ": expected " << hex(c.color) << ", got "
                                           << hex(lb.lbColor);
        }
        else
        {
            LOGPEN lp{};
            EXPECT_EQ(GetObjectW(object, sizeof(lp), &lp), int(sizeof(lp)));
            EXPECT_EQ(lp.lopnStyle, c.style) << "stock " << c.id;
            EXPECT_EQ(lp.lopnColor, c.color) << "stock " << c.id;
        }
    }
    EXPECT_EQ(GetStockObject(HOLLOW_BRUSH), GetStockObject(NULL_BRUSH));
}

TEST(GetStockObject, RefusesUnknownIds)
{
    for (int id : {-1, 9, 18, 1000})
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetStockObject(id), nullptr) << "id " << id;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << "id " << id;
    }
}

TEST(DeleteObject, LeavesStockObjectsAlive)
{
    for (const StockCase& c : kStock)
    {
        HGDIOBJ object = GetStockObject(c.id);
        EXPECT_TRUE(DeleteObject(object)) << "stock " << c.id;
        EXPECT_EQ(GetObjectType(object), c.type) << "stock " << c.id << " must survive DeleteObject";
    }
}

TEST(DeleteObject, RefusesUnknownAndDeletedHandles)
{
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_TRUE(DeleteObject(brush));
    const HGDIOBJ bad[] = {brush, nullptr, reinterpret_cast<HGDIOBJ>(uintptr_t(0x1234)), INVALID_HANDLE_VALUE};
    for (HGDIOBJ h : bad)
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(DeleteObject(h)) << h;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << h;
        EXPECT_EQ(GetObjectType(h), 0u) << h;
    }
}

TEST(DeleteObject, KernelAndGdiHandlesDoNotMix)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteObject(event));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetObjectType(event), 0u);
    HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CloseHandle(brush));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH)) << "CloseHandle must leave a brush alone";
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(CloseHandle(event));
}

TEST(DeleteObject, RefusesDeviceContexts)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteObject(dc));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(GetObjectType(dc), 0u);
}

TEST(CreatePen, KeepsItsLogicalPen)
{
    struct Case
    {
        int style;
        int width;
        COLORREF color;
    } cases[] = {
        {PS_SOLID, 1, RGB(10, 20, 30)}, {PS_SOLID, 0, RGB(255, 0, 0)}, {PS_SOLID, 5, RGB(0, 0, 255)},
        {PS_DASH, 1, RGB(0, 160, 0)},   {PS_NULL, 1, RGB(9, 9, 9)},    {PS_INSIDEFRAME, 3, RGB(1, 1, 1)},
    };
    for (const Case& c : cases)
    {
        HPEN pen = CreatePen(c.style, c.width, c.color);
        ASSERT_NE(pen, nullptr) << "style " << c.style;
        LOGPEN lp{};
        EXPECT_EQ(GetObjectW(pen, sizeof(lp), &lp), int(sizeof(lp)));
        EXPECT_EQ(lp.lopnStyle, UINT(c.style));
        EXPECT_EQ(lp.lopnWidth.x, c.width);
        EXPECT_EQ(lp.lopnColor, c.color) << "expected " << hex(c.color) << ", got " << hex(lp.lopnColor);
        LOGPEN again{};
        HPEN copy = CreatePenIndirect(&lp);
        EXPECT_EQ(GetObjectW(copy, sizeof(again), &again), int(sizeof(again)));
        EXPECT_EQ(memcmp(&again, &lp, sizeof(lp)), 0) << "CreatePenIndirect must keep the record";
        DeleteObject(copy);
        DeleteObject(pen);
    }
}

TEST(CreatePen, RefusesUnknownStylesAndNullRecords)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreatePen(7, 1, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreatePenIndirect(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(CreateBrushIndirect, AcceptsSolidNullAndPatternOnly)
{
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, nullptr);
    struct Case
    {
        UINT style;
        ULONG_PTR hatch;
        bool ok;
    } cases[] = {
        {BS_SOLID, 0, true},
        {BS_NULL, 0, true},
        {BS_PATTERN, reinterpret_cast<ULONG_PTR>(pattern), true},
        {BS_PATTERN, 0x1234, false},
        {BS_HATCHED, 1, false},
        {BS_DIBPATTERNPT, 0, false},
    };
    for (const Case& c : cases)
    {
        LOGBRUSH lb{c.style, RGB(5, 6, 7), c.hatch};
        SetLastError(0xdeadbeef);
        HBRUSH brush = CreateBrushIndirect(&lb);
        EXPECT_EQ(brush != nullptr, c.ok) << "style " << c.style;
        if (!c.ok)
        {
            EXPECT_TRUE(GetLastError() == ERROR_INVALID_PARAMETER || GetLastError() == ERROR_INVALID_HANDLE)
                << "style " << c.style << ": got " << GetLastError();
        }
        DeleteObject(brush);
    }
    DeleteObject(pattern);
}

TEST(GetObjectW, CopiesPartOrAnswersTheSize)
{
    HBRUSH brush = CreateSolidBrush(RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(GetObjectW(brush, 0, nullptr), int(sizeof(LOGBRUSH)));
    LOGBRUSH lb{99, 0xFFFFFFFF, 0};
    EXPECT_EQ(GetObjectW(brush, sizeof(UINT), &lb), int(sizeof(UINT)));
    EXPECT_EQ(lb.lbStyle, UINT(BS_SOLID));
    EXPECT_EQ(lb.lbColor, 0xFFFFFFFFu) << "bytes past the size asked must stay";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetObjectW(reinterpret_cast<HGDIOBJ>(uintptr_t(0x4444)), sizeof(lb), &lb), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DeleteObject(brush);
}

TEST(SelectObject, AnswersThePreviousObjectOfEachKind)
{
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_BRUSH)), brush);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
}

TEST(SelectObject, RefusesBadHandles)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(uintptr_t(0x5552))), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(pen), pen), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SelectObject(dc, dc), nullptr) << "a DC is not selectable";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN)) << "a refused selection changes nothing";
    DeleteObject(pen);
    DeleteDC(dc);
}

TEST(SelectObject, ABitmapLivesInOneDcAtATime)
{
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(first, 4, 4);
    HGDIOBJ original = SelectObject(first, bitmap);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(GetObjectType(original), DWORD(OBJ_BITMAP)) << "a fresh memory DC holds the default bitmap";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteObject(bitmap)) << "a selected bitmap cannot be deleted";
    EXPECT_EQ(SelectObject(first, bitmap), bitmap) << "selecting it again into its own DC is allowed";
    EXPECT_EQ(SelectObject(first, original), bitmap);
    EXPECT_NE(SelectObject(second, bitmap), nullptr) << "free again once selected out";
    HGDIOBJ default_second = GetCurrentObject(second, OBJ_BITMAP);
    EXPECT_EQ(default_second, bitmap);
    DeleteDC(second);
    EXPECT_TRUE(DeleteObject(bitmap)) << "deleting its DC frees the bitmap";
    DeleteDC(first);
}

TEST(DeleteDC, RefusesUnknownHandles)
{
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(DeleteDC(dc));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    HBRUSH brush = CreateSolidBrush(0);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(brush)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    DeleteObject(brush);
}

TEST(CreateCompatibleDC, RefusesABadReferenceDc)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(uintptr_t(0x7776))), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST(GdiObjects, CreateAndDeleteLeaveNoHandles)
{
    HDC warm = CreateCompatibleDC(nullptr); // stock objects made once
    DeleteDC(warm);
    size_t before = os::gdi::object_count();
    for (int i = 0; i < 50; ++i)
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(i, 0, 0));
        HBRUSH brush = CreateSolidBrush(RGB(0, i, 0));
        HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 3);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteObject(brush);
        DeleteObject(pen);
        DeleteDC(dc);
    }
    EXPECT_EQ(os::gdi::object_count(), before);
}

TEST(DcAttributes, SettersAnswerThePreviousValue)
{
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
    EXPECT_EQ(GetPolyFillMode(dc), ALTERNATE);
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(dc, RGB(7, 8, 9)), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(7, 8, 9));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetROP2(dc, R2_NOT), R2_COPYPEN);
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_NOT);
    EXPECT_EQ(SetPolyFillMode(dc, WINDING), ALTERNATE);
    DeleteDC(dc);
}

TEST(DcAttributes, RefuseOutOfRangeModesAndBadDcs)
{
    HDC dc = CreateCompatibleDC(nullptr);
    struct Case
    {
        int (*set)(HDC, int);
        int value;
        int kept;
        int (*get)(HDC);
    } cases[] = {
        {SetBkMode, 0, OPAQUE, GetBkMode},         {SetBkMode, 3, OPAQUE, GetBkMode},
        {SetROP2, 0, R2_COPYPEN, GetROP2},         {SetROP2, 17, R2_COPYPEN, GetROP2},
        {SetPolyFillMode, 3, ALTERNATE, GetPolyFillMode},
    };
    for (const Case& c : cases)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(c.set(dc, c.value), 0) << "value " << c.value;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << "value " << c.value;
        EXPECT_EQ(c.get(dc), c.kept) << "value " << c.value;
    }
    HDC bad = reinterpret_cast<HDC>(uintptr_t(0x3332));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetTextColor(bad, 0), CLR_INVALID);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetBkColor(bad), CLR_INVALID);
    EXPECT_EQ(SetBkMode(bad, OPAQUE), 0);
    DeleteDC(dc);
}

TEST(SaveDC, RestoreDCBringsBackAttributesAndObjects)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    HBITMAP first = CreateCompatibleBitmap(dc, 2, 2);
    HBITMAP second = CreateCompatibleBitmap(dc, 2, 2);
    HGDIOBJ original = SelectObject(dc, first);
    SetTextColor(dc, RGB(1, 1, 1));
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, pen);
    SelectObject(dc, second);
    SetTextColor(dc, RGB(2, 2, 2));
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, RGB(3, 3, 3));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(2, 2, 2));
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 1, 1));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), first);
    EXPECT_TRUE(DeleteObject(second)) << "the bitmap restored away is free";
    for (int level : {1, -1, 0, 5})
    {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(RestoreDC(dc, level)) << "level " << level << " with nothing saved";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    SelectObject(dc, original);
    DeleteDC(dc);
    DeleteObject(first);
    DeleteObject(pen);
}

TEST(ReleaseDC, ToleratesMemoryDcsAndDoubleRelease)
{
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, memory), 0);
    EXPECT_EQ(GetObjectType(memory), DWORD(OBJ_MEMDC)) << "ReleaseDC must leave a memory DC alone";
    DeleteDC(memory);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetObjectType(screen), DWORD(OBJ_DC));
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
}

TEST(GetSysColor, AnswersTheLightTheme)
{
    struct Case
    {
        int index;
        COLORREF color;
    } cases[] = {
        {COLOR_WINDOW, RGB(255, 255, 255)},
        {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {COLOR_BTNFACE, RGB(192, 192, 192)},
        {COLOR_BTNTEXT, RGB(0, 0, 0)},
        {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
        {COLOR_GRAYTEXT, RGB(128, 128, 128)},
        {SYS_COLOR_INDEX_FLAG | COLOR_WINDOW, RGB(255, 255, 255)},
        {SYS_COLOR_INDEX_FLAG | COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {-1, 0},
        {29, 0},
        {1000, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(GetSysColor(c.index), c.color) << "index " << hex(DWORD(c.index)) << ": expected " << hex(c.color)
                                                 << ", got " << hex(GetSysColor(c.index));
    }
}

TEST(GetSysColorBrush, AnswersOneLastingBrushPerColour)
{
    for (int index : {COLOR_WINDOW, COLOR_BTNFACE, COLOR_HIGHLIGHT})
    {
        HBRUSH brush = GetSysColorBrush(index);
        ASSERT_NE(brush, nullptr);
        EXPECT_EQ(GetSysColorBrush(index), brush);
        LOGBRUSH lb{};
        GetObjectW(brush, sizeof(lb), &lb);
        EXPECT_EQ(lb.lbColor, GetSysColor(index));
        DeleteObject(brush);
        EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH)) << "system brushes survive DeleteObject";
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace
