#pragma once

#include <cstdint>
#include <memory>

#include "platform/wave_format.h"

namespace tavelo::platform {

// An audio engine on the default output device, a mastering voice that mixes for it, and source
// voices that play blocks of samples through it. Calls return 0 or the audio library's error code
// instead of throwing: the caller decides which message a failure carries.
//
// Each voice holds the object it was made from, so an engine stays open while anything made from it
// still exists, whatever order its owners let go in.

class AudioEngine {
public:
    AudioEngine() = default;
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Opens the default output device; fails when the machine has none.
    int open() noexcept;

private:
    friend class MasteringVoice;
    void* device_ = nullptr;  // the library's device handle
};

class MasteringVoice {
public:
    MasteringVoice() = default;
    ~MasteringVoice();
    MasteringVoice(const MasteringVoice&) = delete;
    MasteringVoice& operator=(const MasteringVoice&) = delete;

    // Starts mixing for the engine's device in the device's own channels and rate.
    int open(std::shared_ptr<AudioEngine> engine) noexcept;

private:
    friend class SourceVoice;
    // The library keeps one current mixing context per process; voices select theirs before each call.
    void makeCurrent() const noexcept;

    std::shared_ptr<AudioEngine> engine_;
    void* context_ = nullptr;  // the library's context handle
};

// Plays queued sample blocks in one format. A started voice plays its queue and idles when the queue
// runs dry; a stopped voice holds its place. The voice keeps its own copy of the samples it plays.
class SourceVoice {
public:
    SourceVoice() = default;
    ~SourceVoice();
    SourceVoice(const SourceVoice&) = delete;
    SourceVoice& operator=(const SourceVoice&) = delete;

    // Makes a voice for `format` (with its cbSize extra bytes behind it) that feeds `output`. Formats
    // that cannot be played are refused: integer PCM of 8, 16, 24 or 32 bits and 32-bit float, in 1,
    // 2, 4, 6, 7 or 8 channels, at 1000 to 200000 frames a second.
    int open(std::shared_ptr<MasteringVoice> output, const WaveFormat& format) noexcept;

    int start() noexcept;
    int stop() noexcept;
    // Drops the queued blocks; a started voice finishes the block it is playing.
    int flushSourceBuffers() noexcept;
    // Queues `size` bytes of samples to play once; a trailing partial frame is not played. While a
    // block is queued its bytes must stay as they are, and only one block of samples is held at a
    // time: a different block can be submitted once the queue has been flushed.
    int submitSourceBuffer(const void* data, uint32_t size) noexcept;

private:
    int load(const void* data, uint32_t size) noexcept;
    int state() const noexcept;
    int resetQueue() noexcept;

    std::shared_ptr<MasteringVoice> output_;
    uint32_t source_ = 0;
    uint32_t buffer_ = 0;
    int sampleFormat_ = 0;
    uint32_t frameRate_ = 0;
    uint32_t frameBytes_ = 0;
    uint8_t integerBytes_ = 0;  // 3 or 4 for integer samples played as floats
    bool started_ = false;
    // The block the library buffer was filled from; submitting it again reuses the buffer.
    const void* loadedData_ = nullptr;
    uint32_t loadedSize_ = 0;
    bool loaded_ = false;
    // Flushed blocks that a playing source cannot give back yet; a resubmission of the same block
    // takes the place of one of them instead of queueing another copy.
    uint32_t flushedButQueued_ = 0;
};

}  // namespace tavelo::platform
