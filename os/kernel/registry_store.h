// registry_store.h -- the registry's contents and the file that keeps them
#pragma once

#include <os/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace os::registry {

struct Value
{
    std::u16string name; // as created
    DWORD type = 0;
    std::string data; // raw bytes
};

struct Key
{
    std::u16string path; // full path as created, "HKEY_LOCAL_MACHINE\Software\X"
    std::vector<Value> values; // in creation order
};

// Keys by their case-folded full path. A hive (the first component) exists
// whether or not it has an entry.
struct Store
{
    std::map<std::u16string, Key> keys;
    bool damaged = false;    // some lines of the file could not be read
    bool unreadable = false; // nothing of the file could be read
    size_t lost_values = 0;  // values dropped because their key line could not be read
};

std::u16string fold(const std::u16string& text);

// Add a key and every key above it; answers the key.
Key& ensure_key(Store& store, const std::u16string& path);

// Add a value to a key, replacing one of the same name.
void set_value(Key& key, Value value);

// The text form of the store, and back. parse never fails: what it cannot
// read it skips, and tells so through damaged / unreadable.
std::string serialize(const Store& store);
Store parse(const std::string& bytes);

// Run `look` on the current contents of the registry file, under a shared
// lock. False when the file cannot be reached (locking fails).
bool read(const std::function<void(const Store&)>& look);

// Load the file under an exclusive lock, run `apply` on it and, when it
// answers ERROR_SUCCESS, write the file back by temporary file and rename.
//
// Whichever of the two first meets a damaged or unreadable file moves it
// aside as "registry.damaged" ("-2", ... beside earlier ones), leaves a
// notice for the user (take_notice), and goes on with what could be read of
// it (nothing for a file that is not a registry at all), which becomes the
// registry file. A damaged file that cannot be moved is read as far as it
// can be and never written over (change answers ERROR_CANTWRITE).
LONG change(const std::function<LONG(Store&)>& apply);

// What the user is told about a damaged registry, in device paths: the
// window manager shows it in a message box once the program has shown a
// window (the registry is often read before the program has set up its
// screen), and takes it then. A notice no box took by the time the process
// ends is written to stderr instead. Answers nothing when there is nothing new.
struct Notice
{
    std::u16string caption;
    std::u16string text;
};
std::optional<Notice> take_notice();
bool notice_waiting(); // cheap: whether take_notice has something

// Called after a registry call that left a notice, with the registry's lock
// released (the window manager shows the notice at once when it can).
void set_notice_hook(void (*hook)());

} // namespace os::registry
