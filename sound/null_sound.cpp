#include "sound/null_sound.h"

namespace tavelo {

NullSound::NullSound(WaveDataReader& reader) : data_(readWaveData(reader, "tavelo::NullSound::NullSound")) {}

}  // namespace tavelo
