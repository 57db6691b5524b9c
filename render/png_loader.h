#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/stream_reader.h"
#include "render/image_loader.h"

// libpng's own structures; only png_loader.cpp sees inside them.
struct png_struct_def;
struct png_info_def;

namespace tavelo {

// Reads a PNG stream into one of the layouts the renderer draws: Gray8, Rgb24 (B, G, R),
// GrayAlpha16 (grey, alpha) or Argb32 (B, G, R, A, straight alpha). Palettes are expanded,
// transparency chunks become an alpha channel, 16-bit samples keep their high byte, and interlaced
// files are put together into whole rows.
class PngLoader : public IImageLoader {
public:
    // Reads the signature and the header. Throws Exception when libpng cannot allocate its structures
    // and IoException for anything that is not a PNG this loader can hand out.
    explicit PngLoader(std::shared_ptr<ISequentialStreamReader> stream);
    ~PngLoader() override;
    PngLoader(const PngLoader&) = delete;
    PngLoader& operator=(const PngLoader&) = delete;

    uint32_t getWidth() override { return width_; }
    uint32_t getHeight() override { return height_; }
    PixelFormat getFormat() override { return format_; }
    uint32_t getStride() override { return width_ * bytesPerPixel(format_); }

protected:
    // Throws IoException for corrupt or missing image data, for a call past the last row and for a
    // row buffer shorter than the stride.
    uint32_t loadImpl(unsigned char* row, uint32_t rowBytes) override;

private:
    // libpng's read callback: never lets an exception into libpng's frames.
    static void readProc(png_struct_def* png, unsigned char* data, size_t length);

    // Runs one step of decoding with libpng's error return armed; false when libpng reported an
    // error. The step must not own anything that needs destroying, as libpng leaves it by a long jump.
    bool runGuarded(void (*step)(PngLoader&));
    static void readHeader(PngLoader& loader);
    static void readNextRow(PngLoader& loader);
    static void readInterlacedImage(PngLoader& loader);
    void destroyStructs() noexcept;

    std::shared_ptr<ISequentialStreamReader> stream_;
    png_struct_def* png_ = nullptr;
    png_info_def* info_ = nullptr;
    png_info_def* endInfo_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    PixelFormat format_ = PixelFormat::Gray8;

    uint32_t rowsRead_ = 0;
    // After a libpng error the decoder's state is undefined: every later row is refused.
    bool failed_ = false;
    // The row that readNextRow decodes into.
    unsigned char* target_ = nullptr;
    // Interlaced files arrive in seven passes over the whole picture, so they are decoded whole on
    // the first row asked for; 1 for a plain file.
    int passes_ = 1;
    std::vector<unsigned char> wholeImage_;
    // What the stream reported when a read failed, for libpng's error line on stderr.
    char readFailure_[160] = {};
};

}  // namespace tavelo
