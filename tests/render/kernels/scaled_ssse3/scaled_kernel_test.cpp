#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/cpu.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/kernels/scaled_ssse3/scaled_kernel.h"
#include "tests/support/canary_image.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/kernel_test.h"
#include "tests/support/scaled_model.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::Image;
using tavelo::OpacityClass;
using tavelo::PixelFormat;
using tavelo::Rect;

constexpr PixelFormat allFormats[] = {PixelFormat::Gray8, PixelFormat::Rgb24, PixelFormat::GrayAlpha16,
                                      PixelFormat::Argb32, PixelFormat::Xrgb32};

// A source of random pixels whose rows end exactly `Image::spareBytes` before a guard page: the
// routines may read that far past the last row and not a byte further.
std::shared_ptr<Image> randomSource(SeededRandom& random, PixelFormat format, uint32_t width,
                                    uint32_t height) {
    const uint32_t stride =
        width * tavelo::bytesPerPixel(format) + uint32_t(random.coin() ? 0 : random.between(1, 5));
    auto image = makeGuardedImage(width, height, format, stride, Image::spareBytes);
    for (size_t i = 0; i < size_t{stride} * height + Image::spareBytes; ++i) {
        image->data()[i] = edgeByte(random);
    }
    return image;
}

struct Case {
    ScaledCall call;
    PixelFormat format;
    uint32_t sourceWidth, sourceHeight;
    uint32_t width, height, alignment, extraStride;
};

std::string describe(const Case& c) {
    std::ostringstream text;
    const auto rect = [&](const Rect& r) {
        text << '{' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << '}';
    };
    text << "mode " << int(c.call.mode) << " class " << int(c.call.opacityClass) << " format "
         << int(c.format) << " weight " << c.call.weight << " smooth " << int(c.call.smooth) << " source "
         << c.sourceWidth << 'x' << c.sourceHeight << ' ';
    rect(c.call.sourceRect);
    text << " destination " << c.width << 'x' << c.height << '+' << c.alignment << " rect ";
    rect(c.call.destinationRect);
    text << " area ";
    rect(c.call.area);
    return text.str();
}

// One extent of a draw: random, or the source's exactly doubled, tripled or halved.
int32_t scaledExtent(SeededRandom& random, int32_t source, int32_t limit) {
    switch (random.between(0, 4)) {
        case 0:
            return source * 2;
        case 1:
            return source * 3;
        case 2:
            return std::max(source / 2, 1);
        default:
            return int32_t(random.between(1, limit));
    }
}

Case randomCase(SeededRandom& random, BlendMode mode, OpacityClass opacityClass, PixelFormat format) {
    Case c{};
    c.format = format;
    c.call.mode = mode;
    c.call.opacityClass = opacityClass;
    c.sourceWidth = uint32_t(random.between(1, 24));
    c.sourceHeight = uint32_t(random.between(1, 12));
    Rect& src = c.call.sourceRect;
    src.left = int32_t(random.between(0, c.sourceWidth - 1));
    src.top = int32_t(random.between(0, c.sourceHeight - 1));
    src.right = int32_t(random.between(src.left + 1, c.sourceWidth));
    src.bottom = int32_t(random.between(src.top + 1, c.sourceHeight));
    c.width = uint32_t(random.between(1, 67));
    c.height = uint32_t(random.between(1, 9));
    c.alignment = uint32_t(random.between(0, 3)) * 4;
    c.extraStride = uint32_t(random.between(0, 3));
    Rect& dst = c.call.destinationRect;
    dst.left = int32_t(random.between(-12, c.width));
    dst.top = int32_t(random.between(-4, c.height));
    dst.right = dst.left + scaledExtent(random, src.right - src.left, 80);
    dst.bottom = dst.top + scaledExtent(random, src.bottom - src.top, 14);
    // The area is the destination rectangle as a band and a clip cut it; it may reach outside the image.
    Rect& area = c.call.area;
    area = dst;
    if (random.coin()) {
        area.left = int32_t(random.between(dst.left, dst.right - 1));
        area.right = int32_t(random.between(area.left + 1, dst.right));
    }
    if (random.coin()) {
        area.top = int32_t(random.between(dst.top, dst.bottom - 1));
        area.bottom = int32_t(random.between(area.top + 1, dst.bottom));
    }
    c.call.smooth = uint8_t(random.between(0, 2) * 127);
    return c;
}

uint32_t colour(uint32_t pixel) {
    return pixel & 0x00FFFFFF;
}

// The weights a routine of `opacityClass` receives for `weight`, with every field it must not read
// poisoned: an Opaque routine reads nothing, and only the byte-pair classes read the pairs.
tavelo::OpacityWeights weightsFor(OpacityClass opacityClass, uint32_t weight, SeededRandom& random) {
    tavelo::OpacityWeights weights = tavelo::makeOpacityWeights(weight);
    if (opacityClass == OpacityClass::Opaque) {
        weights.weight = uint32_t(random.engine()());
    }
    if (opacityClass == OpacityClass::Opaque || opacityClass == OpacityClass::Translucent) {
        random.fill(reinterpret_cast<unsigned char*>(weights.pairs.data()), weights.pairs.size());
    }
    return weights;
}

// A weight of the class, often one at the edges of the arithmetic.
uint32_t randomWeight(OpacityClass opacityClass, SeededRandom& random) {
    static constexpr uint32_t edges[] = {1, 2, 3, 126, 127, 129, 130, 253, 254, 255};
    uint32_t weight = random.coin() ? edges[random.between(0, 9)] : uint32_t(random.between(1, 255));
    switch (opacityClass) {
        case OpacityClass::Opaque:
            return 256;
        case OpacityClass::TranslucentEven:
            return weight & ~1u ? weight & ~1u : 2;
        case OpacityClass::TranslucentOdd:
            return weight | 1;
        default:
            return weight;
    }
}

// A destination for the case, its pixels random.
std::unique_ptr<CanaryImage> randomDestination(const Case& c, SeededRandom& random) {
    auto destination = std::make_unique<CanaryImage>(c.width, c.height, c.alignment, c.extraStride);
    for (uint32_t y = 0; y < c.height; ++y) {
        for (uint32_t x = 0; x < c.width; ++x) {
            destination->setPixel(int32_t(x), int32_t(y), uint32_t(random.engine()()));
        }
    }
    return destination;
}

// Empty when the colours of `canary` equal `expected` (width x height, row by row); otherwise the first
// difference, described with the case.
std::string compareColours(const CanaryImage& canary, const uint32_t* expected, const Case& c,
                           const char* expectation) {
    for (uint32_t y = 0; y < c.height; ++y) {
        for (uint32_t x = 0; x < c.width; ++x) {
            const uint32_t got = colour(canary.pixel(int32_t(x), int32_t(y)));
            const uint32_t want = colour(expected[size_t{y} * c.width + x]);
            if (got != want) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%u, %u) is %06X, %s %06X in ", x, y, got,
                              expectation, want);
                return text + describe(c);
            }
        }
    }
    return {};
}

// Runs one case through `kernel` and the model of `set`; empty when they agree on every colour byte and
// nothing outside the clamped area changed.
std::string runCase(KernelSet set, tavelo::ScaledKernel kernel, const Case& c, SeededRandom& random) {
    const auto source = randomSource(random, c.format, c.sourceWidth, c.sourceHeight);
    const auto destination = randomDestination(c, random);
    const auto before = destination->snapshot();
    std::vector<uint32_t> expected(before.get(), before.get() + size_t{c.width} * c.height);
    modelScaledDraw(set, c.call, destination->image(), *source, expected);

    const tavelo::OpacityWeights weights = weightsFor(c.call.opacityClass, c.call.weight, random);
    kernel(destination->image(), weights, c.call.area, *source, c.call.destinationRect, c.call.sourceRect,
           c.call.smooth);

    const Rect written = tavelo::intersectRect(c.call.area, {0, 0, int32_t(c.width), int32_t(c.height)});
    if (std::string outside = destination->intactOutside(written, before.get()); !outside.empty()) {
        return outside + " in " + describe(c);
    }
    return compareColours(*destination, expected.data(), c, "the model says");
}

// VELMORA_SCALED_CASES widens the sweep beyond the quick default.
int casesPerRoutine() {
    const char* text = std::getenv("VELMORA_SCALED_CASES");
    return text != nullptr ? std::atoi(text) : 60;
}

const tavelo::ScaledKernelTable& kernelsOf(KernelSet set) {
    return set == KernelSet::Ssse3 ? tavelo::ssse3::scaledKernels : tavelo::sse2::scaledKernels;
}

class ScaledKernelTest : public InstructionSetTest {
protected:
    KernelSet set() const { return GetParam() ? KernelSet::Ssse3 : KernelSet::Sse2; }
};

// Every routine of the set against the model, on random sources and destinations: enlarged and shrunk
// by random and exact factors, nearest and bilinear, clipped, reaching outside the destination, with
// every row alignment and sources that end at a guard page.
TEST_P(ScaledKernelTest, EveryRoutineMatchesTheModel) {
    SeededRandom random;
    int routines = 0;
    for (size_t mode = 0; mode < tavelo::blendModeCount; ++mode) {
        for (size_t opacityClass = 0; opacityClass < tavelo::opacityClassCount; ++opacityClass) {
            for (PixelFormat format : allFormats) {
                const tavelo::ScaledKernel kernel = kernelsOf(set())[mode][opacityClass][size_t(format)];
                if (kernel == nullptr) {
                    continue;
                }
                ++routines;
                for (int i = 0; i < casesPerRoutine(); ++i) {
                    Case c = randomCase(random, BlendMode(mode), OpacityClass(opacityClass), format);
                    c.call.weight = randomWeight(c.call.opacityClass, random);
                    ASSERT_EQ(runCase(set(), kernel, c, random), "");
                }
            }
        }
    }
    EXPECT_EQ(routines, set() == KernelSet::Ssse3 ? 65 : 50);
}

// Spans on both sides of the width up to which the columns are tabled once per draw and each source
// row's horizontal stage is kept for the destination rows that read it (2048 pixels): every format,
// nearest and bilinear, enlarged rows that share their source rows, and the wider draws that step every
// position and filter every row afresh.
TEST_P(ScaledKernelTest, SpansAroundTheKeptWidthMatchTheModel) {
    SeededRandom random;
    for (const uint32_t width : {2040u, 2048u, 2049u, 2100u}) {
        for (const PixelFormat format : allFormats) {
            for (const uint8_t smooth : {0, 1}) {
                const auto mode = BlendMode(random.between(0, 4));
                const auto opacityClass = tavelo::carriesAlpha(format) || set() == KernelSet::Sse2
                                              ? OpacityClass(random.between(0, 1))
                                              : OpacityClass(random.coin() ? 0 : random.between(2, 3));
                Case c{};
                c.format = format;
                c.call.mode = mode;
                c.call.opacityClass = opacityClass;
                c.call.weight = randomWeight(opacityClass, random);
                c.sourceWidth = width / 3 + 2;
                c.sourceHeight = 4;
                c.call.sourceRect = {1, 0, int32_t(c.sourceWidth), int32_t(c.sourceHeight)};
                c.width = width + 3;
                c.height = 7;
                c.alignment = uint32_t(random.between(0, 3)) * 4;
                c.call.destinationRect = {int32_t(random.between(0, 3)), 0, int32_t(width), 7};
                c.call.area = c.call.destinationRect;
                c.call.smooth = smooth;
                const tavelo::ScaledKernel kernel =
                    kernelsOf(set())[size_t(mode)][size_t(opacityClass)][size_t(format)];
                ASSERT_EQ(runCase(set(), kernel, c, random), "");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothSets, ScaledKernelTest, bothInstructionSets(), instructionSetName);

// Where the two sets compute alike they draw alike: every pixel of the one-pixel form, and the
// four-pixel form of nearest rows and of rows filtered horizontally only, except the opacity of
// sources without alpha (byte pairs in the SSSE3 set, a multiply-high in the SSE2 one).
TEST(ScaledKernelCrossSetTest, SetsAgreeWhereTheyComputeAlike) {
    if (!tavelo::cpuHasSsse3()) {
        GTEST_SKIP() << "this processor has no SSSE3";
    }
    SeededRandom random;
    for (int i = 0; i < 3000; ++i) {
        const auto mode = BlendMode(random.between(0, 4));
        const auto format = allFormats[random.between(0, 4)];
        const uint32_t weight = random.coin() ? 256 : uint32_t(random.between(1, 255));
        Case c = randomCase(random, mode, tavelo::opacityClass(weight), format);
        c.call.weight = weight;
        const bool sameVectorForm = weight == 256 || tavelo::carriesAlpha(format);
        switch (sameVectorForm ? random.between(0, 2) : 2) {
            case 0:  // nearest rows
                c.call.smooth = 0;
                break;
            case 1:  // one source row: every row is filtered horizontally only
                c.call.sourceRect.bottom = c.call.sourceRect.top + 1;
                c.call.smooth = 1;
                break;
            default:  // areas too narrow for any four-pixel form
                c.call.area.right = std::min(c.call.area.right, c.call.area.left + 3);
                break;
        }
        const auto source = randomSource(random, c.format, c.sourceWidth, c.sourceHeight);
        const auto sse2 = randomDestination(c, random);
        CanaryImage ssse3(c.width, c.height, c.alignment, c.extraStride);
        const auto before = sse2->snapshot();
        for (uint32_t y = 0; y < c.height; ++y) {
            for (uint32_t x = 0; x < c.width; ++x) {
                ssse3.setPixel(int32_t(x), int32_t(y), before[size_t{y} * c.width + x]);
            }
        }
        const tavelo::OpacityWeights weights = tavelo::makeOpacityWeights(weight);
        const size_t cell[] = {size_t(mode), size_t(format)};
        tavelo::sse2::scaledKernels[cell[0]][size_t(tavelo::opacityClass(weight))][cell[1]](
            sse2->image(), weights, c.call.area, *source, c.call.destinationRect, c.call.sourceRect,
            c.call.smooth);
        const OpacityClass ssse3Class = tavelo::carriesAlpha(format) ? tavelo::opacityClass(weight)
                                                                     : tavelo::opacityClassByParity(weight);
        tavelo::ssse3::scaledKernels[cell[0]][size_t(ssse3Class)][cell[1]](
            ssse3.image(), weights, c.call.area, *source, c.call.destinationRect, c.call.sourceRect,
            c.call.smooth);
        ASSERT_EQ(compareColours(ssse3, sse2->snapshot().get(), c, "the SSE2 set drew"), "");
    }
}

}  // namespace
}  // namespace velmora::test
