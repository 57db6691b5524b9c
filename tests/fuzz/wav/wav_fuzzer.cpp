#include <cstddef>
#include <cstdint>

#include "core/exception.h"
#include "sound/null_sound_manager.h"
#include "sound/wave_data_reader.h"

// Takes any bytes as a WAVE file: parses them, reads the whole data in uneven steps, skips, and loads
// them as a sound. Malformed input may end only in the reader's IoException.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        tavelo::WaveDataReader reader(data, size);
        // Every byte the format promises is there to be read.
        const auto* format = reinterpret_cast<const uint8_t*>(reader.format());
        volatile uint8_t last = format[sizeof(tavelo::platform::WaveFormat) + reader.format()->cbSize - 1];
        (void)last;

        uint8_t buffer[1024];
        size_t total = 0;
        for (size_t step = 1;; step = step * 7 % sizeof buffer + 1) {
            const size_t count = reader.read(buffer, step);
            total += count;
            if (count < step) {
                break;
            }
            if (total > reader.dataSize()) {
                __builtin_trap();
            }
        }
        if (total != reader.dataSize() || !reader.isEnd() || reader.skip(10) != 0) {
            __builtin_trap();
        }
    } catch (const tavelo::IoException&) {
    }

    try {
        tavelo::NullSoundManager manager;
        manager.loadSound(0, data, size);
    } catch (const tavelo::IoException&) {
    }
    return 0;
}
