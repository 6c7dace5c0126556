// FrameFile.h — rendered frames handed from the Windows test host (under wine) to the Linux tests, which
// render the same frames with the Linux module and compare.
//
// The file: the line "MRPHFRAME <width> <height>", then width x height x 4 little-endian 32-bit floats,
// blue, green, red, alpha, rows top to bottom: the output world's own values, nothing rounded.
#ifndef MORPHALITH_TESTS_SUPPORT_FRAME_FILE_H
#define MORPHALITH_TESTS_SUPPORT_FRAME_FILE_H

#include <cstdio>
#include <string>

#include "host/RenderJob.h"

namespace frame_file {

// The frames both sides render: a scene of examples/, the frame number and the output size.
struct Case {
    const char* name;
    const char* scene;  // relative to the source tree
    int frame, width, height;
};
inline constexpr Case kCases[] = {
    {"primitives", "examples/primitives.json", 0, 320, 180},
    {"modifiers", "examples/modifiers.json", 20, 320, 180},
    {"reflections", "examples/reflections.json", 0, 320, 180},
};

inline bool write(const std::string& path, const host::FloatImage& image) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "MRPHFRAME %d %d\n", image.width, image.height);
    const bool ok = std::fwrite(image.bgra.data(), sizeof(float), image.bgra.size(), file) == image.bgra.size();
    return std::fclose(file) == 0 && ok;
}

inline bool read(const std::string& path, host::FloatImage* image) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    int width = 0, height = 0;
    bool ok = std::fscanf(file, "MRPHFRAME %d %d", &width, &height) == 2 && std::fgetc(file) == '\n' && width > 0 &&
              height > 0 && width <= 16384 && height <= 16384;
    if (ok) {
        image->width = width;
        image->height = height;
        image->bgra.assign(static_cast<size_t>(width) * height * 4, 0.0f);
        ok = std::fread(image->bgra.data(), sizeof(float), image->bgra.size(), file) == image->bgra.size();
    }
    std::fclose(file);
    return ok;
}

}  // namespace frame_file

#endif  // MORPHALITH_TESTS_SUPPORT_FRAME_FILE_H
