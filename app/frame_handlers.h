#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "render/image.h"

#include "render/sprite.h"

class BenchmarkScene;

namespace tavelo {

class Screen;

// The face of the scene's texts, as its code page 932 bytes.
inline constexpr char sceneFontFace[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

// Sprite ids the handlers add.
inline constexpr uint32_t fpsTextId = 10000;
inline constexpr uint32_t particleId = 10100;

struct SnowFlake {
    uint32_t id;
    // Stays 0: each pass's sideways step is a fresh jitter.
    int32_t drift;
    int32_t speed;
    uint32_t baseOpacity;
    std::shared_ptr<ISprite> sprite;
};

// The average frame rate over the last 64 intervals between frames handed to the draw workers.
class FrameRateCounter {
public:
    FrameRateCounter();

    // A frame was handed over at `t` ms; returns the frames per second, 0 before two distinct times.
    double addFrame(uint32_t t);

private:
    static constexpr uint32_t ringSize = 64;
    static constexpr uint32_t empty = 0xFFFFFFFF;

    uint32_t ringIndex_ = 0;
    uint32_t lastFrameTime_ = 0;
    std::array<uint32_t, ringSize> intervals_;
};

// One pass of one flake on a screen of width w and height h, with its jitter d in -2..2: it falls by
// its speed, drifts by d held to its speed, wraps at the right edge and restarts above the top with
// its base opacity once past the bottom; its opacity otherwise wanders by d.
void advanceFlake(SnowFlake& flake, int32_t d, int32_t w, int32_t h);

// The handlers, each registered with the scene's Screen in this order by the scene's constructor.
void addMouseHandler(BenchmarkScene& scene);
void addSnowHandler(BenchmarkScene& scene);
void addFpsHandler(BenchmarkScene& scene);
void addTransitionHandler(BenchmarkScene& scene);
// "trans0.png", "trans1.png", ... up to the first that cannot be loaded.
std::vector<std::shared_ptr<Image>> loadTransitionMasks();
// The looping fade between the layers, through `masks` in turn (plain opacity when there are none).
void addTransitionHandler(Screen& screen, std::vector<std::shared_ptr<Image>> masks);
void addBounceHandler(BenchmarkScene& scene);
void addParticleHandler(BenchmarkScene& scene);

}  // namespace tavelo
