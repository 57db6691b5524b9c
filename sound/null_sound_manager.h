#pragma once

#include "sound/sound_registry.h"

namespace tavelo {

// The sound registry of a machine without sound: every file that parses loads, whatever its format,
// and its sounds play nothing.
class NullSoundManager : public SoundRegistry {
public:
    NullSoundManager() : SoundRegistry("tavelo::NullSoundManager::loadSoundImpl") {}

protected:
    std::shared_ptr<ISound> makeSound(WaveDataReader& reader) override;
};

}  // namespace tavelo
