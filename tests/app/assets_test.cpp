#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/load_image.h"
#include "render/image.h"
#include "sound/wave_data_reader.h"

namespace tavelo {
namespace {

namespace fs = std::filesystem;

const fs::path runDir = VELMORA_ASSET_DIR;

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the PNG header says: bit depth, colour type, interlace method.
struct PngHeader {
    uint8_t depth, colorType, interlace;
};

PngHeader headerOf(const std::string& bytes) {
    EXPECT_GE(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    return {uint8_t(bytes[24]), uint8_t(bytes[25]), uint8_t(bytes[28])};
}

std::shared_ptr<Image> load(const char* name) {
    SCOPED_TRACE(name);
    const PngHeader header = headerOf(bytesOf(runDir / name));
    EXPECT_EQ(header.depth, 8);
    EXPECT_EQ(header.interlace, 0);
    return loadImage((runDir / name).c_str());
}

uint8_t byteAt(const Image& image, uint32_t x, uint32_t y, uint32_t channel = 0) {
    return image.row(y)[x * bytesPerPixel(image.format) + channel];
}

bool blackBorder(const Image& image) {
    for (uint32_t i = 0; i < image.width; ++i) {
        for (uint32_t c = 0; c < bytesPerPixel(image.format); ++c) {
            if (byteAt(image, i, 0, c) > 8 || byteAt(image, i, image.height - 1, c) > 8 ||
                byteAt(image, 0, i % image.height, c) > 8 ||
                byteAt(image, image.width - 1, i % image.height, c) > 8) {
                return false;
            }
        }
    }
    return true;
}

TEST(AssetsTest, ThePictureIsOpaqueAndCoversTheScreenWhenStretched) {
    const auto picture = load("load.gra");
    EXPECT_EQ(picture->format, PixelFormat::Rgb24);
    EXPECT_LT(picture->width, 1366u);
    EXPECT_LT(picture->height, 768u);
    // Stretched to 1366 wide with its aspect kept, it is at least 768 high.
    EXPECT_GE(picture->height * 1366 / picture->width, 768u);
    // A picture, not a flat colour: many distinct values.
    std::vector<bool> seen(1 << 15);
    for (uint32_t y = 0; y < picture->height; ++y) {
        for (uint32_t x = 0; x < picture->width; ++x) {
            const uint8_t* p = picture->row(y) + 3 * x;
            seen[(p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3] = true;
        }
    }
    EXPECT_GT(std::count(seen.begin(), seen.end(), true), 500);
}

TEST(AssetsTest, FlakesAndParticlesAreLightOnBlack) {
    const auto snow = load("snow.png");
    const auto snow2 = load("snow2.png");
    for (const auto& flake : {snow, snow2}) {
        EXPECT_EQ(flake->format, PixelFormat::Gray8);
        EXPECT_GT(*std::max_element(flake->data(), flake->data() + flake->stride * flake->height), 100);
        EXPECT_EQ(byteAt(*flake, 0, 0), 0);
    }
    // The far flake is smaller than the near one.
    EXPECT_LT(snow2->width, snow->width);
    const auto particle = load("particle.png");
    const auto particle2 = load("particle2.png");
    for (const auto& glow : {particle, particle2}) {
        EXPECT_EQ(glow->format, PixelFormat::Rgb24);
        EXPECT_TRUE(blackBorder(*glow));
        EXPECT_GT(byteAt(*glow, glow->width / 2, glow->height / 2, 2), 200);  // bright red at the centre
    }
    // Drawn at the same corner, centred on the pointer by half the first one's size.
    EXPECT_EQ(particle2->width, particle->width);
    EXPECT_EQ(particle2->height, particle->height);
    EXPECT_EQ(particle->width % 2, 0u);
    EXPECT_EQ(particle->height % 2, 0u);
}

TEST(AssetsTest, MasksAreGreyScreenSizedAndSpanEveryLevel) {
    int count = 0;
    for (; fs::exists(runDir / ("trans" + std::to_string(count) + ".png")); ++count) {
        const std::string name = "trans" + std::to_string(count) + ".png";
        SCOPED_TRACE(name);
        EXPECT_EQ(headerOf(bytesOf(runDir / name)).colorType, 0);  // grey: read a byte a pixel
        const auto mask = load(name.c_str());
        EXPECT_EQ(mask->format, PixelFormat::Gray8);
        EXPECT_GE(mask->width, 1366u);
        EXPECT_GE(mask->height, 768u);
        const auto [low, high] =
            std::minmax_element(mask->data(), mask->data() + mask->stride * mask->height);
        EXPECT_EQ(*low, 0);
        EXPECT_EQ(*high, 255);
    }
    EXPECT_GE(count, 4);
}

TEST(AssetsTest, TheClickIsAShortMonoSixteenBitSound) {
    const std::string bytes = bytesOf(runDir / "click.wav");
    // "fmt " then "data", nothing else.
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    WaveDataReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(reader.format()->formatTag, 1);
    EXPECT_EQ(reader.format()->channels, 1);
    EXPECT_EQ(reader.format()->samplesPerSec, 44100u);
    EXPECT_EQ(reader.format()->bitsPerSample, 16);
    const std::vector<uint8_t> data = readWaveData(reader, "test");
    const size_t frames = data.size() / 2;
    EXPECT_GT(frames, 44100u / 100);  // 10 ms
    EXPECT_LT(frames, 44100u / 5);    // 200 ms
    int peak = 0;
    for (size_t i = 0; i < frames; ++i) {
        peak = std::max(peak, std::abs(int(int16_t(data[2 * i] | data[2 * i + 1] << 8))));
    }
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 32000);
}

TEST(AssetsTest, TheGeneratorWritesTheSameBytesEveryTime) {
    const fs::path again = fs::path(::testing::TempDir()) / "velmora_assets_again";
    fs::remove_all(again);
    fs::create_directories(again);
    const std::string command = std::string(VELMORA_MAKE_ASSETS) + " " + again.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(runDir)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".png" && extension != ".gra" && extension != ".wav") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(bytesOf(again / entry.path().filename()), bytesOf(entry.path()));
        ++files;
    }
    EXPECT_GE(files, 10u);
    fs::remove_all(again);
}

}  // namespace
}  // namespace tavelo
