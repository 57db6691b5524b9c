// Scaled image drawing into a 1366 x 768 frame: Velmora's SSSE3 and SSE2 routines beside pixman's
// scaled SRC and OVER, nearest and bilinear, enlarging 2x, shrinking to half and stretching 1024 x 576.
// pixman samples pixel centres and works premultiplied: the comparison is of cost, not of pixels.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "core/cpu.h"
#include "core/memory_helper.h"
#include "render/draw_command.h"
#include "render/image.h"
#include "render/kernels/blit/image_blit.h"

namespace {

using tavelo::BlendMode;
using tavelo::Image;
using tavelo::PixelFormat;

constexpr int frameWidth = 1366;
constexpr int frameHeight = 768;

struct Scale {
    const char* name;
    int sourceWidth;
    int sourceHeight;
};

constexpr Scale scales[] = {{"2x_up", 683, 384}, {"half_down", 2732, 1536}, {"1024x576_up", 1024, 576}};

struct Draw {
    const char* name;
    BlendMode mode;
    uint8_t opacity;
    PixelFormat format;
};

constexpr Draw draws[] = {
    {"normal_opaque", BlendMode::Normal, 255, PixelFormat::Xrgb32},
    {"normal_translucent", BlendMode::Normal, 128, PixelFormat::Xrgb32},
    {"normal_alpha", BlendMode::Normal, 255, PixelFormat::Argb32},
    {"add", BlendMode::Add, 255, PixelFormat::Xrgb32},
};

std::shared_ptr<unsigned char> randomPixels(size_t bytes) {
    auto pixels = tavelo::MemoryHelper::allocate(bytes);
    std::mt19937 random(7);
    for (size_t i = 0; i < bytes; ++i) {
        pixels.get()[i] = uint8_t(random());
    }
    return pixels;
}

Image frame() {
    return Image(frameWidth, frameHeight, PixelFormat::Xrgb32, frameWidth * 4,
                 randomPixels(size_t{frameWidth} * frameHeight * 4));
}

void velmora(benchmark::State& state, bool ssse3, Draw draw, Scale scale, uint8_t smooth) {
    if (ssse3 && !tavelo::cpuHasSsse3()) {
        state.SkipWithError("this processor has no SSSE3");
        return;
    }
    const Image destination = frame();
    const Image source(scale.sourceWidth, scale.sourceHeight, draw.format, uint32_t(scale.sourceWidth) * 4,
                       randomPixels(size_t(scale.sourceWidth) * scale.sourceHeight * 4));
    const tavelo::Rect rect{0, 0, frameWidth, frameHeight};
    const tavelo::Rect sourceRect{0, 0, scale.sourceWidth, scale.sourceHeight};
    const auto blit = tavelo::blitImageScaledSsse3;
    for (auto _ : state) {
        blit(destination, nullptr, draw.mode, rect, source, sourceRect, draw.opacity, smooth);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frameWidth * frameHeight);
}

using PixmanImage = std::unique_ptr<pixman_image_t, decltype(&pixman_image_unref)>;

// `translucent` draws OVER through a solid half-opaque mask, otherwise SRC or OVER of the source as it is.
void pixman(benchmark::State& state, pixman_op_t op, pixman_format_code_t format, bool translucent, Scale scale,
            pixman_filter_t filter) {
    const Image destination = frame();
    const auto sourcePixels = randomPixels(size_t(scale.sourceWidth) * scale.sourceHeight * 4);
    PixmanImage target(pixman_image_create_bits(PIXMAN_x8r8g8b8, frameWidth, frameHeight,
                                                reinterpret_cast<uint32_t*>(destination.data()), frameWidth * 4),
                       pixman_image_unref);
    PixmanImage source(pixman_image_create_bits(format, scale.sourceWidth, scale.sourceHeight,
                                                reinterpret_cast<uint32_t*>(sourcePixels.get()),
                                                scale.sourceWidth * 4),
                       pixman_image_unref);
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(double(scale.sourceWidth) / frameWidth),
                                pixman_double_to_fixed(double(scale.sourceHeight) / frameHeight));
    pixman_image_set_transform(source.get(), &transform);
    pixman_image_set_filter(source.get(), filter, nullptr, 0);
    pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);
    const pixman_color_t half{0, 0, 0, 0x8080};
    PixmanImage mask(translucent ? pixman_image_create_solid_fill(&half) : nullptr, pixman_image_unref);
    for (auto _ : state) {
        pixman_image_composite32(op, source.get(), mask.get(), target.get(), 0, 0, 0, 0, 0, 0, frameWidth,
                                 frameHeight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frameWidth * frameHeight);
}

void registerAll() {
    for (const Scale& scale : scales) {
        for (uint8_t smooth : {uint8_t{0}, uint8_t{1}}) {
            const std::string sampling = smooth != 0 ? "bilinear" : "nearest";
            const std::string suffix = "/" + sampling + "/" + scale.name;
            for (const Draw& draw : draws) {
                benchmark::RegisterBenchmark(("velmora_ssse3/" + std::string(draw.name) + suffix).c_str(), velmora,
                                             true, draw, scale, smooth);
            }
            const pixman_filter_t filter = smooth != 0 ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST;
            benchmark::RegisterBenchmark(("pixman/src" + suffix).c_str(), pixman, PIXMAN_OP_SRC, PIXMAN_x8r8g8b8,
                                         false, scale, filter);
            benchmark::RegisterBenchmark(("pixman/over_translucent" + suffix).c_str(), pixman, PIXMAN_OP_OVER,
                                         PIXMAN_x8r8g8b8, true, scale, filter);
            benchmark::RegisterBenchmark(("pixman/over_alpha" + suffix).c_str(), pixman, PIXMAN_OP_OVER,
                                         PIXMAN_a8r8g8b8, false, scale, filter);
            benchmark::RegisterBenchmark(("pixman/add" + suffix).c_str(), pixman, PIXMAN_OP_ADD, PIXMAN_x8r8g8b8,
                                         false, scale, filter);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
