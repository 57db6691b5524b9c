#pragma once

// What the kernel benchmarks share: the frame-sized buffers they draw into and read from, the sizes
// they time, their naming and pixel counters, and pixman images over the same buffers.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "render/image.h"
#include "render/rect.h"

namespace velmora::bench {

inline constexpr uint32_t frameWidth = 1366;
inline constexpr uint32_t frameHeight = 768;

// A rectangle timed inside a destination `destinationHeight` rows high: one 64 KiB band buffer
// (1366 x 11), sprites at an unaligned place of a frame, and a whole frame.
struct Size {
    const char* name;
    tavelo::Rect rect;
    uint32_t destinationHeight;
};

inline const Size sizes[] = {
    {"band", {0, 0, int32_t(frameWidth), 11}, 11},
    {"sprite64", {101, 37, 165, 101}, frameHeight},
    {"sprite256", {101, 37, 357, 293}, frameHeight},
    {"frame", {0, 0, int32_t(frameWidth), int32_t(frameHeight)}, frameHeight},
};

// A frame-sized destination, 64 KiB-aligned like the renderer's, and frame-sized operands, all filled
// with random bytes once.
struct Buffers {
    tavelo::Image destination;
    tavelo::Image coverage;                               // glyph-like coverage; also the transition mask
    std::vector<std::shared_ptr<tavelo::Image>> sources;  // one per source format

    static Buffers& get();

private:
    Buffers();
};

// The destination seen as the size's own buffer: a band buffer for the band, the frame otherwise.
tavelo::Image destinationFor(const Size& size);

// Destination pixels written per second (shown as M/s or G/s).
void reportPixels(benchmark::State& state, const tavelo::Rect& rect);

inline const char* const modeNames[] = {"Normal", "Add", "Subtract", "Multiply", "InverseMultiply"};
inline const char* const formatNames[] = {"Gray8", "Rgb24", "GrayAlpha16", "Argb32", "Xrgb32"};

// Opacity 255 selects the Opaque routines, 128 a Translucent one (an odd weight, 129).
struct OpacityChoice {
    const char* name;
    uint8_t opacity;
};
inline const OpacityChoice opacities[] = {{"Opaque", 255}, {"Translucent", 128}};

struct InstructionSet {
    const char* name;
    bool ssse3;
};
inline const InstructionSet sets[] = {{"sse2", false}, {"ssse3", true}};

// False, with the benchmark marked skipped, when the processor lacks the set.
bool runsOn(benchmark::State& state, const InstructionSet& set);

// Runs the registered benchmarks as Google Benchmark's own main would; the process's exit code.
int runBenchmarks(int argc, char** argv);

// "a/b/c" from its parts.
std::string nameOf(std::initializer_list<std::string> parts);

// pixman on the same buffers. Its x8r8g8b8 has our Xrgb32 byte order.
class PixmanImage {
public:
    explicit PixmanImage(pixman_image_t* image) : image_(image) {}
    ~PixmanImage() { pixman_image_unref(image_); }
    PixmanImage(const PixmanImage&) = delete;
    PixmanImage& operator=(const PixmanImage&) = delete;

    pixman_image_t* get() const { return image_; }

private:
    pixman_image_t* image_;
};

PixmanImage wrap(pixman_format_code_t format, const tavelo::Image& image);

// A solid colour of the given alpha (0xFFFF opaque), premultiplied as pixman wants.
PixmanImage solid(uint16_t alpha);

// pixman's `op` of source (through mask, when given) onto the rectangle, operands at the same place.
void composite(pixman_op_t op, const PixmanImage& source, const PixmanImage* mask,
               const PixmanImage& destination, const tavelo::Rect& rect);

}  // namespace velmora::bench
