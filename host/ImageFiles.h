// ImageFiles.h — images in and out of the stand-in host: environment maps read from PNG, JPEG, HDR or
// EXR; rendered frames written as 8-bit PNG (for looking) or 32-bit float EXR (for checking).
#ifndef MORPHALITH_HOST_IMAGE_FILES_H
#define MORPHALITH_HOST_IMAGE_FILES_H

#include <string>
#include <vector>

#include "HostTypes.h"

namespace host {

struct FloatImage;

// Straight RGBA floats, rows top to bottom. PNG and JPEG values are divided by 255.
bool readImageRGBA(const std::string& path, A_long* width, A_long* height, std::vector<float>* rgba,
                   std::string* error);

// By the extension of path: ".exr" writes 32-bit float RGBA, anything else 8-bit RGBA PNG
// (clamped to 0..1 and rounded; no colour transform).
bool writeImage(const std::string& path, const FloatImage& image, std::string* error);

}  // namespace host

#endif  // MORPHALITH_HOST_IMAGE_FILES_H
