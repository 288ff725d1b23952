// sound_dictionary.cpp -- the canvas's shared wave sounds
#include "engine/scene/core/sound_dictionary.h"

#include "engine/base/wstring_utils.h"
#include "engine/scene/core/named_table.h"
#include "engine/scene/core/texture_dictionary.h"

SoundDictionary::SoundDictionary() : table(Hashtable::kStringKeys) {}

SoundDictionary::~SoundDictionary()
{
    reset();
}

template <typename Action>
void SoundDictionary::forEach(Action action) const
{
    void** keys = table.keys();
    for (int i = 0; i < table.size(); ++i)
        action(static_cast<WaveSound*>(table.get(keys[i])));
}

WaveSound* SoundDictionary::load(const WCHAR* folder, const WCHAR* name)
{
    if (!name)
        return nullptr;
    if (auto* found = static_cast<WaveSound*>(table.get(name)))
    {
        wasPresent = 1;
        return found;
    }
    WCHAR* path = joinResourcePath(folder, name);
    auto* sound = new WaveSound(path);
    delete[] path;
    table.put(copyText(name), sound);
    wasPresent = 0;
    return sound;
}

bool SoundDictionary::findPlaying() const
{
    bool playing = false;
    forEach([&](WaveSound* sound) { playing = playing || sound->state == WaveSound::Playing; });
    return playing;
}

void SoundDictionary::pauseAll()
{
    forEach([](WaveSound* sound) { sound->pause(); });
}

void SoundDictionary::resumeAll()
{
    forEach([](WaveSound* sound) { sound->resume(); });
}

void SoundDictionary::stopAll()
{
    forEach([](WaveSound* sound) { sound->stop(); });
}

void SoundDictionary::reset()
{
    releaseNamedTable<WaveSound>(table, [](WaveSound* sound) {
        sound->stop();
        delete sound;
    });
}
