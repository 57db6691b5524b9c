#include "bench/bench_support.h"

#include <random>

#include "core/cpu.h"
#include "core/memory_helper.h"

namespace velmora::bench {

namespace {

// pixman wants a8 rows on 4-byte boundaries.
constexpr uint32_t byteStride = (frameWidth + 3) & ~3u;

void fillRandom(unsigned char* data, size_t size, std::mt19937& random) {
    for (size_t i = 0; i < size; ++i) {
        data[i] = uint8_t(random());
    }
}

}  // namespace

Buffers& Buffers::get() {
    static Buffers buffers;
    return buffers;
}

Buffers::Buffers()
    : destination(frameWidth, frameHeight, tavelo::PixelFormat::Xrgb32, frameWidth * 4,
                  tavelo::MemoryHelper::allocate(size_t{frameWidth} * 4 * frameHeight)),
      coverage(frameWidth, frameHeight, tavelo::PixelFormat::Gray8, byteStride,
               tavelo::MemoryHelper::allocate(size_t{byteStride} * frameHeight)) {
    std::mt19937 random(7);
    fillRandom(destination.data(), size_t{destination.stride} * frameHeight, random);
    // Glyph-like coverage: mostly empty or full, some edges.
    for (size_t i = 0; i < size_t{byteStride} * frameHeight; ++i) {
        const uint32_t pick = random() % 4;
        coverage.data()[i] = pick == 0 ? 0 : pick == 1 ? 255 : uint8_t(random());
    }
    for (uint8_t format = 0; format < 5; ++format) {
        auto source = std::make_shared<tavelo::Image>(frameWidth, frameHeight, tavelo::PixelFormat(format));
        fillRandom(source->data(), size_t{source->stride} * frameHeight, random);
        sources.push_back(std::move(source));
    }
}

tavelo::Image destinationFor(const Size& size) {
    const tavelo::Image& frame = Buffers::get().destination;
    return tavelo::Image(frame.width, size.destinationHeight, tavelo::PixelFormat::Xrgb32, frame.stride,
                         frame.pixels);
}

void reportPixels(benchmark::State& state, const tavelo::Rect& rect) {
    const double pixels = double(rect.width()) * double(rect.height());
    state.counters["pixels"] =
        benchmark::Counter(pixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

bool runsOn(benchmark::State& state, const InstructionSet& set) {
    if (set.ssse3 && !tavelo::cpuHasSsse3()) {
        state.SkipWithError("this processor has no SSSE3");
        return false;
    }
    return true;
}

int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

std::string nameOf(std::initializer_list<std::string> parts) {
    std::string name;
    for (const std::string& part : parts) {
        name += name.empty() ? part : "/" + part;
    }
    return name;
}

PixmanImage wrap(pixman_format_code_t format, const tavelo::Image& image) {
    return PixmanImage(pixman_image_create_bits(format, int(image.width), int(image.height),
                                                reinterpret_cast<uint32_t*>(image.data()),
                                                int(image.stride)));
}

PixmanImage solid(uint16_t alpha) {
    const auto channel = [alpha](uint16_t value) { return uint16_t(uint32_t(value) * alpha / 0xFFFF); };
    const pixman_color_t color{channel(0xC8C8), channel(0x7878), channel(0x2828), alpha};
    return PixmanImage(pixman_image_create_solid_fill(&color));
}

void composite(pixman_op_t op, const PixmanImage& source, const PixmanImage* mask,
               const PixmanImage& destination, const tavelo::Rect& rect) {
    pixman_image_composite32(op, source.get(), mask != nullptr ? mask->get() : nullptr, destination.get(),
                             rect.left, rect.top, rect.left, rect.top, rect.left, rect.top, rect.width(),
                             rect.height());
}

}  // namespace velmora::bench
