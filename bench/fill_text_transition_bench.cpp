// Throughput of the fill, glyph and masked-transition routines in both instruction sets, beside the
// closest pixman operations on the same rectangles: one 64 KiB band (1366 x 11), 64 x 64 and 256 x 256
// sprites at an unaligned place of a frame, and a whole 1366 x 768 frame. Reported in destination
// pixels per second.
//
//   build/bench/fill_text_transition_bench [--benchmark_filter=glyph/ssse3]

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <memory>
#include <utility>

#include "bench/bench_support.h"
#include "render/glyph_data.h"
#include "render/image.h"
#include "render/kernels/fill_text_transition/fill_rect.h"
#include "render/kernels/fill_text_transition/glyph_run.h"
#include "render/kernels/fill_text_transition/masked_transition.h"

namespace {

using namespace velmora::bench;
using tavelo::BlendMode;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Point;
using tavelo::Rect;

void registerFills() {
    for (const Size& size : sizes) {
        for (uint8_t mode = 0; mode < 5; ++mode) {
            for (const OpacityChoice& opacity : opacities) {
                benchmark::RegisterBenchmark(
                    nameOf({"fill", "sse2", modeNames[mode], opacity.name, size.name}).c_str(),
                    [size, mode, opacity](benchmark::State& state) {
                        const Image destination = destinationFor(size);
                        for (auto _ : state) {
                            tavelo::fillRect(destination, nullptr, BlendMode(mode), size.rect,
                                             {1, 200, 120, 40}, opacity.opacity);
                            benchmark::ClobberMemory();
                        }
                        reportPixels(state, size.rect);
                    });
            }
        }
    }
}

void registerGlyphs() {
    for (const Size& size : sizes) {
        for (const InstructionSet& set : sets) {
            for (uint8_t mode = 0; mode < 5; ++mode) {
                for (const OpacityChoice& opacity : opacities) {
                    benchmark::RegisterBenchmark(
                        nameOf({"glyph", set.name, modeNames[mode], opacity.name, size.name}).c_str(),
                        [size, set, mode, opacity](benchmark::State& state) {
                            if (!runsOn(state, set)) {
                                return;
                            }
                            const Image destination = destinationFor(size);
                            const Image& coverage = Buffers::get().coverage;
                            // One glyph whose bitmap covers the whole rectangle.
                            const auto bitmap = std::make_shared<Image>(
                                uint32_t(size.rect.width()), uint32_t(size.rect.height()), PixelFormat::Gray8,
                                coverage.stride, coverage.pixels);
                            const tavelo::GlyphData glyph{0, 0, 0, 0, bitmap};
                            const Point origin{size.rect.left, size.rect.top};
                            const auto run = set.ssse3 ? tavelo::drawGlyphRunSsse3 : tavelo::drawGlyphRunSse2;
                            for (auto _ : state) {
                                run(destination, nullptr, BlendMode(mode), origin, &glyph, 1,
                                    {1, 250, 250, 250}, opacity.opacity);
                                benchmark::ClobberMemory();
                            }
                            reportPixels(state, size.rect);
                        });
                }
            }
        }
    }
}

void registerMaskedTransitions() {
    const tavelo::TransitionTable table = tavelo::makeTransitionTable(128, 64);
    for (const Size& size : sizes) {
        for (const InstructionSet& set : sets) {
            for (uint8_t format = 0; format < 5; ++format) {
                if (format == uint8_t(PixelFormat::Argb32)) {
                    continue;  // the Xrgb32 routine serves it
                }
                benchmark::RegisterBenchmark(
                    nameOf({"masked", set.name, formatNames[format], size.name}).c_str(),
                    [size, set, format, table](benchmark::State& state) {
                        if (!runsOn(state, set)) {
                            return;
                        }
                        const Image destination = destinationFor(size);
                        const Image& source = *Buffers::get().sources[format];
                        const Image& mask = Buffers::get().coverage;
                        const auto blit =
                            set.ssse3 ? tavelo::blitImageMaskedSsse3 : tavelo::blitImageMaskedSse2;
                        const Point corner{size.rect.left, size.rect.top};
                        for (auto _ : state) {
                            blit(destination, size.rect, source, corner, mask, corner, table);
                            benchmark::ClobberMemory();
                        }
                        reportPixels(state, size.rect);
                    });
            }
        }
    }
}

// The scene's kind of mask: a soft diagonal ramp over the whole frame, where most pixels sit at one end of
// the transition's ramp. The Xrgb32 routine, as the renderer composes its layers.
void registerGradientTransitions() {
    static const Image mask = [] {
        Image image(frameWidth, frameHeight, PixelFormat::Gray8);
        for (uint32_t y = 0; y < frameHeight; ++y) {
            for (uint32_t x = 0; x < frameWidth; ++x) {
                image.row(y)[x] = uint8_t((x + y) * 255 / (frameWidth + frameHeight));
            }
        }
        return image;
    }();
    const tavelo::TransitionTable table = tavelo::makeTransitionTable(128, 64);
    // A band across the middle of the frame (a third of it at each end of the ramp), and the frame.
    const std::pair<const char*, Rect> areas[] = {
        {"band", {0, 380, int32_t(frameWidth), 391}},
        {"frame", {0, 0, int32_t(frameWidth), int32_t(frameHeight)}}};
    for (const auto& [name, area] : areas) {
        for (const InstructionSet& set : sets) {
            benchmark::RegisterBenchmark(
                nameOf({"masked_gradient", set.name, "Xrgb32", name}).c_str(),
                [set, table, area](benchmark::State& state) {
                    if (!runsOn(state, set)) {
                        return;
                    }
                    const Image destination = destinationFor(sizes[3]);
                    const Image& source = *Buffers::get().sources[uint8_t(PixelFormat::Xrgb32)];
                    const auto blit = set.ssse3 ? tavelo::blitImageMaskedSsse3 : tavelo::blitImageMaskedSse2;
                    const Point corner{area.left, area.top};
                    for (auto _ : state) {
                        blit(destination, area, source, corner, mask, corner, table);
                        benchmark::ClobberMemory();
                    }
                    reportPixels(state, area);
                });
        }
    }
}

void registerPixman() {
    for (const Size& size : sizes) {
        benchmark::RegisterBenchmark(
            nameOf({"pixman", "fill", size.name}).c_str(), [size](benchmark::State& state) {
                const Image destination = destinationFor(size);
                for (auto _ : state) {
                    pixman_fill(reinterpret_cast<uint32_t*>(destination.data()), int(destination.stride / 4),
                                32, size.rect.left, size.rect.top, int(size.rect.width()),
                                int(size.rect.height()), 0x00C87828);
                    benchmark::ClobberMemory();
                }
                reportPixels(state, size.rect);
            });
        benchmark::RegisterBenchmark(
            nameOf({"pixman", "over_solid_translucent", size.name}).c_str(), [size](benchmark::State& state) {
                const PixmanImage destination = wrap(PIXMAN_x8r8g8b8, destinationFor(size));
                const PixmanImage colour = solid(0x8080);
                for (auto _ : state) {
                    composite(PIXMAN_OP_OVER, colour, nullptr, destination, size.rect);
                    benchmark::ClobberMemory();
                }
                reportPixels(state, size.rect);
            });
        for (const OpacityChoice& opacity : opacities) {
            benchmark::RegisterBenchmark(
                nameOf({"pixman", "over_solid_a8", opacity.name, size.name}).c_str(),
                [size, opacity](benchmark::State& state) {
                    const PixmanImage destination = wrap(PIXMAN_x8r8g8b8, destinationFor(size));
                    const PixmanImage mask = wrap(PIXMAN_a8, Buffers::get().coverage);
                    const PixmanImage colour = solid(uint16_t(opacity.opacity * 0x101));
                    for (auto _ : state) {
                        composite(PIXMAN_OP_OVER, colour, &mask, destination, size.rect);
                        benchmark::ClobberMemory();
                    }
                    reportPixels(state, size.rect);
                });
        }
        benchmark::RegisterBenchmark(
            nameOf({"pixman", "over_x8r8g8b8_a8", size.name}).c_str(), [size](benchmark::State& state) {
                const PixmanImage destination = wrap(PIXMAN_x8r8g8b8, destinationFor(size));
                const PixmanImage mask = wrap(PIXMAN_a8, Buffers::get().coverage);
                const PixmanImage source = wrap(PIXMAN_x8r8g8b8, *Buffers::get().sources[4]);
                for (auto _ : state) {
                    composite(PIXMAN_OP_OVER, source, &mask, destination, size.rect);
                    benchmark::ClobberMemory();
                }
                reportPixels(state, size.rect);
            });
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerFills();
    registerGlyphs();
    registerMaskedTransitions();
    registerGradientTransitions();
    registerPixman();
    return runBenchmarks(argc, argv);
}
