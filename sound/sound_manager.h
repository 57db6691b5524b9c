#pragma once

#include <cstddef>
#include <memory>

#include "core/singleton.h"
#include "core/stream_reader.h"
#include "sound/sound.h"

namespace tavelo {

// A registry of sounds keyed by id, loaded from RIFF WAVE files. Every int is a valid id; a load
// under a taken id returns the new sound without registering it.
class ISoundManager {
public:
    virtual ~ISoundManager() = default;

    // Loads the WAVE file that lies whole in memory.
    std::shared_ptr<ISound> loadSound(int id, const void* data, size_t size) {
        return loadSoundImpl(id, data, size);
    }
    // Loads the WAVE file that `stream` holds from its start; an empty stream gives no sound.
    std::shared_ptr<ISound> loadSound(int id, IStreamReader& stream) { return loadSoundImpl(id, stream); }
    // Removes the sound registered under `id`, if any; holders of the sound keep it.
    void unloadSound(int id) { unloadSoundImpl(id); }
    // The sound registered under `id`, or an empty pointer.
    std::shared_ptr<ISound> getSound(int id) { return getSoundImpl(id); }

protected:
    virtual std::shared_ptr<ISound> loadSoundImpl(int id, const void* data, size_t size) = 0;
    virtual std::shared_ptr<ISound> loadSoundImpl(int id, IStreamReader& stream) = 0;
    virtual void unloadSoundImpl(int id) = 0;
    virtual std::shared_ptr<ISound> getSoundImpl(int id) = 0;
};

// The process's one sound registry. It plays through the audio engine, or silently when no engine or
// output device can be opened; the choice is made once, when the instance is created.
//
// An instance still held at exit is dropped by the static clean-up, which runs before the audio
// library's own teardown, so the engine is still there to be closed.
class SoundManager : public ISoundManager, public Singleton<SoundManager> {
public:
    SoundManager();
    ~SoundManager() override;

protected:
    std::shared_ptr<ISound> loadSoundImpl(int id, const void* data, size_t size) override;
    std::shared_ptr<ISound> loadSoundImpl(int id, IStreamReader& stream) override;
    void unloadSoundImpl(int id) override;
    std::shared_ptr<ISound> getSoundImpl(int id) override;

private:
    std::shared_ptr<ISoundManager> impl_;
};

// Drops the sound manager at the end of the program; never throws.
void releaseSoundManager() noexcept;

}  // namespace tavelo
