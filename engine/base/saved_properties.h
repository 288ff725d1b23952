// saved_properties.h -- properties files a program writes back: a damaged one
// is set aside and the shipped copy takes its place
//
// Settings, main-menu choices and log-on fields are properties files the
// program reads at start and rewrites as the player changes them;
// several are also the templates of their pages. A damaged copy (garbage
// bytes, a runaway line, a folder in its place, a file cut short) would leave
// a page blank or stuck, so such a file is checked before it is read:
//
//   folder\name             the file the program reads and writes
//   folder\defaults\name    the pristine copy the build lays beside it (a
//                           template the program writes back); none for a
//                           file the program makes itself
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

#include <functional>
#include <string>

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

// A saved file of records the program makes itself, one to a line (a pilot
// roster, a score table), which keeps what can be read of it when damaged.
// It is checked as above, and is damaged too when it is empty, when its last
// line has no newline (every save ends each line with one: the file was cut
// inside its last record) or when `damage` finds a record in it that the
// program cannot have written. A damaged file is set aside and the user told
// once, as above, but its readable records stay: `keep` gets the file's
// path and its whole lines (text no longer than kSavedLineLimit, line ends
// as LF, the cut last line left out), writes the file anew from the records
// among them and answers how many it kept. When it keeps none the shipped
// copy, if any, takes the file's place. The box ends with what became of the
// records. A missing file is left missing: no records yet.
struct SavedRecords
{
    const char16_t* keptOne;  // "the pilot that could be read is kept"
    const char16_t* keptMany; // "the %d pilots that could be read are kept"
    const char16_t* keptNone; // "the shipped pilots are used"
    const char16_t* stuck;    // the file could not be set aside: "the pilots are not read or saved in this run"
    // Why the file (whose text passed the checks) is damaged after all, or null.
    std::function<const char16_t*()> damage;
    std::function<int(const std::u16string& path, const std::string& wholeLines)> keep;
};

enum class SavedRecordsState
{
    Sound,     // sound
    Missing,   // no file (nothing is put in its place)
    Repaired,  // damaged: set aside, its readable records (or the shipped copy) in its place
    Unwritable // damaged and could not be set aside: to be neither read nor written
};

SavedRecordsState repairSavedRecords(const WCHAR* folder, const WCHAR* name, const SavedRecords& records);
