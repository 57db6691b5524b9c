#include "app/load_image.h"

#include "core/file_stream_reader.h"
#include "render/png_loader.h"

namespace tavelo {

std::shared_ptr<Image> loadImage(const char* path) {
    auto reader = std::make_shared<FileStreamReader>(path);
    PngLoader loader(reader);
    const PixelFormat format = loader.getFormat();
    const uint32_t height = loader.getHeight();
    const uint32_t width = loader.getWidth();
    auto image = std::make_shared<Image>(width, height, format);
    for (uint32_t y = 0; y < loader.getHeight(); ++y) {
        loader.load(image->row(y), image->stride);
    }
    return image;
}

}  // namespace tavelo
