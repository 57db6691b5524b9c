#include "render/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

constexpr char constructorName[] = "tavelo::PngLoader::PngLoader";
constexpr char loadName[] = "tavelo::PngLoader::loadImpl";
constexpr char readProcName[] = "tavelo::PngLoader::readProc";

[[noreturn]] void throwInvalidFormat(const char* method) {
    throw IoException(formatString("Invalid file format in %s method.", method));
}

[[noreturn]] void throwOutOfMemory() {
    throw Exception(formatString("Out of memory in %s method.", constructorName));
}

PixelFormat formatOf(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_RGB:
            return PixelFormat::Rgb24;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return PixelFormat::GrayAlpha16;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return PixelFormat::Argb32;
        default:
            return PixelFormat::Gray8;
    }
}

}  // namespace

PngLoader::PngLoader(std::shared_ptr<ISequentialStreamReader> stream) : stream_(std::move(stream)) {
    // No error or warning functions: libpng's own print "libpng error: ..." and "libpng warning: ..."
    // to stderr, and errors jump back to the return point that runGuarded arms.
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png_ == nullptr) {
        throwOutOfMemory();
    }
    info_ = png_create_info_struct(png_);
    if (info_ != nullptr) {
        endInfo_ = png_create_info_struct(png_);
    }
    if (endInfo_ == nullptr) {
        destroyStructs();
        throwOutOfMemory();
    }
    if (!runGuarded(&PngLoader::readHeader)) {
        destroyStructs();
        throwInvalidFormat(constructorName);
    }
}

PngLoader::~PngLoader() {
    destroyStructs();
}

uint32_t PngLoader::loadImpl(unsigned char* row, uint32_t rowBytes) {
    const uint32_t stride = getStride();
    // libpng writes a whole row wherever it is told to: a shorter buffer is refused before that,
    // and the row stays to be loaded into a buffer that holds it.
    if (failed_ || rowsRead_ >= height_ || rowBytes < stride) {
        throwInvalidFormat(loadName);
    }
    if (passes_ > 1) {
        if (wholeImage_.empty()) {
            // Allocated before libpng runs, so an allocation failure never meets its long jump.
            wholeImage_.resize(size_t{stride} * height_);
            if (!runGuarded(&PngLoader::readInterlacedImage)) {
                throwInvalidFormat(loadName);
            }
        }
        std::memcpy(row, wholeImage_.data() + size_t{stride} * rowsRead_, stride);
    } else {
        target_ = row;
        if (!runGuarded(&PngLoader::readNextRow)) {
            throwInvalidFormat(loadName);
        }
    }
    ++rowsRead_;
    return stride;
}

void PngLoader::readProc(png_struct_def* png, unsigned char* data, size_t length) {
    auto& loader = *static_cast<PngLoader*>(png_get_io_ptr(png));
    // No exception may pass through libpng's frames: the failure is kept as text, the handler is
    // left, and only then does libpng take its error return.
    try {
        if (loader.stream_->read(data, length) == length) {
            return;
        }
        std::snprintf(loader.readFailure_, sizeof loader.readFailure_, "Invalid file format in %s method.",
                      readProcName);
    } catch (const std::exception& failure) {
        std::snprintf(loader.readFailure_, sizeof loader.readFailure_, "%s", failure.what());
    }
    png_error(png, loader.readFailure_);
}

bool PngLoader::runGuarded(void (*step)(PngLoader&)) {
    if (setjmp(png_jmpbuf(png_)) != 0) {
        failed_ = true;
        return false;
    }
    step(*this);
    return true;
}

void PngLoader::readHeader(PngLoader& loader) {
    png_structp png = loader.png_;
    png_infop info = loader.info_;
    png_set_read_fn(png, &loader, &PngLoader::readProc);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
            if (bitDepth < 8) {
                png_set_expand_gray_1_2_4_to_8(png);
            }
            break;
        case PNG_COLOR_TYPE_PALETTE:
            png_set_palette_to_rgb(png);
            png_set_bgr(png);
            break;
        case PNG_COLOR_TYPE_RGB:
        case PNG_COLOR_TYPE_RGB_ALPHA:
            png_set_bgr(png);
            break;
        default:
            break;
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth > 8) {
        png_set_strip_16(png);
    }
    if (interlace != PNG_INTERLACE_NONE) {
        loader.passes_ = png_set_interlace_handling(png);
    }
    png_read_update_info(png, info);
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    loader.width_ = width;
    loader.height_ = height;
    loader.format_ = formatOf(colorType);

    // Rows are handed out by the stride the format implies, and the image is addressed with 32-bit
    // sizes: refuse a file that would break either before anything is allocated for it.
    const uint64_t stride = uint64_t{width} * bytesPerPixel(loader.format_);
    if (png_get_rowbytes(png, info) != stride || stride * height + Image::spareBytes > UINT32_MAX) {
        png_error(png, "Image is too large or of an unexpected layout");
    }
}

void PngLoader::readNextRow(PngLoader& loader) {
    png_read_row(loader.png_, loader.target_, nullptr);
}

void PngLoader::readInterlacedImage(PngLoader& loader) {
    // Each pass fills in more pixels of rows the earlier passes began, in place.
    const size_t stride = loader.getStride();
    for (int pass = 0; pass < loader.passes_; ++pass) {
        for (uint32_t y = 0; y < loader.height_; ++y) {
            png_read_row(loader.png_, loader.wholeImage_.data() + stride * y, nullptr);
        }
    }
}

void PngLoader::destroyStructs() noexcept {
    if (png_ != nullptr) {
        png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr,
                                info_ != nullptr && endInfo_ != nullptr ? &endInfo_ : nullptr);
    }
    png_ = nullptr;
    info_ = nullptr;
    endInfo_ = nullptr;
}

}  // namespace tavelo
