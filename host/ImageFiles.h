// ImageFiles.h — images in and out of the stand-in host: environment maps read from PNG, JPEG, HDR or
// EXR; rendered frames written as 8-bit PNG (for looking) or 32-bit float EXR (for checking).
//
// An image file is untrusted: its header is read first and its size checked against the limits
// below before a pixel is decoded, and a file that cannot be read says why (empty, cut short, of an
// unknown type, too large), not just that it failed.
#ifndef MORPHALITH_HOST_IMAGE_FILES_H
#define MORPHALITH_HOST_IMAGE_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include "HostTypes.h"

namespace host {

struct FloatImage;

// The largest image read: 16384 pixels a side and 16384 x 8192 pixels in all (an equirectangular
// map of 16K), which decodes to 2 GB of float RGBA.
constexpr int64_t kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = 16384LL * 8192;
// Files larger than this are not read at all (no image within the limits is stored in more).
constexpr uint64_t kMaxImageFileBytes = 4ULL << 30;

// What an image file's first bytes say, read without decoding it.
struct ImageHeader {
    const char* type = "";  // "PNG", "JPEG", "HDR" or "EXR"
    int64_t width = 0, height = 0;
};

// Reads the type and size from the file's bytes. False with the reason: "the file is empty", "it is
// not a PNG, JPEG, HDR or EXR image", "its PNG header is cut short", ...
bool probeImage(const std::string& bytes, ImageHeader* header, std::string* why);

// Straight RGBA floats, rows top to bottom. PNG and JPEG values are divided by 255. The error is
// "cannot read PATH: REASON".
bool readImageRGBA(const std::string& path, A_long* width, A_long* height, std::vector<float>* rgba,
                   std::string* error);

// Whether OUT names a file the render command can write: ".png" or ".exr" (any case).
bool isImageFileName(const std::string& path);

// By the extension of path: ".exr" writes 32-bit float RGBA, anything else 8-bit RGBA PNG
// (clamped to 0..1 and rounded; no colour transform). The image is encoded in memory, then written
// through writeFileChecked.
bool writeImage(const std::string& path, const FloatImage& image, std::string* error);

// Writes bytes to path, checking every step (open, each write, flush, close): false with
// "cannot write PATH: REASON" (the system's reason, e.g. "No space left on device"). A regular file
// left half-written is removed; anything else at the path (a device, say) is left alone.
bool writeFileChecked(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace host

#endif  // MORPHALITH_HOST_IMAGE_FILES_H
