#include "sound/sound_manager.h"

#include <exception>

#include "sound/null_sound_manager.h"
#include "sound/xaudio2_sound_manager.h"

namespace tavelo {

SoundManager::SoundManager() {
    // No engine or no output device means silence, without a message.
    try {
        impl_ = std::make_shared<XAudio2SoundManager>();
    } catch (const std::exception&) {
        impl_ = std::make_shared<NullSoundManager>();
    }
}

SoundManager::~SoundManager() = default;

std::shared_ptr<ISound> SoundManager::loadSoundImpl(int id, const void* data, size_t size) {
    return impl_->loadSound(id, data, size);
}

std::shared_ptr<ISound> SoundManager::loadSoundImpl(int id, IStreamReader& stream) {
    return impl_->loadSound(id, stream);
}

void SoundManager::unloadSoundImpl(int id) {
    impl_->unloadSound(id);
}

std::shared_ptr<ISound> SoundManager::getSoundImpl(int id) {
    return impl_->getSound(id);
}

void releaseSoundManager() noexcept {
    try {
        Singleton<SoundManager>::releaseInstance();
    } catch (...) {
    }
}

}  // namespace tavelo
