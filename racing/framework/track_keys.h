// track_keys.h -- reading the values of a track file (or any template)
// the race pages need: fields of an entry, numbers, colours; and the one
// "Error" box of a race that cannot be set up
#pragma once

#include <cstdint>
#include <string>

class Properties;

namespace racing {

// The text of a field ("model:Oval.3ds") of a template value, trimmed.
std::u16string fieldText(const char16_t* value, const char16_t* field);
float toFloat(const std::u16string& text, float fallback);
uint32_t colourOf(Properties& p, const char16_t* key, uint32_t fallback, bool* present = nullptr);
float keyFloat(Properties& p, const char16_t* key, float fallback);
void showError(const char* text);
// A device path with every "\..\" and the folder name before it removed.
std::u16string collapsedPath(std::u16string path);
// The "Error" box naming what the game cannot find by its device path:
// "The file "<path>" is missing." (or what is given for "file").
void showMissing(const std::u16string& path, const char* what = "file");
// The "Error" box of a folder without what the game looks for there:
// "No <what> was found in "<folder>"."
void showNoneFound(const char* what, const std::u16string& folder);

struct TrackKeys;
// "track.widthAdjust" and the edge roughness of "track.zigzagside".
void readTrackKeys(Properties& p, TrackKeys& keys);

} // namespace racing
