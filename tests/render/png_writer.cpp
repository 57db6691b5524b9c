#include "tests/render/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <random>
#include <stdexcept>

namespace velmora::test {

namespace {

void appendToString(png_structp png, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// Everything libpng may leave by its long jump lives in the caller's frame.
bool writeGuarded(png_structp png, png_infop info, const PngImage& image, std::string& out) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, &out, appendToString, nullptr);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty()) {
        std::vector<png_color> colors;
        for (const auto& entry : image.palette) {
            colors.push_back({entry[0], entry[1], entry[2]});
        }
        png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
    }
    if (!image.paletteAlpha.empty()) {
        png_set_tRNS(png, info, image.paletteAlpha.data(), static_cast<int>(image.paletteAlpha.size()),
                     nullptr);
    }
    if (image.transparentColor) {
        const auto& value = *image.transparentColor;
        png_color_16 color{};
        color.gray = value[0];
        color.red = value[0];
        color.green = value[1];
        color.blue = value[2];
        png_set_tRNS(png, info, nullptr, 0, &color);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < image.height; ++y) {
            png_write_row(png, image.rows.data() + y * image.rowBytes());
        }
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

int PngImage::channels() const {
    switch (colorType) {
        case Rgb:
            return 3;
        case GrayAlpha:
            return 2;
        case RgbAlpha:
            return 4;
        default:
            return 1;
    }
}

size_t PngImage::rowBytes() const {
    return (size_t{width} * channels() * bitDepth + 7) / 8;
}

uint32_t PngImage::sample(uint32_t x, uint32_t y, int channel) const {
    const size_t index = size_t{x} * channels() + channel;
    const uint8_t* row = rows.data() + y * rowBytes();
    if (bitDepth == 16) {
        return uint32_t{row[index * 2]} << 8 | row[index * 2 + 1];
    }
    const size_t bit = index * bitDepth;
    return (row[bit / 8] >> (8 - bitDepth - bit % 8)) & ((1u << bitDepth) - 1);
}

void PngImage::setSample(uint32_t x, uint32_t y, int channel, uint32_t value) {
    const size_t index = size_t{x} * channels() + channel;
    uint8_t* row = rows.data() + y * rowBytes();
    if (bitDepth == 16) {
        row[index * 2] = static_cast<uint8_t>(value >> 8);
        row[index * 2 + 1] = static_cast<uint8_t>(value);
        return;
    }
    const size_t bit = index * bitDepth;
    const int shift = 8 - bitDepth - static_cast<int>(bit % 8);
    const uint32_t mask = ((1u << bitDepth) - 1) << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

std::string encodePng(const PngImage& image) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr && writeGuarded(png, info, image, out);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        throw std::runtime_error("libpng refused to write the test image");
    }
    return out;
}

std::vector<PngImage> samplePngImages(uint64_t seed, uint32_t largestSide) {
    std::mt19937_64 random(seed);
    auto between = [&](uint32_t low, uint32_t high) {
        return std::uniform_int_distribution<uint32_t>(low, high)(random);
    };
    auto make = [&](PngImage::ColorType type, int depth, bool transparency, bool interlaced) {
        PngImage image;
        image.colorType = type;
        image.bitDepth = depth;
        image.interlaced = interlaced;
        // Interlaced images need at least 9 x 9 pixels for all seven passes to matter.
        const uint32_t least = interlaced ? 9 : 1;
        image.width = between(least, least + largestSide - 1);
        image.height = between(least, least + largestSide - 1);
        image.rows.resize(image.rowBytes() * image.height);
        const uint32_t largest = (1u << depth) - 1;
        uint32_t entries = 0;
        if (type == PngImage::Palette) {
            entries = between(1, largest + 1);
            for (uint32_t i = 0; i < entries; ++i) {
                image.palette.push_back({static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                         static_cast<uint8_t>(random())});
            }
        }
        for (uint32_t y = 0; y < image.height; ++y) {
            for (uint32_t x = 0; x < image.width; ++x) {
                for (int c = 0; c < image.channels(); ++c) {
                    image.setSample(
                        x, y, c, type == PngImage::Palette ? between(0, entries - 1) : between(0, largest));
                }
            }
        }
        if (transparency && type == PngImage::Palette) {
            for (uint32_t i = between(1, entries); i > 0; --i) {
                image.paletteAlpha.push_back(static_cast<uint8_t>(random()));
            }
        } else if (transparency) {
            // The first pixel's colour, so that at least one pixel turns transparent.
            const bool rgb = type == PngImage::Rgb;
            image.transparentColor = {static_cast<uint16_t>(image.sample(0, 0, 0)),
                                      static_cast<uint16_t>(rgb ? image.sample(0, 0, 1) : 0),
                                      static_cast<uint16_t>(rgb ? image.sample(0, 0, 2) : 0)};
        }
        return image;
    };

    using T = PngImage;
    return {
        make(T::Gray, 1, false, false),      make(T::Gray, 2, false, false),
        make(T::Gray, 4, false, false),      make(T::Gray, 8, false, false),
        make(T::Gray, 16, false, false),     make(T::Gray, 2, true, false),
        make(T::Gray, 8, true, false),       make(T::Gray, 16, true, false),
        make(T::GrayAlpha, 8, false, false), make(T::GrayAlpha, 16, false, false),
        make(T::Rgb, 8, false, false),       make(T::Rgb, 16, false, false),
        make(T::Rgb, 8, true, false),        make(T::Rgb, 16, true, false),
        make(T::RgbAlpha, 8, false, false),  make(T::RgbAlpha, 16, false, false),
        make(T::Palette, 1, false, false),   make(T::Palette, 2, false, false),
        make(T::Palette, 4, false, false),   make(T::Palette, 8, false, false),
        make(T::Palette, 4, true, false),    make(T::Palette, 8, true, false),
        make(T::Gray, 1, false, true),       make(T::Rgb, 8, false, true),
        make(T::Palette, 8, true, true),     make(T::RgbAlpha, 16, false, true),
    };
}

}  // namespace velmora::test
