// wstring_utils.h -- trimming, splitting and parsing 16-bit text
//
// All text of the engine is zero-terminated WCHAR text. Most functions work in
// place on the caller's buffer. splitTokens and splitKeyValue are the
// parsing core of the properties format; parseColor reads "(r;g;b)".
#pragma once

#include <os/types.h>

// Blanks and tabs: the set most callers trim.
extern const WCHAR kBlanks[];

bool isCharInSet(WCHAR ch, const WCHAR* set);
void trimRight(WCHAR* text, const WCHAR* set);
void trimLeft(WCHAR* text, const WCHAR* set);
void trim(WCHAR* text, const WCHAR* set);

// Removes every "\..\" with the folder name before it: a\b\..\c -> a\c.
// Leading ".." segments stay (..\..\x is kept); a "\..\" at the root drops
// the "..". Only backslashes separate.
WCHAR* collapseParentDirs(WCHAR* path);

// Every run of ch becomes a single ch.
WCHAR* collapseRuns(WCHAR* text, WCHAR ch);

// The first ch of text when it lies within the first n characters, else null.
const WCHAR* findCharWithin(const WCHAR* text, int n, WCHAR ch);

// Splits text at any of the separator characters into new tokens (free them
// with freeTokens). Without a join character (0) every piece is a token,
// empty ones between two separators included; an empty last piece is not.
// With a join character, a piece without it is appended (with the separator
// before it) to the previous token, and a first piece without it is dropped.
// Answers the number of tokens; *out is null when there are none.
int splitTokens(const WCHAR* text, const WCHAR* separators, WCHAR*** out, WCHAR join);
void freeTokens(WCHAR** tokens, int count);

// Trims text (blanks and tabs) in place and splits it at the first separator
// into a new key and a new value (delete[] both), each trimmed on the side of
// the separator. Without separator both are null.
void splitKeyValue(WCHAR* text, WCHAR separator, WCHAR** key, WCHAR** value);

WCHAR* replaceChar(WCHAR* text, WCHAR from, WCHAR to);
// Overwrites each occurrence of from by to when both have the same length.
WCHAR* replaceSameLength(WCHAR* text, const WCHAR* from, const WCHAR* to);
WCHAR* removeChars(WCHAR* text, const WCHAR* set);

// "(r;g;b)" in decimal -> r << 16 | g << 8 | b, components not masked;
// missing components count as 0. Trims text in place.
int parseColor(WCHAR* text);

// A new copy of text (delete[]), or null for null.
WCHAR* copyText(const WCHAR* text);
