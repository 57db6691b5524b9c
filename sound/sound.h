#pragma once

namespace tavelo {

// One playable sound. Restarting it from its first sample is stop, rewind, start.
class ISound {
public:
    virtual ~ISound() = default;

    // Begins or resumes playing.
    void start() { startImpl(); }
    void stop() { stopImpl(); }
    // Goes back to the start of the sound; a playing sound first finishes the pass it is in.
    void rewind() { rewindImpl(); }

protected:
    virtual void startImpl() = 0;
    virtual void stopImpl() = 0;
    virtual void rewindImpl() = 0;
};

}  // namespace tavelo
