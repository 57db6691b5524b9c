// Throughput of the unscaled image routines in both instruction sets, for every source format: the copy
// (Normal, Opaque; for sources with alpha, the alpha blend), Normal at an odd and an even translucent
// weight, Add and Multiply. Beside them pixman's nearest operations on the same rectangles (SRC and
// OVER of a8r8g8b8 onto x8r8g8b8, OVER through a constant mask, ADD, MULTIPLY) and memcpy of the same
// bytes, the physical limit of a copy. Sizes: one 64 KiB band (1366 x 11), 64 x 64 and 256 x 256
// sprites at an unaligned place of a frame, and a whole 1366 x 768 frame. Reported in destination
// pixels per second.
//
//   build/bench/blit_bench [--benchmark_filter=blit/ssse3/Normal]
//   PIXMAN_DISABLE=ssse3 build/bench/blit_bench --benchmark_filter=pixman   # pixman's SSE2 paths

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>

#include "bench/bench_support.h"
#include "render/image.h"
#include "render/kernels/blit/image_blit.h"

namespace {

using namespace velmora::bench;
using tavelo::BlendMode;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Rect;

struct BlitOperation {
    const char* name;
    BlendMode mode;
    uint8_t opacity;
};

// Opacity 128 is weight 129 (odd), 126 weight 126 (even): the SSSE3 set has a routine for each.
const BlitOperation operations[] = {
    {"Normal/Opaque", BlendMode::Normal, 255},          {"Normal/Translucent", BlendMode::Normal, 128},
    {"Normal/TranslucentEven", BlendMode::Normal, 126}, {"Add/Opaque", BlendMode::Add, 255},
    {"Multiply/Opaque", BlendMode::Multiply, 255},
};

void registerBlits() {
    for (const Size& size : sizes) {
        for (const InstructionSet& set : sets) {
            for (const BlitOperation& operation : operations) {
                for (uint8_t format = 0; format < 5; ++format) {
                    benchmark::RegisterBenchmark(
                        nameOf({"blit", set.name, operation.name, formatNames[format], size.name}).c_str(),
                        [size, set, operation, format](benchmark::State& state) {
                            if (!runsOn(state, set)) {
                                return;
                            }
                            const Image destination = destinationFor(size);
                            const Image& source = *Buffers::get().sources[format];
                            const auto blit = set.ssse3 ? tavelo::blitImageSsse3 : tavelo::blitImageSse2;
                            for (auto _ : state) {
                                blit(destination, nullptr, operation.mode, size.rect, source,
                                     {size.rect.left, size.rect.top}, operation.opacity);
                                benchmark::ClobberMemory();
                            }
                            reportPixels(state, size.rect);
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
    pixman_format_code_t destination;
};

// ADD and MULTIPLY onto a8r8g8b8 (the same bytes as our destination): pixman's ADD fast path takes no
// x8r8g8b8 destination.
const PixmanOperation pixmanOperations[] = {
    {"src_8888_x888", PIXMAN_OP_SRC, PIXMAN_a8r8g8b8, false, PIXMAN_x8r8g8b8},
    {"over_8888_x888", PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, false, PIXMAN_x8r8g8b8},
    {"over_x888_mask_x888", PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, true, PIXMAN_x8r8g8b8},
    {"over_8888_mask_x888", PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, true, PIXMAN_x8r8g8b8},
    {"add_8888_8888", PIXMAN_OP_ADD, PIXMAN_a8r8g8b8, false, PIXMAN_a8r8g8b8},
    {"multiply_8888_8888", PIXMAN_OP_MULTIPLY, PIXMAN_a8r8g8b8, false, PIXMAN_a8r8g8b8},
};

void registerPeers() {
    for (const Size& size : sizes) {
        for (const PixmanOperation& operation : pixmanOperations) {
            benchmark::RegisterBenchmark(
                nameOf({"pixman", operation.name, size.name}).c_str(),
                [size, operation](benchmark::State& state) {
                    const PixmanImage destination = wrap(operation.destination, destinationFor(size));
                    const PixmanImage source =
                        wrap(operation.source, *Buffers::get().sources[uint8_t(PixelFormat::Argb32)]);
                    // The constant mask of opacity 128.
                    const PixmanImage mask = solid(0x8080);
                    for (auto _ : state) {
                        composite(operation.op, source, operation.translucentMask ? &mask : nullptr,
                                  destination, size.rect);
                        benchmark::ClobberMemory();
                    }
                    reportPixels(state, size.rect);
                });
        }
        benchmark::RegisterBenchmark(nameOf({"memcpy", size.name}).c_str(), [size](benchmark::State& state) {
            const Image destination = destinationFor(size);
            const Image& source = *Buffers::get().sources[uint8_t(PixelFormat::Xrgb32)];
            const size_t rowBytes = size_t(size.rect.width()) * 4;
            const size_t offset = size_t(size.rect.left) * 4;
            for (auto _ : state) {
                for (int32_t y = size.rect.top; y < size.rect.bottom; ++y) {
                    std::memcpy(destination.row(uint32_t(y)) + offset, source.row(uint32_t(y)) + offset,
                                rowBytes);
                }
                benchmark::ClobberMemory();
            }
            reportPixels(state, size.rect);
        });
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerBlits();
    registerPeers();
    return runBenchmarks(argc, argv);
}
