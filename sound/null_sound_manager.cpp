#include "sound/null_sound_manager.h"

#include "sound/null_sound.h"

namespace tavelo {

std::shared_ptr<ISound> NullSoundManager::makeSound(WaveDataReader& reader) {
    return std::make_shared<NullSound>(reader);
}

}  // namespace tavelo
