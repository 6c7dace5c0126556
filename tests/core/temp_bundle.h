// temp_bundle.h — a copy of the built module in a bundle of its own under /tmp, so a test can choose
// what its Resources folder holds (no About image, a grey one, ...). Removed at the end of the test.
#ifndef MORPHALITH_TESTS_CORE_TEMP_BUNDLE_H
#define MORPHALITH_TESTS_CORE_TEMP_BUNDLE_H

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "stb/stb_image_write.h"

class TempBundle {
public:
    TempBundle() {
        char pattern[] = "/tmp/morphalith-bundle-XXXXXX";
        root_ = mkdtemp(pattern);
        bundle_ = root_ + "/Morphalith.plugin";
        std::filesystem::create_directories(bundle_ + "/Contents/Linux");
        std::filesystem::create_directories(resources());
        std::filesystem::copy_file(MRPH_TEST_MODULE_PATH, modulePath());
    }
    ~TempBundle() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempBundle(const TempBundle&) = delete;
    TempBundle& operator=(const TempBundle&) = delete;

    std::string bundle() const { return bundle_; }
    std::string modulePath() const { return bundle_ + "/Contents/Linux/Morphalith"; }
    std::string resources() const { return bundle_ + "/Contents/Resources"; }

    // Writes about_image.png with `channels` bytes per pixel; pixel (x, y) has every byte x + y.
    bool writeAboutImage(int width, int height, int channels) const {
        std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < channels; ++c)
                    pixels[(static_cast<size_t>(y) * width + x) * channels + c] = static_cast<unsigned char>(x + y);
        std::string path = resources() + "/about_image.png";
        return stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels) != 0;
    }
    void writeFile(const std::string& name, const std::string& bytes) const {
        FILE* f = std::fopen((resources() + "/" + name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

private:
    std::string root_, bundle_;
};

#endif  // MORPHALITH_TESTS_CORE_TEMP_BUNDLE_H
