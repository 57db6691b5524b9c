#include "platform/audio_engine.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace tavelo::platform {
namespace {

ALCdevice* asDevice(void* handle) {
    return static_cast<ALCdevice*>(handle);
}
ALCcontext* asContext(void* handle) {
    return static_cast<ALCcontext*>(handle);
}

// Clears the library's sticky error so that the next check sees only what follows.
void clearError() noexcept {
    alGetError();
}

// The extensible format names its sample type by a GUID whose first two bytes are the plain tag.
uint16_t sampleTag(const WaveFormat& format) noexcept {
    if (format.formatTag != waveFormatExtensible) {
        return format.formatTag;
    }
    constexpr uint16_t extensibleSize = 22;
    constexpr uint8_t subFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (format.cbSize < extensibleSize) {
        return 0;
    }
    const auto* subFormat = reinterpret_cast<const uint8_t*>(&format) + sizeof(WaveFormat) + 6;
    if (std::memcmp(subFormat + 2, subFormatTail, sizeof subFormatTail) != 0) {
        return 0;
    }
    return static_cast<uint16_t>(subFormat[0] | subFormat[1] << 8);
}

const char* channelLayoutName(uint16_t channels) noexcept {
    switch (channels) {
        case 1:
            return "MONO";
        case 2:
            return "STEREO";
        case 4:
            return "QUAD";
        case 6:
            return "51CHN";
        case 7:
            return "61CHN";
        case 8:
            return "71CHN";
        default:
            return nullptr;
    }
}

enum class SampleType : uint8_t { None, Uint8, Int16, Float32 };

// The library's format for `channels` channels of `type` samples, or 0 when it has none.
int libraryFormat(uint16_t channels, SampleType type) noexcept {
    const char* layout = channelLayoutName(channels);
    const bool multichannel = channels > 2;
    if (!layout || type == SampleType::None || (multichannel && !alIsExtensionPresent("AL_EXT_MCFORMATS")) ||
        (type == SampleType::Float32 && !alIsExtensionPresent("AL_EXT_FLOAT32"))) {
        return 0;
    }
    const char* sample = type == SampleType::Uint8   ? "8"
                         : type == SampleType::Int16 ? "16"
                         : multichannel              ? "32"
                                                     : "_FLOAT32";
    char name[32];
    std::snprintf(name, sizeof name, "AL_FORMAT_%s%s", layout, sample);
    const ALenum value = alGetEnumValue(name);
    clearError();
    return value == -1 ? 0 : value;
}

// Little-endian signed integers of 3 or 4 bytes, scaled to -1..1. Each sample is moved to the top of
// a 32-bit word, so one scale serves both widths.
void convertToFloat(const uint8_t* bytes, uint32_t sourceBytes, std::vector<float>& samples) noexcept {
    constexpr float scale = 1.0f / 2147483648.0f;
    for (size_t i = 0; i < samples.size(); ++i) {
        uint32_t value = 0;
        std::memcpy(reinterpret_cast<uint8_t*>(&value) + 4 - sourceBytes, bytes + i * sourceBytes,
                    sourceBytes);
        samples[i] = static_cast<float>(static_cast<int32_t>(value)) * scale;
    }
}

}  // namespace

AudioEngine::~AudioEngine() {
    if (device_) {
        alcCloseDevice(asDevice(device_));
    }
}

int AudioEngine::open() noexcept {
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device) {
        const ALCenum error = alcGetError(nullptr);
        return error != ALC_NO_ERROR ? error : ALC_INVALID_DEVICE;
    }
    device_ = device;
    return 0;
}

MasteringVoice::~MasteringVoice() {
    if (context_) {
        if (alcGetCurrentContext() == asContext(context_)) {
            alcMakeContextCurrent(nullptr);
        }
        alcDestroyContext(asContext(context_));
    }
}

int MasteringVoice::open(std::shared_ptr<AudioEngine> engine) noexcept {
    ALCdevice* device = asDevice(engine->device_);
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context) {
        const ALCenum error = alcGetError(device);
        return error != ALC_NO_ERROR ? error : ALC_INVALID_CONTEXT;
    }
    if (!alcMakeContextCurrent(context)) {
        const ALCenum error = alcGetError(device);
        alcDestroyContext(context);
        return error != ALC_NO_ERROR ? error : ALC_INVALID_CONTEXT;
    }
    engine_ = std::move(engine);
    context_ = context;
    return 0;
}

void MasteringVoice::makeCurrent() const noexcept {
    if (alcGetCurrentContext() != asContext(context_)) {
        alcMakeContextCurrent(asContext(context_));
    }
}

SourceVoice::~SourceVoice() {
    if (!output_) {
        return;
    }
    output_->makeCurrent();
    // The source lets go of the buffer first: a buffer still attached cannot be deleted.
    alDeleteSources(1, &source_);
    alDeleteBuffers(1, &buffer_);
}

int SourceVoice::open(std::shared_ptr<MasteringVoice> output, const WaveFormat& format) noexcept {
    output->makeCurrent();
    clearError();

    constexpr uint32_t minFrameRate = 1000;
    constexpr uint32_t maxFrameRate = 200000;
    const uint16_t tag = sampleTag(format);
    const uint16_t bits = format.bitsPerSample;
    SampleType type = SampleType::None;
    uint8_t integerBytes = 0;
    if (tag == waveFormatPcm && bits == 8) {
        type = SampleType::Uint8;
    } else if (tag == waveFormatPcm && bits == 16) {
        type = SampleType::Int16;
    } else if (tag == waveFormatPcm && (bits == 24 || bits == 32)) {
        // The library has no deeper integer formats; floats carry 24 bits exactly.
        type = SampleType::Float32;
        integerBytes = static_cast<uint8_t>(bits / 8);
    } else if (tag == waveFormatIeeeFloat && bits == 32) {
        type = SampleType::Float32;
    }
    const int sampleFormat = libraryFormat(format.channels, type);
    if (sampleFormat == 0 || format.blockAlign != format.channels * bits / 8 ||
        format.samplesPerSec < minFrameRate || format.samplesPerSec > maxFrameRate) {
        return AL_INVALID_ENUM;
    }

    ALuint source = 0;
    alGenSources(1, &source);
    if (ALenum error = alGetError(); error != AL_NO_ERROR) {
        return error;
    }
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (ALenum error = alGetError(); error != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        return error;
    }
    // Several channels play as they are rather than being placed around the listener.
    if (format.channels > 1 && alIsExtensionPresent("AL_SOFT_direct_channels")) {
        alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
        clearError();
    }

    output_ = std::move(output);
    source_ = source;
    buffer_ = buffer;
    sampleFormat_ = sampleFormat;
    frameRate_ = format.samplesPerSec;
    frameBytes_ = format.blockAlign;
    integerBytes_ = integerBytes;
    return 0;
}

int SourceVoice::state() const noexcept {
    ALint value = AL_INITIAL;
    alGetSourcei(source_, AL_SOURCE_STATE, &value);
    return value;
}

// Empties the queue of a voice that is not playing and puts it back at its start.
int SourceVoice::resetQueue() noexcept {
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alSourceRewind(source_);
    flushedButQueued_ = 0;
    return alGetError();
}

int SourceVoice::start() noexcept {
    output_->makeCurrent();
    clearError();
    // Playing a source that already plays would restart it; a drained source waits for a submission.
    const int current = state();
    if (current == AL_INITIAL || current == AL_PAUSED) {
        alSourcePlay(source_);
    }
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR) {
        started_ = true;
    }
    return error;
}

int SourceVoice::stop() noexcept {
    output_->makeCurrent();
    clearError();
    if (state() == AL_PLAYING) {
        alSourcePause(source_);
    }
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR) {
        started_ = false;
    }
    return error;
}

int SourceVoice::flushSourceBuffers() noexcept {
    output_->makeCurrent();
    clearError();
    if (!started_ || state() != AL_PLAYING) {
        return resetQueue();
    }
    // A playing source keeps the block it is on; what it has finished can go, what follows cannot.
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed; ++i) {
        ALuint unqueued = 0;
        alSourceUnqueueBuffers(source_, 1, &unqueued);
    }
    ALint queued = 0;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    flushedButQueued_ = queued > 1 ? static_cast<uint32_t>(queued - 1) : 0;
    return alGetError();
}

int SourceVoice::submitSourceBuffer(const void* data, uint32_t size) noexcept {
    output_->makeCurrent();
    clearError();
    // A drained source would replay its finished blocks when played again.
    if (state() == AL_STOPPED) {
        if (ALenum error = resetQueue(); error != AL_NO_ERROR) {
            return error;
        }
    }
    const bool sameBlock = loaded_ && data == loadedData_ && size == loadedSize_;
    if (sameBlock && flushedButQueued_ > 0) {
        --flushedButQueued_;
        return 0;
    }
    if (!sameBlock) {
        ALint queued = 0;
        alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
        if (queued > 0) {
            return AL_INVALID_OPERATION;
        }
        if (ALenum error = load(data, size); error != AL_NO_ERROR) {
            return error;
        }
    }
    alSourceQueueBuffers(source_, 1, &buffer_);
    if (started_ && state() != AL_PLAYING) {
        alSourcePlay(source_);
    }
    return alGetError();
}

int SourceVoice::load(const void* data, uint32_t size) noexcept {
    loaded_ = false;
    const uint32_t bytes = size / frameBytes_ * frameBytes_;
    std::vector<float> converted;
    const void* samples = data;
    uint64_t sampleBytes = bytes;
    if (integerBytes_ != 0) {
        try {
            converted.resize(bytes / integerBytes_);
        } catch (const std::bad_alloc&) {
            return AL_OUT_OF_MEMORY;
        }
        convertToFloat(static_cast<const uint8_t*>(data), integerBytes_, converted);
        samples = converted.data();
        sampleBytes = converted.size() * sizeof(float);
    }
    if (sampleBytes > INT32_MAX) {
        return AL_OUT_OF_MEMORY;
    }
    alBufferData(buffer_, sampleFormat_, samples, static_cast<ALsizei>(sampleBytes),
                 static_cast<ALsizei>(frameRate_));
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR) {
        loaded_ = true;
        loadedData_ = data;
        loadedSize_ = size;
    }
    return error;
}

}  // namespace tavelo::platform
