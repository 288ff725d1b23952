// font.h -- fonts and text output of the device's GDI
//
// Fonts are GDI objects made from a LOGFONTW. Every face name maps to the
// DejaVu Sans family shipped with the project (regular, bold for weights of
// 600 and more, oblique for italic), so text looks the same on every machine.
// Glyphs are anti-aliased: their coverage is blended over the destination in
// its own pixel format.
#pragma once

#include <os/gdi.h>
#include <os/types.h>

#define LF_FACESIZE 32

struct LOGFONTW
{
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTW* LPLOGFONTW;
typedef LOGFONTW* PLOGFONTW;
typedef LOGFONTW LOGFONT;
static_assert(sizeof(LOGFONTW) == 92, "LOGFONTW keeps the device's layout");

struct TEXTMETRICW
{
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
typedef TEXTMETRICW* LPTEXTMETRICW;
typedef TEXTMETRICW TEXTMETRIC;

// Weights
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

// Character sets, precisions, qualities, pitch and family
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// ExtTextOutW options
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// Text alignment (SetTextAlign)
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// DrawTextW formats
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_END_ELLIPSIS 0x00008000

// Fonts. A face name is kept as given (GetObjectW reads it back); the glyphs
// always come from DejaVu Sans. lfHeight < 0 asks for a character height in
// pixels, > 0 for a cell height (ascent + descent), 0 for the device default
// (a 13-pixel cell).
HFONT CreateFontIndirectW(const LOGFONTW* logfont);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeout, DWORD charset, DWORD out_precision, DWORD clip_precision,
                  DWORD quality, DWORD pitch_and_family, LPCWSTR face);
#define CreateFontIndirect CreateFontIndirectW
#define CreateFont CreateFontW

// Text output with the DC's font, text colour, background colour and mode.
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int max_extent, LPINT fit, LPINT dx, LPSIZE size);
BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int GetTextFaceW(HDC hdc, int count, LPWSTR face);
#define ExtTextOut ExtTextOutW
#define TextOut TextOutW
#define DrawText DrawTextW
#define GetTextExtentPoint32 GetTextExtentPoint32W
#define GetTextExtentExPoint GetTextExtentExPointW
#define GetTextMetrics GetTextMetricsW
#define GetTextFace GetTextFaceW
