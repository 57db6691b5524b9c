#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "render/font.h"
#include "render/png_loader.h"
#include "tests/render/png_writer.h"
#include "tests/support/memory_stream.h"

namespace tavelo {
namespace {

// "ＭＳ Ｐゴシック" in code page 932.
constexpr char msPGothic[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

// Fonts and PNG loaders share nothing between instances but the font configuration, which the first
// font to be made sets up: several threads may each make and use their own at once.
TEST(LoadersThreadTest, FontsAndLoadersRunOnSeveralThreadsAtOnce) {
    const std::string png = velmora::test::encodePng(velmora::test::samplePngImages(3, 16).back());
    std::vector<std::thread> threads;
    std::vector<int> inked(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            Font font(msPGothic, 0, 24 + t, false, false);
            for (uint32_t code = 'A'; code <= 'Z'; ++code) {
                inked[t] += font.getGlyphData(code).bitmap != nullptr;
            }
            PngLoader loader(std::make_shared<velmora::test::MemoryStream>(png));
            std::vector<unsigned char> row(loader.getStride());
            for (uint32_t y = 0; y < loader.getHeight(); ++y) {
                loader.load(row.data(), loader.getStride());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(inked, std::vector<int>(4, 26));
}

}  // namespace
}  // namespace tavelo
