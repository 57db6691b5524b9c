// Cost per draw call of the demonstration scene's small sprites, where the set-up of a call (dispatch,
// clipping, weights, the head and the tail of each row) weighs as much as its pixels: 7 x 7 and 4 x 4
// Gray8 snow flakes and 32 x 32 Rgb24 particles, all with Add at a translucent opacity as the scene draws
// them, the particles at their own size and enlarged to 64 x 64 with nearest sampling. Each iteration
// draws the sprite at 512 places of a frame (every alignment), through a band-like clip, with both
// instruction sets. Beside them pixman's ADD of an a8r8g8b8 sprite of the same size at the same places,
// alone and through the same constant opacity, scaled with a nearest filter for the enlarged particle.
// Reported as draw calls per second.
//
//   build/bench/sprite_bench [--benchmark_filter=flake7]

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <memory>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "render/draw_command.h"
#include "render/image.h"
#include "render/kernels/blit/image_blit.h"

namespace {

using namespace velmora::bench;
using tavelo::BlendMode;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Rect;

struct Sprite {
    const char* name;
    PixelFormat format;
    uint32_t width;
    uint32_t height;
    uint32_t drawnWidth;  // the destination rectangle's side: the sprite's own, or enlarged
    uint32_t drawnHeight;
    uint8_t opacity;
};

// Flakes are drawn at opacities 32 to 192, particles at 128 or 96 and fading.
const Sprite sprites[] = {
    {"flake7", PixelFormat::Gray8, 7, 7, 7, 7, 128},
    {"flake4", PixelFormat::Gray8, 4, 4, 4, 4, 64},
    {"particle32", PixelFormat::Rgb24, 32, 32, 32, 32, 128},
    {"particle32_to_64_nearest", PixelFormat::Rgb24, 32, 32, 64, 64, 96},
};

constexpr size_t placeCount = 512;

// Random bytes in an image of the given size and format.
std::shared_ptr<Image> randomImage(uint32_t width, uint32_t height, PixelFormat format, uint32_t seed) {
    auto image = std::make_shared<Image>(width, height, format);
    std::mt19937 random(seed);
    for (size_t i = 0; i < size_t{image->stride} * height; ++i) {
        image->data()[i] = uint8_t(random());
    }
    return image;
}

// The same places for every benchmark: the drawn rectangle inside the frame, at any column.
const std::vector<Rect>& placesFor(const Sprite& sprite) {
    static std::vector<Rect> made[std::size(sprites)];
    auto& places = made[&sprite - sprites];
    if (places.empty()) {
        std::mt19937 random(3);
        for (size_t i = 0; i < placeCount; ++i) {
            const auto left = int32_t(random() % (frameWidth - sprite.drawnWidth));
            const auto top = int32_t(random() % (frameHeight - sprite.drawnHeight));
            places.push_back(
                {left, top, left + int32_t(sprite.drawnWidth), top + int32_t(sprite.drawnHeight)});
        }
    }
    return places;
}

void reportCalls(benchmark::State& state) {
    state.counters["calls"] =
        benchmark::Counter(double(placeCount) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void registerSprites() {
    for (const Sprite& sprite : sprites) {
        for (const InstructionSet& set : sets) {
            benchmark::RegisterBenchmark(
                nameOf({"sprite", set.name, sprite.name}).c_str(), [&sprite, set](benchmark::State& state) {
                    if (!runsOn(state, set)) {
                        return;
                    }
                    const Image& destination = Buffers::get().destination;
                    const auto source = randomImage(sprite.width, sprite.height, sprite.format, 5);
                    const Rect sourceRect{0, 0, int32_t(sprite.width), int32_t(sprite.height)};
                    // The renderer draws through a band's clip; here one band as tall as the frame.
                    const tavelo::ClipInfo clip{{0, 0, int32_t(frameWidth), int32_t(frameHeight)}, 0, 0};
                    const auto& places = placesFor(sprite);
                    const bool ownSize = sprite.drawnWidth == sprite.width;
                    const auto blit = set.ssse3 ? tavelo::blitImageSsse3 : tavelo::blitImageSse2;
                    const auto blitScaled =
                        set.ssse3 ? tavelo::blitImageScaledSsse3 : tavelo::blitImageScaledSse2;
                    for (auto _ : state) {
                        for (const Rect& place : places) {
                            if (ownSize) {
                                blit(destination, &clip, BlendMode::Add, place, *source, {0, 0},
                                     sprite.opacity);
                            } else {
                                blitScaled(destination, &clip, BlendMode::Add, place, *source, sourceRect,
                                           sprite.opacity, 0);
                            }
                        }
                        benchmark::ClobberMemory();
                    }
                    reportCalls(state);
                });
        }
        for (const bool masked : {false, true}) {
            benchmark::RegisterBenchmark(
                nameOf({"pixman", masked ? "add_8888_mask_8888" : "add_8888_8888", sprite.name}).c_str(),
                [&sprite, masked](benchmark::State& state) {
                    const PixmanImage destination = wrap(PIXMAN_a8r8g8b8, Buffers::get().destination);
                    const auto pixels = randomImage(sprite.width, sprite.height, PixelFormat::Argb32, 5);
                    const PixmanImage source = wrap(PIXMAN_a8r8g8b8, *pixels);
                    if (sprite.drawnWidth != sprite.width) {
                        pixman_transform_t transform;
                        pixman_transform_init_scale(
                            &transform, pixman_double_to_fixed(double(sprite.width) / sprite.drawnWidth),
                            pixman_double_to_fixed(double(sprite.height) / sprite.drawnHeight));
                        pixman_image_set_transform(source.get(), &transform);
                        pixman_image_set_filter(source.get(), PIXMAN_FILTER_NEAREST, nullptr, 0);
                    }
                    const PixmanImage mask = solid(uint16_t(sprite.opacity * 0x101));
                    const auto& places = placesFor(sprite);
                    for (auto _ : state) {
                        for (const Rect& place : places) {
                            pixman_image_composite32(
                                PIXMAN_OP_ADD, source.get(), masked ? mask.get() : nullptr, destination.get(),
                                0, 0, 0, 0, place.left, place.top, place.width(), place.height());
                        }
                        benchmark::ClobberMemory();
                    }
                    reportCalls(state);
                });
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerSprites();
    return runBenchmarks(argc, argv);
}
