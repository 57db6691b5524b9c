// Throughput of the fill, glyph and masked-transition routines in both instruction sets, beside the
// closest pixman operations on the same rectangles: one 64 KiB band (1366 x 11), a 64 x 64 sprite at
// an unaligned place of a frame, and a whole 1366 x 768 frame. Reported in destination pixels per
// second.
//
//   build/bench/fill_text_transition_bench [--benchmark_filter=glyph/ssse3]

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/cpu.h"
#include "core/memory_helper.h"
#include "render/glyph_data.h"
#include "render/image.h"
#include "render/kernels/fill_text_transition/fill_rect.h"
#include "render/kernels/fill_text_transition/glyph_run.h"
#include "render/kernels/fill_text_transition/masked_transition.h"

namespace {

using tavelo::BlendMode;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Point;
using tavelo::Rect;

constexpr uint32_t frameWidth = 1366;
constexpr uint32_t frameHeight = 768;
// pixman wants a8 rows on 4-byte boundaries.
constexpr uint32_t byteStride = (frameWidth + 3) & ~3u;

struct Size {
    const char* name;
    Rect rect;
    uint32_t destinationHeight;
};

const Size sizes[] = {
    {"band", {0, 0, int32_t(frameWidth), 11}, 11},
    {"sprite64", {101, 37, 165, 101}, frameHeight},
    {"frame", {0, 0, int32_t(frameWidth), int32_t(frameHeight)}, frameHeight},
};

// A frame-sized destination, 64 KiB-aligned like the renderer's, and frame-sized operands.
struct Buffers {
    Image destination;
    Image coverage;  // also the transition mask
    std::vector<std::shared_ptr<Image>> sources;

    static Buffers& get() {
        static Buffers buffers;
        return buffers;
    }

private:
    Buffers()
        : destination(frameWidth, frameHeight, PixelFormat::Xrgb32, frameWidth * 4,
                      tavelo::MemoryHelper::allocate(size_t{frameWidth} * 4 * frameHeight)),
          coverage(frameWidth, frameHeight, PixelFormat::Gray8, byteStride,
                   tavelo::MemoryHelper::allocate(size_t{byteStride} * frameHeight)) {
        std::mt19937 random(7);
        fillRandom(destination.data(), size_t{destination.stride} * frameHeight, random);
        // Glyph-like coverage: mostly empty or full, some edges.
        for (size_t i = 0; i < size_t{byteStride} * frameHeight; ++i) {
            const uint32_t pick = random() % 4;
            coverage.data()[i] = pick == 0 ? 0 : pick == 1 ? 255 : uint8_t(random());
        }
        for (uint8_t format = 0; format < 5; ++format) {
            auto source = std::make_shared<Image>(frameWidth, frameHeight, PixelFormat(format));
            fillRandom(source->data(), size_t{source->stride} * frameHeight, random);
            sources.push_back(std::move(source));
        }
    }

    static void fillRandom(unsigned char* data, size_t size, std::mt19937& random) {
        for (size_t i = 0; i < size; ++i) {
            data[i] = uint8_t(random());
        }
    }
};

// The destination seen as the size's own buffer: a band buffer for the band, the frame otherwise.
Image destinationFor(const Size& size) {
    const Image& frame = Buffers::get().destination;
    return Image(frame.width, size.destinationHeight, PixelFormat::Xrgb32, frame.stride, frame.pixels);
}

// Destination pixels written per second (shown as M/s or G/s).
void reportPixels(benchmark::State& state, const Rect& rect) {
    const double pixels = double(rect.width()) * double(rect.height());
    state.counters["pixels"] =
        benchmark::Counter(pixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

const char* const modeNames[] = {"Normal", "Add", "Subtract", "Multiply", "InverseMultiply"};

// Opacity 255 selects the Opaque routines, 128 a Translucent one.
struct OpacityChoice {
    const char* name;
    uint8_t opacity;
};
const OpacityChoice opacities[] = {{"Opaque", 255}, {"Translucent", 128}};

struct InstructionSet {
    const char* name;
    bool ssse3;
};
const InstructionSet sets[] = {{"sse2", false}, {"ssse3", true}};

std::string nameOf(std::initializer_list<std::string> parts) {
    std::string name;
    for (const std::string& part : parts) {
        name += name.empty() ? part : "/" + part;
    }
    return name;
}

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
                            if (set.ssse3 && !tavelo::cpuHasSsse3()) {
                                state.SkipWithError("this processor has no SSSE3");
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
    const char* const formatNames[] = {"Gray8", "Rgb24", "GrayAlpha16", "Argb32", "Xrgb32"};
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
                        if (set.ssse3 && !tavelo::cpuHasSsse3()) {
                            state.SkipWithError("this processor has no SSSE3");
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

// pixman on the same buffers. Its x8r8g8b8 has our Xrgb32 byte order.
struct PixmanImage {
    pixman_image_t* image;
    explicit PixmanImage(pixman_image_t* image) : image(image) {}
    ~PixmanImage() { pixman_image_unref(image); }
    PixmanImage(const PixmanImage&) = delete;
    PixmanImage& operator=(const PixmanImage&) = delete;
};

PixmanImage wrap(pixman_format_code_t format, const Image& image) {
    return PixmanImage(pixman_image_create_bits(format, int(image.width), int(image.height),
                                                reinterpret_cast<uint32_t*>(image.data()),
                                                int(image.stride)));
}

// A solid colour; alpha 0x8080 is the Translucent opacity 128, premultiplied as pixman wants.
PixmanImage solid(uint16_t alpha) {
    const auto channel = [alpha](uint16_t value) { return uint16_t(uint32_t(value) * alpha / 0xFFFF); };
    const pixman_color_t color{channel(0xC8C8), channel(0x7878), channel(0x2828), alpha};
    return PixmanImage(pixman_image_create_solid_fill(&color));
}

void composite(pixman_op_t op, const PixmanImage& source, const PixmanImage* mask,
               const PixmanImage& destination, const Rect& rect) {
    pixman_image_composite32(op, source.image, mask != nullptr ? mask->image : nullptr, destination.image,
                             rect.left, rect.top, rect.left, rect.top, rect.left, rect.top, rect.width(),
                             rect.height());
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
    registerPixman();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
