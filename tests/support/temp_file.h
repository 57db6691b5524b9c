#pragma once

#include <string>
#include <string_view>

namespace velmora::test {

// A file under the test temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(std::string_view contents);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

}  // namespace velmora::test
