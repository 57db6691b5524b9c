#pragma once

#include <memory>

#include "render/image.h"

namespace tavelo {

// Decodes the PNG file at `path`, whatever its name, into a new image of the loader's format. Throws
// Win32Exception when the file cannot be opened and IoException when it is not a usable PNG.
std::shared_ptr<Image> loadImage(const char* path);

}  // namespace tavelo
