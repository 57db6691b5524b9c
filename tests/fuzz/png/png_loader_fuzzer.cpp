// Feeds arbitrary bytes to the PNG loader the way the application loads an image. Anything but the
// loader's IoException leaving it, and any memory fault inside, is a finding.
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/exception.h"
#include "render/image.h"
#include "render/png_loader.h"
#include "tests/support/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Images this large are valid but would only spend the fuzzer's memory and time.
    constexpr uint64_t largestImage = 8 << 20;
    try {
        tavelo::PngLoader loader(std::make_shared<velmora::test::MemoryStream>(
            std::string_view(reinterpret_cast<const char*>(data), size)));
        const uint32_t height = loader.getHeight();
        if (uint64_t{loader.getStride()} * height > largestImage) {
            return 0;
        }
        auto image = std::make_shared<tavelo::Image>(loader.getWidth(), height, loader.getFormat());
        for (uint32_t y = 0; y < height; ++y) {
            loader.load(image->row(y), image->stride);
        }
    } catch (const tavelo::IoException&) {
    }
    return 0;
}
