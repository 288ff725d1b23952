// sound_dictionary.h -- wave sounds loaded once by file name and shared
//
// The dictionary owns its sounds: reset and the destructor stop and delete
// them with their name copies (WaveSound drops its own queued completion
// notices when it goes).
#pragma once

#include "engine/base/hashtable.h"
#include "engine/platform/wave_sound.h"

class SoundDictionary
{
public:
    int32_t wasPresent = 0;

    SoundDictionary();
    ~SoundDictionary();
    SoundDictionary(const SoundDictionary&) = delete;
    SoundDictionary& operator=(const SoundDictionary&) = delete;

    WaveSound* load(const WCHAR* folder, const WCHAR* name);
    bool findPlaying() const;
    void pauseAll();
    void resumeAll();
    void stopAll();
    void reset();
    int size() const { return table.size(); }

private:
    template <typename Action>
    void forEach(Action action) const;

    Hashtable table;
};
