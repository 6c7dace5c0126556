// The About image: decoded from the bundle's resources as 8-bit RGB into a host handle.
#include <gtest/gtest.h>

#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "AboutImage.h"
#include "GlobalData.h"
#include "core/temp_bundle.h"
#include "host/Host.h"
#include "host/OutputCapture.h"
#include "stb/stb_image.h"

namespace {

// Loads through a host whose module sits in `bundle`; the record filled, or the error.
struct Loaded {
    PF_Err err;
    CachedImage image;
    std::vector<unsigned char> bytes;
    std::string printed;
};

Loaded loadFrom(const TempBundle& bundle) {
    host::Host h(bundle.modulePath());
    EXPECT_TRUE(h.load()) << h.error();
    Loaded out{};
    std::memset(&out.image, 0, sizeof(out.image));
    out.image.width = -7;  // to see that a failure leaves the record as it was
    host::OutputCapture console;
    out.err = LoadAboutImage(&h.inData(), &out.image);
    out.printed = console.finish();
    if (!out.err) {
        EXPECT_EQ(h.handles().lockDepth(out.image.pixels), 0);  // unlocked once copied
        auto* block = static_cast<unsigned char*>(h.handles().block(out.image.pixels));
        out.bytes.assign(block, block + h.handles().size(out.image.pixels));
        h.handles().dispose(out.image.pixels);
    }
    EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
    EXPECT_EQ(h.handles().live(), 0u);
    return out;
}

// The one file serves both builds: the bundle reads it as RGB, the Windows module needs RGBA.
TEST(AboutImage, TheShippedImageIs250By70RGBA) {
    int w = 0, h = 0, n = 0;
    std::string path = std::string(MRPH_TEST_BUNDLE_DIR) + "/Contents/Resources/about_image.png";
    unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &n, 0);
    ASSERT_NE(pixels, nullptr) << path;
    stbi_image_free(pixels);
    EXPECT_EQ(w, 250);
    EXPECT_EQ(h, 70);
    EXPECT_EQ(n, 4);
}

class AboutImageChannels : public ::testing::TestWithParam<int> {};

TEST_P(AboutImageChannels, AnyPNGLoadsAsThreeChannels) {
    TempBundle bundle;
    ASSERT_TRUE(bundle.writeAboutImage(5, 3, GetParam()));
    Loaded loaded = loadFrom(bundle);
    ASSERT_EQ(loaded.err, PF_Err_NONE) << loaded.printed;
    EXPECT_EQ(loaded.image.width, 5);
    EXPECT_EQ(loaded.image.height, 3);
    EXPECT_EQ(loaded.image.channels, 3);
    EXPECT_EQ(loaded.image.layout, 0);
    ASSERT_EQ(loaded.bytes.size(), 3u * 5 * 3);
    // Row 2, column 4: every channel is 6, rows top to bottom, tightly packed.
    EXPECT_EQ(loaded.bytes[(2 * 5 + 4) * 3 + 0], 6);
    EXPECT_EQ(loaded.bytes[(2 * 5 + 4) * 3 + 2], 6);
    EXPECT_NE(loaded.printed.find("Resources: " + bundle.resources() + "/\n"), std::string::npos) << loaded.printed;
}

std::string channelsName(const ::testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"", "Grey", "GreyAlpha", "RGB", "RGBA"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(AboutImage, AboutImageChannels, ::testing::Values(1, 2, 3, 4), channelsName);

TEST(AboutImage, MissingOrBrokenFileIs516AndLeavesTheRecord) {
    for (bool broken : {false, true}) {
        TempBundle bundle;
        if (broken) bundle.writeFile("about_image.png", "\x89PNG not really");
        Loaded loaded = loadFrom(bundle);
        EXPECT_EQ(loaded.err, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(loaded.image.width, -7);
        EXPECT_EQ(loaded.image.pixels, nullptr);
        EXPECT_NE(loaded.printed.find("Cannot load 'about' image at: " + bundle.resources() + "/about_image.png"),
                  std::string::npos)
            << loaded.printed;
    }
}

TEST(AboutImage, NoMemoryForThePixelsIsOutOfMemoryAndLeavesNothing) {
    TempBundle bundle;
    ASSERT_TRUE(bundle.writeAboutImage(4, 4, 3));
    host::Host h(bundle.modulePath());
    ASSERT_TRUE(h.load()) << h.error();
    for (bool failLock : {false, true}) {
        CachedImage image{};
        if (failLock) h.handles().failNextLock();
        else h.handles().failNextAllocation();
        host::OutputCapture console;
        EXPECT_EQ(LoadAboutImage(&h.inData(), &image), PF_Err_OUT_OF_MEMORY);
        console.finish();
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(h.handles().live(), 0u);
    }
}

}  // namespace
