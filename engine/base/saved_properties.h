// saved_properties.h -- properties files a program writes back: a damaged one
// is set aside and the shipped copy takes its place
//
// Settings, main-menu choices, log-on fields and score tables are properties
// files the program reads at start and rewrites as the player changes them;
// several are also the templates of their pages. A damaged copy (garbage
// bytes, a runaway line, a folder in its place, a file cut short) would leave
// a page blank or stuck, so such a file is checked before it is read:
//
//   folder\name             the file the program reads and writes
//   folder\defaults\name    the pristine copy the build lays beside it (a
//                           template the program writes back); none for a
//                           file the program makes itself (a score table)
//
// A damaged file is moved aside ("name.damaged", os::set_aside_damaged_file;
// never overwritten), the user is told once in a message box naming the file
// and where it went, and the shipped copy is put in its place, so the page
// works again from its defaults. A missing file with a shipped copy gets the
// copy without a word. A file that lacks entries of its shipped copy is
// damaged only when it holds none or ends inside a line (cut short); one
// that ends whole was saved by an earlier build, before the page gained
// them: without a word, the entries are put in from the shipped copy, each
// after the entry it follows there, and every other entry takes the shipped
// layout around the fields the player set (status, selected, text, texture,
// mask; a plain value is the player's as a whole).
#pragma once

#include "engine/base/properties.h"

// The folder beside a saved file that holds its shipped copy.
inline constexpr const WCHAR* kShippedCopyFolder = u"defaults";

// Longest line a saved file holds; a longer one is damage (the programs
// write short "key=field:value, ..." lines).
inline constexpr size_t kSavedLineLimit = 4096;

// Checks folder\name as above before it is read. True when the file was
// found damaged (and set aside where it could be).
bool repairSavedProperties(const WCHAR* folder, const WCHAR* name);

// repairSavedProperties, then table.load(folder, name, keyList): the table
// holds the file, its shipped copy after damage, or nothing (false) when
// there is neither. A file that was damaged but could not be moved is not
// read: the table takes the shipped copy, keeping folder\name as its path.
bool loadSavedProperties(Properties& table, const WCHAR* folder, const WCHAR* name, PtrVector* keyList = nullptr);
