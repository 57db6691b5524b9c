#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/exception.h"
#include "core/file_stream_reader.h"
#include "core/format_string.h"
#include "render/image.h"
#include "render/png_loader.h"
#include "tests/render/png_writer.h"
#include "tests/support/memory_stream.h"
#include "tests/support/seeded_random.h"
#include "tests/support/temp_file.h"

namespace tavelo {
namespace {

using velmora::test::MemoryStream;
using velmora::test::PngImage;

const std::string constructorFailure = "Invalid file format in tavelo::PngLoader::PngLoader method.";
const std::string rowFailure = "Invalid file format in tavelo::PngLoader::loadImpl method.";

// Loads as the application does: a loader on the stream, an Image of the loader's size and format,
// then one load per row into that row.
std::shared_ptr<Image> loadImage(std::shared_ptr<ISequentialStreamReader> stream) {
    PngLoader loader(std::move(stream));
    const PixelFormat format = loader.getFormat();
    const uint32_t height = loader.getHeight();
    auto image = std::make_shared<Image>(loader.getWidth(), height, format);
    for (uint32_t y = 0; y < height; ++y) {
        EXPECT_EQ(loader.load(image->row(y), image->stride), image->stride);
    }
    return image;
}

std::shared_ptr<Image> loadBytes(const std::string& bytes) {
    return loadImage(std::make_shared<MemoryStream>(bytes));
}

// The renderer's layout of a PNG, pixel by pixel: B, G, R order, straight alpha, transparency
// chunks as alpha, grey below 8 bits stretched to 0..255 and 16-bit samples cut to their high byte.
struct Decoded {
    PixelFormat format;
    std::vector<uint8_t> bytes;
};

Decoded decode(const PngImage& png) {
    const bool keyed = png.transparentColor.has_value();
    const bool paletteAlpha = !png.paletteAlpha.empty();
    Decoded out;
    switch (png.colorType) {
        case PngImage::Gray:
            out.format = keyed ? PixelFormat::GrayAlpha16 : PixelFormat::Gray8;
            break;
        case PngImage::GrayAlpha:
            out.format = PixelFormat::GrayAlpha16;
            break;
        case PngImage::Rgb:
            out.format = keyed ? PixelFormat::Argb32 : PixelFormat::Rgb24;
            break;
        case PngImage::Palette:
            out.format = paletteAlpha ? PixelFormat::Argb32 : PixelFormat::Rgb24;
            break;
        default:
            out.format = PixelFormat::Argb32;
            break;
    }
    auto level = [&](uint32_t sample) -> uint8_t {
        if (png.bitDepth == 16) {
            return static_cast<uint8_t>(sample >> 8);
        }
        return static_cast<uint8_t>(sample * 255 / ((1u << png.bitDepth) - 1));
    };
    for (uint32_t y = 0; y < png.height; ++y) {
        for (uint32_t x = 0; x < png.width; ++x) {
            auto s = [&](int channel) { return png.sample(x, y, channel); };
            switch (png.colorType) {
                case PngImage::Gray:
                    out.bytes.push_back(level(s(0)));
                    if (keyed) {
                        out.bytes.push_back(s(0) == (*png.transparentColor)[0] ? 0 : 255);
                    }
                    break;
                case PngImage::GrayAlpha:
                    out.bytes.insert(out.bytes.end(), {level(s(0)), level(s(1))});
                    break;
                case PngImage::Rgb:
                    out.bytes.insert(out.bytes.end(), {level(s(2)), level(s(1)), level(s(0))});
                    if (keyed) {
                        const auto& key = *png.transparentColor;
                        out.bytes.push_back(s(0) == key[0] && s(1) == key[1] && s(2) == key[2] ? 0 : 255);
                    }
                    break;
                case PngImage::Palette: {
                    const auto& entry = png.palette.at(s(0));
                    out.bytes.insert(out.bytes.end(), {entry[2], entry[1], entry[0]});
                    if (paletteAlpha) {
                        out.bytes.push_back(s(0) < png.paletteAlpha.size() ? png.paletteAlpha[s(0)] : 255);
                    }
                    break;
                }
                default:
                    out.bytes.insert(out.bytes.end(), {level(s(2)), level(s(1)), level(s(0)), level(s(3))});
                    break;
            }
        }
    }
    return out;
}

std::string describe(const PngImage& png) {
    return "colour type " + std::to_string(png.colorType) + ", " + std::to_string(png.bitDepth) + " bits, " +
           std::to_string(png.width) + "x" + std::to_string(png.height) +
           (png.transparentColor || !png.paletteAlpha.empty() ? ", tRNS" : "") +
           (png.interlaced ? ", interlaced" : "");
}

TEST(PngLoaderTest, LoadsEveryColourTypeAndDepthInTheRendererLayout) {
    velmora::test::SeededRandom random;
    for (const PngImage& png : velmora::test::samplePngImages(random.seed(), 37)) {
        SCOPED_TRACE(describe(png));
        const auto image = loadBytes(velmora::test::encodePng(png));
        const Decoded expected = decode(png);
        ASSERT_EQ(image->format, expected.format);
        ASSERT_EQ(image->width, png.width);
        ASSERT_EQ(image->height, png.height);
        ASSERT_EQ(image->stride, png.width * bytesPerPixel(expected.format));
        const std::vector<uint8_t> loaded(image->data(),
                                          image->data() + size_t{image->stride} * image->height);
        EXPECT_EQ(loaded, expected.bytes);
    }
}

TEST(PngLoaderTest, LoadsAFileThroughTheFileReader) {
    PngImage png;
    png.width = 3;
    png.height = 2;
    png.colorType = PngImage::RgbAlpha;
    png.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    velmora::test::TempFile file(velmora::test::encodePng(png));
    const auto image = loadImage(std::make_shared<FileStreamReader>(file.path()));
    ASSERT_EQ(image->format, PixelFormat::Argb32);
    const std::vector<uint8_t> loaded(image->data(), image->data() + 24);
    EXPECT_EQ(loaded, (std::vector<uint8_t>{3,  2,  1,  4,  7,  6,  5,  8,  11, 10, 9,  12,
                                            15, 14, 13, 16, 19, 18, 17, 20, 23, 22, 21, 24}));
}

// A chunk as a PNG file holds it: length, type, data, CRC of type and data.
std::string chunk(const std::string& type, const std::string& data) {
    auto bigEndian = [](uint32_t value) {
        return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    };
    const std::string body = type + data;
    const uint32_t crc =
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return bigEndian(static_cast<uint32_t>(data.size())) + body + bigEndian(crc);
}

const std::string signature = "\x89PNG\r\n\x1a\n";

// An 8-bit RGBA file whose header is complete, ending at an empty image data chunk: the constructor
// reads up to that chunk and no further.
std::string headerOnly(uint32_t width, uint32_t height) {
    std::string header;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header += static_cast<char>(value >> shift);
        }
    }
    header += std::string{8, 6, 0, 0, 0};  // 8-bit RGBA, not interlaced
    return signature + chunk("IHDR", header) + chunk("IDAT", "") + chunk("IEND", "");
}

// The offset of the first chunk of `type`.
size_t chunkAt(const std::string& png, const std::string& type) {
    const size_t at = png.find(type);
    EXPECT_NE(at, std::string::npos) << type;
    return at - 4;
}

// A 256 x 64 RGB image of random pixels: its data does not compress and spans several chunks.
std::string noisyPng() {
    PngImage png;
    png.width = 256;
    png.height = 64;
    png.colorType = PngImage::Rgb;
    png.rows.resize(png.rowBytes() * png.height);
    velmora::test::SeededRandom random;
    random.fill(png.rows.data(), png.rows.size());
    return velmora::test::encodePng(png);
}

TEST(PngLoaderTest, RefusesBrokenHeadersInTheConstructor) {
    const std::string good = noisyPng();
    std::string badCrc = good;
    badCrc[chunkAt(good, "IHDR") + 20] ^= 1;
    std::string badSignature = good;
    badSignature[1] = 'Q';
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty stream", ""},
        {"not a PNG", "GIF89a and then some bytes that make no image at all"},
        {"bad signature", badSignature},
        {"ends inside the signature", good.substr(0, 5)},
        {"ends inside the header", good.substr(0, 20)},
        {"ends after the header", good.substr(0, chunkAt(good, "IDAT"))},
        {"corrupt header CRC", badCrc},
        {"width beyond any limit", headerOnly(0x7FFFFFFF, 1)},
        {"zero height", headerOnly(16, 0)},
        // 70000 x 70000 RGBA: 19.6 GB, more than 32-bit sizes address.
        {"byte size overflowing", headerOnly(70000, 70000)},
        // 32768 x 32768 RGBA: 2^32 bytes and the 15 spare ones.
        {"byte size just past 32 bits", headerOnly(32768, 32768)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            PngLoader loader(std::make_shared<MemoryStream>(c.bytes));
            ADD_FAILURE() << "no exception";
        } catch (const IoException& e) {
            EXPECT_EQ(e.what(), constructorFailure);
        }
    }
}

TEST(PngLoaderTest, TakesTheLargestImageWhoseBytesFit32Bits) {
    // 32767 x 32768 RGBA and its 15 spare bytes: 4,294,836,239 bytes.
    PngLoader loader(std::make_shared<MemoryStream>(headerOnly(32767, 32768)));
    EXPECT_EQ(loader.getFormat(), PixelFormat::Argb32);
    EXPECT_EQ(loader.getStride(), 32767u * 4);
    EXPECT_EQ(loader.getHeight(), 32768u);
}

TEST(PngLoaderTest, RefusesBrokenImageDataWhenTheRowIsRead) {
    const std::string good = noisyPng();
    const size_t idat = chunkAt(good, "IDAT");
    std::string badCrc = good;
    badCrc[idat + 8 + 100] ^= 0x40;
    std::string badData = good.substr(0, idat) + chunk("IDAT", std::string(200, '\x55')) + chunk("IEND", "");
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"ends inside the image data", good.substr(0, good.size() * 3 / 4)},
        {"ends where the image data begins", good.substr(0, idat + 8)},
        {"corrupt data CRC", badCrc},
        {"data that does not inflate", badData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PngLoader loader(std::make_shared<MemoryStream>(c.bytes));
        ASSERT_EQ(loader.getWidth(), 256u);
        std::vector<unsigned char> row(loader.getStride());
        uint32_t rows = 0;
        try {
            for (; rows < loader.getHeight(); ++rows) {
                loader.load(row.data(), loader.getStride());
            }
            ADD_FAILURE() << "no exception";
        } catch (const IoException& e) {
            EXPECT_EQ(e.what(), rowFailure);
        }
        // The decoder's state is lost with the error: later rows are refused too.
        EXPECT_THROW(loader.load(row.data(), loader.getStride()), IoException);
        if (std::string(c.what) == "ends inside the image data") {
            EXPECT_GT(rows, 0u) << "the rows before the missing bytes load";
        }
    }
}

TEST(PngLoaderTest, AnInterlacedFileCutShortFailsAtItsFirstRowAndEveryRowAfter) {
    PngImage png = velmora::test::samplePngImages(1, 8).back();
    ASSERT_TRUE(png.interlaced);
    const std::string bytes = velmora::test::encodePng(png);
    PngLoader loader(std::make_shared<MemoryStream>(bytes.substr(0, bytes.size() - 40)));
    std::vector<unsigned char> row(loader.getStride());
    for (uint32_t y = 0; y < loader.getHeight(); ++y) {
        try {
            loader.load(row.data(), loader.getStride());
            ADD_FAILURE() << "row " << y << " loaded from a half-decoded picture";
        } catch (const IoException& e) {
            EXPECT_EQ(e.what(), rowFailure);
        }
    }
}

TEST(PngLoaderTest, RefusesARowPastTheLast) {
    PngImage png;
    png.width = 2;
    png.height = 1;
    png.rows = {0, 0};
    for (bool interlaced : {false, true}) {
        png.interlaced = interlaced;
        PngLoader loader(std::make_shared<MemoryStream>(velmora::test::encodePng(png)));
        unsigned char row[2];
        EXPECT_EQ(loader.load(row, 2), 2u);
        EXPECT_THROW(loader.load(row, 2), IoException);
    }
}

TEST(PngLoaderTest, RefusesARowBufferShorterThanTheStrideBeforeWritingIt) {
    // 64 RGBA pixels: rows of 256 bytes.
    PngImage png;
    png.width = 64;
    png.height = 2;
    png.colorType = PngImage::RgbAlpha;
    png.rows.resize(png.rowBytes() * png.height);
    for (size_t i = 0; i < png.rows.size(); ++i) {
        png.rows[i] = static_cast<uint8_t>(i * 7);
    }
    const Decoded expected = decode(png);
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        png.interlaced = interlaced;
        PngLoader loader(std::make_shared<MemoryStream>(velmora::test::encodePng(png)));
        ASSERT_EQ(loader.getStride(), 256u);
        for (uint32_t rowBytes : {0u, 16u, 255u}) {
            // Exactly rowBytes long, so a write past it is a heap overflow.
            std::vector<unsigned char> shortRow(rowBytes, 0xA5);
            try {
                loader.load(shortRow.data(), rowBytes);
                ADD_FAILURE() << rowBytes << " bytes taken";
            } catch (const IoException& e) {
                EXPECT_EQ(e.what(), rowFailure);
            }
            EXPECT_EQ(shortRow, std::vector<unsigned char>(rowBytes, 0xA5));
        }
        // A refused buffer costs no row: both rows still load, in order.
        std::vector<unsigned char> row(loader.getStride());
        for (uint32_t y = 0; y < png.height; ++y) {
            EXPECT_EQ(loader.load(row.data(), loader.getStride()), 256u);
            EXPECT_TRUE(std::equal(row.begin(), row.end(), expected.bytes.begin() + 256 * y)) << "row " << y;
        }
    }
}

// A stream whose reads fail as a failing file read does.
class FailingStream : public ISequentialStreamReader {
protected:
    size_t readImpl(void*, size_t) override {
        throw Win32Exception(
            formatString("ReadFile API failed in %s method.", "tavelo::FileStreamReader::readImpl"), 5);
    }
    size_t skipImpl(size_t) override { return 0; }
    bool isEndImpl() override { return false; }
};

TEST(PngLoaderTest, AFailingStreamBecomesTheLoadersOwnError) {
    try {
        PngLoader loader(std::make_shared<FailingStream>());
        ADD_FAILURE() << "no exception";
    } catch (const IoException& e) {
        EXPECT_EQ(e.what(), constructorFailure);
    }
}

// A stream that delivers every byte asked for but, once a read reaches `shortFrom`, counts one fewer.
class ShortCountingStream : public MemoryStream {
public:
    ShortCountingStream(std::string_view bytes, size_t shortFrom) : MemoryStream(bytes), shortFrom_(shortFrom) {}

protected:
    size_t readImpl(void* buffer, size_t size) override {
        const size_t count = MemoryStream::readImpl(buffer, size);
        read_ += count;
        return read_ > shortFrom_ && count > 0 ? count - 1 : count;
    }

private:
    size_t shortFrom_;
    size_t read_ = 0;
};

TEST(PngLoaderTest, TheCountAStreamReportsDecidesWhetherItDeliveredTheBytes) {
    const std::string good = noisyPng();
    try {
        PngLoader loader(std::make_shared<ShortCountingStream>(good, 0));
        ADD_FAILURE() << "no exception";
    } catch (const IoException& e) {
        EXPECT_EQ(e.what(), constructorFailure);
    }

    PngLoader loader(std::make_shared<ShortCountingStream>(good, chunkAt(good, "IDAT") + 100));
    std::vector<unsigned char> row(loader.getStride());
    try {
        for (uint32_t y = 0; y < loader.getHeight(); ++y) {
            loader.load(row.data(), loader.getStride());
        }
        ADD_FAILURE() << "no exception";
    } catch (const IoException& e) {
        EXPECT_EQ(e.what(), rowFailure);
    }
}

}  // namespace
}  // namespace tavelo
