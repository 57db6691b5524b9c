// Writes the PNG loader fuzzer's seed corpus: one small file per colour type, bit depth,
// transparency and interlace case of the loader tests.
//   png_seed_corpus tests/fuzz/png/corpus
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/render/png_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    int index = 0;
    for (const auto& image : velmora::test::samplePngImages(1, 4)) {
        char name[32];
        std::snprintf(name, sizeof name, "/seed%02d.png", index++);
        std::ofstream out(std::string(argv[1]) + name, std::ios::binary);
        const std::string bytes = velmora::test::encodePng(image);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s%s\n", argv[1], name);
            return 1;
        }
    }
    return 0;
}
