// Throughput of the scaled image routines of both instruction sets drawing a whole 1366 x 768 frame:
// enlarged 2x from 683 x 384, shrunk to half from 2732 x 1536, stretched from 1024 x 576, and the
// scene's background (640 x 480 to 1366 wide, cut to the frame's 768 rows), with
// nearest and bilinear sampling; Normal at full and at half opacity (an Xrgb32 source), Normal of an
// Argb32 source (its alpha weighting each pixel) and Add. Beside them pixman's scaled SRC, OVER (of
// a8r8g8b8, and of x8r8g8b8 through a half-opaque mask) and ADD on the same sizes. pixman samples pixel
// centres and works premultiplied: the comparison is of cost, not of pixels. Reported in destination
// pixels per second.
//
//   build/bench/scaled_bench [--benchmark_filter=bilinear/2x_up]
//   PIXMAN_DISABLE=ssse3 build/bench/scaled_bench --benchmark_filter=pixman   # pixman's SSE2 paths

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <memory>
#include <random>

#include "bench/bench_support.h"
#include "render/image.h"
#include "render/kernels/blit/image_blit.h"

namespace {

using namespace velmora::bench;
using tavelo::BlendMode;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Rect;

struct Scale {
    const char* name;
    uint32_t sourceWidth;
    uint32_t sourceHeight;
    uint32_t drawnHeight;  // the destination rectangle's height; the frame's rows are drawn
};

// The last is the scene's background: 640 x 480 stretched to the frame's width at its own aspect, 1025
// rows, of which the frame shows 768.
const Scale scales[] = {{"2x_up", 683, 384, frameHeight},
                        {"half_down", 2732, 1536, frameHeight},
                        {"1024x576_up", 1024, 576, frameHeight},
                        {"background_640x480", 640, 480, 1025}};

struct Sampling {
    const char* name;
    uint8_t smooth;
    pixman_filter_t filter;
};

const Sampling samplings[] = {{"nearest", 0, PIXMAN_FILTER_NEAREST}, {"bilinear", 1, PIXMAN_FILTER_BILINEAR}};

struct ScaledOperation {
    const char* name;
    BlendMode mode;
    uint8_t opacity;
    PixelFormat format;
};

const ScaledOperation operations[] = {
    {"Normal/Opaque", BlendMode::Normal, 255, PixelFormat::Xrgb32},
    {"Normal/Translucent", BlendMode::Normal, 128, PixelFormat::Xrgb32},
    {"Normal/Alpha", BlendMode::Normal, 255, PixelFormat::Argb32},
    {"Add/Opaque", BlendMode::Add, 255, PixelFormat::Xrgb32},
};

const Rect frame{0, 0, int32_t(frameWidth), int32_t(frameHeight)};

// A source of the scale's size, random bytes, made once per scale and format.
const Image& sourceFor(const Scale& scale, PixelFormat format) {
    static std::shared_ptr<Image> made[std::size(scales)][2];
    const auto index = size_t(&scale - scales);
    auto& source = made[index][format == PixelFormat::Argb32];
    if (!source) {
        source = std::make_shared<Image>(scale.sourceWidth, scale.sourceHeight, format);
        std::mt19937 random(11);
        for (size_t i = 0; i < size_t{source->stride} * source->height; ++i) {
            source->data()[i] = uint8_t(random());
        }
    }
    return *source;
}

void registerScaled() {
    for (const Scale& scale : scales) {
        for (const Sampling& sampling : samplings) {
            for (const InstructionSet& set : sets) {
                for (const ScaledOperation& operation : operations) {
                    benchmark::RegisterBenchmark(
                        nameOf({"scaled", set.name, operation.name, sampling.name, scale.name}).c_str(),
                        [&scale, sampling, set, operation](benchmark::State& state) {
                            if (!runsOn(state, set)) {
                                return;
                            }
                            const Image& destination = Buffers::get().destination;
                            const Image& source = sourceFor(scale, operation.format);
                            const Rect sourceRect{0, 0, int32_t(scale.sourceWidth),
                                                  int32_t(scale.sourceHeight)};
                            const Rect drawn{0, 0, int32_t(frameWidth), int32_t(scale.drawnHeight)};
                            const auto blit =
                                set.ssse3 ? tavelo::blitImageScaledSsse3 : tavelo::blitImageScaledSse2;
                            for (auto _ : state) {
                                blit(destination, nullptr, operation.mode, drawn, source, sourceRect,
                                     operation.opacity, sampling.smooth);
                                benchmark::ClobberMemory();
                            }
                            reportPixels(state, frame);
                        });
                }
            }
        }
    }
}

struct PixmanOperation {
    const char* name;
    pixman_op_t op;
    pixman_format_code_t source;
    bool translucentMask;
};

const PixmanOperation pixmanOperations[] = {
    {"src_x888", PIXMAN_OP_SRC, PIXMAN_x8r8g8b8, false},
    {"over_x888_half_mask", PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, true},
    {"over_8888", PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, false},
    {"add_x888", PIXMAN_OP_ADD, PIXMAN_x8r8g8b8, false},
};

void registerPixman() {
    for (const Scale& scale : scales) {
        for (const Sampling& sampling : samplings) {
            for (const PixmanOperation& operation : pixmanOperations) {
                benchmark::RegisterBenchmark(
                    nameOf({"pixman", operation.name, sampling.name, scale.name}).c_str(),
                    [&scale, sampling, operation](benchmark::State& state) {
                        const PixmanImage destination = wrap(PIXMAN_x8r8g8b8, Buffers::get().destination);
                        const PixmanImage source =
                            wrap(operation.source, sourceFor(scale, PixelFormat::Argb32));
                        pixman_transform_t transform;
                        pixman_transform_init_scale(
                            &transform, pixman_double_to_fixed(double(scale.sourceWidth) / frameWidth),
                            pixman_double_to_fixed(double(scale.sourceHeight) / scale.drawnHeight));
                        pixman_image_set_transform(source.get(), &transform);
                        pixman_image_set_filter(source.get(), sampling.filter, nullptr, 0);
                        pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);
                        const PixmanImage mask = solid(0x8080);
                        for (auto _ : state) {
                            pixman_image_composite32(
                                operation.op, source.get(), operation.translucentMask ? mask.get() : nullptr,
                                destination.get(), 0, 0, 0, 0, 0, 0, frameWidth, frameHeight);
                            benchmark::ClobberMemory();
                        }
                        reportPixels(state, frame);
                    });
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerScaled();
    registerPixman();
    return runBenchmarks(argc, argv);
}
