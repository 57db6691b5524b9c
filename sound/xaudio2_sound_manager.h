#pragma once

#include <memory>

#include "platform/audio_engine.h"
#include "sound/sound_registry.h"

namespace tavelo {

// The audible sound registry: one audio engine on the default output device, its mastering voice,
// and sounds that play through them.
class XAudio2SoundManager : public SoundRegistry {
public:
    // Throws ComException when there is no engine or no output device.
    XAudio2SoundManager();
    // Destroys the sounds that only the registry holds before the mastering voice and the engine; a
    // sound held elsewhere keeps both until it goes.
    ~XAudio2SoundManager() override;

protected:
    std::shared_ptr<ISound> makeSound(WaveDataReader& reader) override;

private:
    std::shared_ptr<platform::AudioEngine> engine_;
    std::shared_ptr<platform::MasteringVoice> masteringVoice_;
};

}  // namespace tavelo
