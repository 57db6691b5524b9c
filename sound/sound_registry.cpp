#include "sound/sound_registry.h"

#include <cstdint>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

std::shared_ptr<ISound> SoundRegistry::loadSoundImpl(int id, const void* data, size_t size) {
    WaveDataReader reader(data, size);
    std::shared_ptr<ISound> sound = makeSound(reader);
    // A taken id keeps its sound; the new one lives only as long as the caller holds it.
    sounds_.emplace(id, sound);
    return sound;
}

std::shared_ptr<ISound> SoundRegistry::loadSoundImpl(int id, IStreamReader& stream) {
    // The whole length, not what lies after the cursor: a stream not at its start reads short.
    const int64_t length = stream.getLength();
    if (length <= 0 || length > int64_t{UINT32_MAX}) {
        return {};
    }
    const auto size = static_cast<size_t>(length);
    const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(size);
    if (stream.read(buffer.get(), size) != size) {
        throw IoException(formatString("Invalid file format in %s method.", loadMethodName_));
    }
    return loadSound(id, buffer.get(), size);
}

void SoundRegistry::unloadSoundImpl(int id) {
    sounds_.erase(id);
}

std::shared_ptr<ISound> SoundRegistry::getSoundImpl(int id) {
    const auto found = sounds_.find(id);
    return found != sounds_.end() ? found->second : nullptr;
}

}  // namespace tavelo
