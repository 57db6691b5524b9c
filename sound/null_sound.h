#pragma once

#include <cstdint>
#include <vector>

#include "sound/sound.h"
#include "sound/wave_data_reader.h"

namespace tavelo {

// A sound that parses and holds its data exactly as an audible one does, and plays nothing.
class NullSound : public ISound {
public:
    explicit NullSound(WaveDataReader& reader);

protected:
    void startImpl() override {}
    void stopImpl() override {}
    void rewindImpl() override {}

private:
    std::vector<uint8_t> data_;  // read and kept as an audible sound keeps its samples
};

}  // namespace tavelo
