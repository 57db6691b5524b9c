#include "tests/support/temp_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace velmora::test {

TempFile::TempFile(std::string_view contents) {
    static int counter = 0;
    path_ = ::testing::TempDir() + "velmora_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    std::ofstream out(path_, std::ios::binary);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

TempFile::~TempFile() {
    std::remove(path_.c_str());
}

}  // namespace velmora::test
