#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "sound/sound_manager.h"
#include "sound/wave_data_reader.h"

namespace tavelo {

// The registry that every concrete sound manager runs: loads parse the WAVE file, make the manager's
// own kind of sound from it and register it unless the id is taken. The registry holds one reference
// to each registered sound; it takes no lock and is used from one thread at a time.
class SoundRegistry : public ISoundManager {
protected:
    // `loadMethodName` names the manager's load in its messages.
    explicit SoundRegistry(const char* loadMethodName) : loadMethodName_(loadMethodName) {}

    // Makes the manager's sound from a parsed file; the reader stands on the first data byte.
    virtual std::shared_ptr<ISound> makeSound(WaveDataReader& reader) = 0;
    // Drops every registered sound.
    void clearSounds() noexcept { sounds_.clear(); }

    std::shared_ptr<ISound> loadSoundImpl(int id, const void* data, size_t size) override;
    std::shared_ptr<ISound> loadSoundImpl(int id, IStreamReader& stream) override;
    void unloadSoundImpl(int id) override;
    std::shared_ptr<ISound> getSoundImpl(int id) override;

private:
    const char* loadMethodName_;
    std::map<int32_t, std::shared_ptr<ISound>> sounds_;
};

}  // namespace tavelo
