#include "sound/xaudio2_sound_manager.h"

#include "core/exception.h"
#include "core/format_string.h"
#include "sound/xaudio2_sound.h"

namespace tavelo {

XAudio2SoundManager::XAudio2SoundManager() : SoundRegistry("tavelo::XAudio2SoundManager::loadSoundImpl") {
    constexpr const char* method = "tavelo::XAudio2SoundManager::XAudio2SoundManager";
    auto engine = std::make_shared<platform::AudioEngine>();
    if (int error = engine->open()) {
        throw ComException(formatString("XAudio2Create API failed in %s method.", method), error);
    }
    auto masteringVoice = std::make_shared<platform::MasteringVoice>();
    if (int error = masteringVoice->open(engine)) {
        throw ComException(formatString("CreateMasteringVoice API failed in %s method.", method), error);
    }
    engine_ = std::move(engine);
    masteringVoice_ = std::move(masteringVoice);
}

XAudio2SoundManager::~XAudio2SoundManager() {
    clearSounds();
    masteringVoice_.reset();
    engine_.reset();
}

std::shared_ptr<ISound> XAudio2SoundManager::makeSound(WaveDataReader& reader) {
    return std::make_shared<XAudio2Sound>(masteringVoice_, reader);
}

}  // namespace tavelo
