#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio_engine.h"
#include "sound/sound.h"
#include "sound/wave_data_reader.h"

namespace tavelo {

// A sound played by one source voice of the audio engine, in its file's own format. The whole data
// chunk is queued as one block; a new sound stands stopped with that block queued.
class XAudio2Sound : public ISound {
public:
    // Throws ComException when the engine refuses the format, IoException when the data cannot be read.
    // The sound holds the mastering voice, and through it the engine, for as long as it exists.
    XAudio2Sound(std::shared_ptr<platform::MasteringVoice> engine, WaveDataReader& reader);

protected:
    void startImpl() override;
    void stopImpl() override;
    void rewindImpl() override;

private:
    // Declared first so that it outlives the voice that plays from it.
    std::vector<uint8_t> data_;
    platform::SourceVoice voice_;
};

}  // namespace tavelo
