#include "host/ImageFiles.h"

#include <cmath>
#include <memory>

// Internal linkage: the plug-in and some tests carry their own copies of these.
#define STB_IMAGE_STATIC
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

// The Windows test host (tests/win) is built without OpenEXR: it reads and writes PNG through stb.
#if !defined(_WIN32)
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#define MRPH_HOST_EXR 1
#endif

#include "host/RenderJob.h"

namespace host {

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower((unsigned char)s[s.size() - tail.size() + i]) != tail[i]) return false;
    return true;
}

}  // namespace

bool readImageRGBA(const std::string& path, A_long* width, A_long* height, std::vector<float>* rgba,
                   std::string* error) {
    if (endsWith(path, ".exr")) {
#if MRPH_HOST_EXR
        try {
            Imf::InputFile file(path.c_str());
            const Imath::Box2i dw = file.header().dataWindow();
            const int w = dw.max.x - dw.min.x + 1, h = dw.max.y - dw.min.y + 1;
            rgba->assign((size_t)w * h * 4, 1.0f);  // a missing alpha channel reads as opaque
            Imf::FrameBuffer fb;
            char* base = reinterpret_cast<char*>(rgba->data()) - (dw.min.x + (ptrdiff_t)dw.min.y * w) * 16;
            const char* names[4] = {"R", "G", "B", "A"};
            for (int c = 0; c < 4; ++c)
                fb.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * 4, 16, (size_t)w * 16, 1, 1, c == 3 ? 1.0 : 0.0));
            file.setFrameBuffer(fb);
            file.readPixels(dw.min.y, dw.max.y);
            *width = w;
            *height = h;
            return true;
        } catch (const std::exception& e) {
            *error = "cannot read " + path + ": " + e.what();
            return false;
        }
#else
        *error = "cannot read " + path + ": this host reads no EXR files";
        return false;
#endif
    }
    int w = 0, h = 0, channels = 0;
    // The file's numbers unchanged: stb would otherwise linearise 8-bit files with a 2.2 gamma.
    stbi_ldr_to_hdr_gamma(1.0f);
    stbi_ldr_to_hdr_scale(1.0f);
    std::unique_ptr<float, void (*)(void*)> data(stbi_loadf(path.c_str(), &w, &h, &channels, 4), stbi_image_free);
    if (!data) {
        *error = "cannot read " + path + ": " + (stbi_failure_reason() ? stbi_failure_reason() : "unknown format");
        return false;
    }
    rgba->assign(data.get(), data.get() + (size_t)w * h * 4);
    *width = w;
    *height = h;
    return true;
}

bool writeImage(const std::string& path, const FloatImage& image, std::string* error) {
    const size_t n = (size_t)image.width * image.height;
    if (endsWith(path, ".exr")) {
#if MRPH_HOST_EXR
        try {
            Imf::Header header(image.width, image.height);
            const char* names[4] = {"B", "G", "R", "A"};  // the image's memory order
            Imf::FrameBuffer fb;
            char* base = reinterpret_cast<char*>(const_cast<float*>(image.bgra.data()));
            for (int c = 0; c < 4; ++c) {
                header.channels().insert(names[c], Imf::Channel(Imf::FLOAT));
                fb.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * 4, 16, (size_t)image.width * 16));
            }
            Imf::OutputFile file(path.c_str(), header);
            file.setFrameBuffer(fb);
            file.writePixels(image.height);
            return true;
        } catch (const std::exception& e) {
            *error = "cannot write " + path + ": " + e.what();
            return false;
        }
#else
        *error = "cannot write " + path + ": this host writes no EXR files";
        return false;
#endif
    }
    std::vector<unsigned char> bytes(n * 4);
    auto byte = [](float v) { return (unsigned char)std::lround(std::fmin(1.0f, std::fmax(0.0f, v)) * 255.0f); };
    for (size_t i = 0; i < n; ++i) {
        const float* p = &image.bgra[i * 4];
        bytes[i * 4 + 0] = byte(p[2]);
        bytes[i * 4 + 1] = byte(p[1]);
        bytes[i * 4 + 2] = byte(p[0]);
        bytes[i * 4 + 3] = byte(p[3]);
    }
    if (!stbi_write_png(path.c_str(), image.width, image.height, 4, bytes.data(), image.width * 4)) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace host
