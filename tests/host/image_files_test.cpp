// Image files as untrusted input and frames as output that must not be lost: headers read and sized
// before anything is decoded, each kind of damage named, and every write checked.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/ImageFiles.h"
#include "host/MemoryLimits.h"
#include "host/RenderJob.h"
#include "support/PipeRescuer.h"

namespace {

namespace fs = std::filesystem;

std::string be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string le32(int32_t v) {
    const uint32_t u = (uint32_t)v;
    return {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
}

const std::string kPng("\x89PNG\r\n\x1a\n", 8);
// The signature and an IHDR chunk (the checksum is not read before decoding).
std::string pngHeader(uint32_t w, uint32_t h) {
    return kPng + be32(13) + "IHDR" + be32(w) + be32(h) + std::string("\x08\x06\x00\x00\x00", 5) + be32(0);
}
// Start marker, an application segment, then a baseline frame: precision 8, height, width, 3 parts.
std::string jpegHeader(uint16_t w, uint16_t h) {
    std::string app = std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    return std::string("\xFF\xD8", 2) + app + std::string("\xFF\xC0\x00\x11\x08", 5) + char(h >> 8) + char(h) +
           char(w >> 8) + char(w) + std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
}
// Magic, version 2, a dataWindow attribute and the end of the header.
std::string exrHeader(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax) {
    return std::string("\x76\x2F\x31\x01\x02\x00\x00\x00", 8) + std::string("dataWindow\0box2i\0", 17) + le32(16) +
           le32(xMin) + le32(yMin) + le32(xMax) + le32(yMax) + std::string(1, '\0');
}

// The type and size a header gives, or why it gives none; each field derived from the bytes above.
TEST(ImageFiles, HeadersGiveTypeAndSizeOrSayWhatIsWrong) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* type;  // nullptr: refused
        int64_t width, height;
        const char* reason;
    } cases[] = {
        {"png", pngHeader(64, 32), "PNG", 64, 32, ""},
        {"png of 20000 a side (sized, not refused here)", pngHeader(20000, 20000), "PNG", 20000, 20000, ""},
        {"png of the largest width a header holds", pngHeader(0xFFFFFFFFu, 1), "PNG", 4294967295LL, 1, ""},
        {"jpeg", jpegHeader(640, 480), "JPEG", 640, 480, ""},
        {"hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 256 +X 512\n", "HDR", 512, 256, ""},
        {"exr with an offset window", exrHeader(10, 20, 109, 69), "EXR", 100, 50, ""},
        {"empty", "", nullptr, 0, 0, "the file is empty"},
        {"png cut inside its signature", kPng.substr(0, 5), nullptr, 0, 0, "cut short inside its PNG header"},
        {"png cut inside IHDR", pngHeader(64, 32).substr(0, 20), nullptr, 0, 0, "cut short inside its PNG header"},
        {"png whose first chunk is not IHDR", kPng + be32(0) + "IEND" + be32(0) + be32(0) + be32(0), nullptr, 0, 0,
         "the first chunk is not IHDR"},
        {"png of width 0", pngHeader(0, 32), nullptr, 0, 0, "gives a size of 0x32"},
        {"jpeg cut before its frame", jpegHeader(640, 480).substr(0, 22), nullptr, 0, 0, "cut short inside its JPEG"},
        {"jpeg with image data before a frame", std::string("\xFF\xD8\xFF\xDA\x00\x02", 6), nullptr, 0, 0,
         "no frame size before the image data"},
        {"jpeg with a segment of length 1", std::string("\xFF\xD8\xFF\xE0\x00\x01", 6), nullptr, 0, 0,
         "a segment of length 1"},
        {"hdr without its size line", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n", nullptr, 0, 0, "cut short inside its HDR"},
        {"hdr stored sideways", "#?RADIANCE\n\n+X 512 -Y 256\n", nullptr, 0, 0, "is not of the form -Y HEIGHT +X WIDTH"},
        {"exr without a data window", std::string("\x76\x2F\x31\x01\x02\x00\x00\x00\x00", 9), nullptr, 0, 0,
         "it has no dataWindow"},
        {"exr cut inside an attribute", exrHeader(0, 0, 9, 9).substr(0, 30), nullptr, 0, 0, "cut short inside its EXR"},
        {"exr whose window is upside down", exrHeader(0, 10, 9, 0), nullptr, 0, 0, "gives a size of 10x-9"},
        {"exr window wider than int", exrHeader(-2147483647 - 1, 0, 2147483647, 0), "EXR", 4294967296LL, 1, ""},
        {"gif", "GIF89a\x01\x00\x01\x00", nullptr, 0, 0, "not a PNG, JPEG, HDR or EXR image (it begins with the bytes 47 49 46 38)"},
        {"text", "{\"not\": \"an image\"}", nullptr, 0, 0, "it begins with the bytes 7B 22 6E 6F"},
    };
    for (const Case& c : cases) {
        host::ImageHeader header;
        std::string why;
        const bool ok = host::probeImage(c.bytes, &header, &why);
        EXPECT_EQ(ok, c.type != nullptr) << c.what << ": " << why;
        if (c.type) {
            EXPECT_STREQ(header.type, c.type) << c.what;
            EXPECT_EQ(header.width, c.width) << c.what;
            EXPECT_EQ(header.height, c.height) << c.what;
        } else {
            EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
        }
    }
}

class ImageFileIO : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mrph-images-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string get(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // A 4x2 image with distinct values: pixel i has blue i/8, green 0.5, red 1 - i/8, alpha 1.
    static host::FloatImage sample() {
        host::FloatImage image;
        image.width = 4;
        image.height = 2;
        for (int i = 0; i < 8; ++i) image.bgra.insert(image.bgra.end(), {i / 8.0f, 0.5f, 1.0f - i / 8.0f, 1.0f});
        return image;
    }

    fs::path dir_;
};

// What was written reads back: EXR exactly, PNG to the nearest 1/255.
TEST_F(ImageFileIO, WrittenFramesReadBack) {
    const host::FloatImage image = sample();
    for (const char* name : {"frame.exr", "frame.png", "FRAME.PNG"}) {
        std::string error;
        ASSERT_TRUE(host::writeImage(path(name), image, &error)) << error;
        A_long w = 0, h = 0;
        std::vector<float> rgba;
        ASSERT_TRUE(host::readImageRGBA(path(name), &w, &h, &rgba, &error)) << name << ": " << error;
        ASSERT_EQ(w, 4);
        ASSERT_EQ(h, 2);
        const float tolerance = std::string(name).find(".exr") != std::string::npos ? 0.0f : 0.5f / 255.0f + 1e-6f;
        for (int i = 0; i < 8; ++i) {
            EXPECT_NEAR(rgba[i * 4 + 0], 1.0f - i / 8.0f, tolerance) << name << " pixel " << i;
            EXPECT_NEAR(rgba[i * 4 + 1], 0.5f, tolerance) << name << " pixel " << i;
            EXPECT_NEAR(rgba[i * 4 + 2], i / 8.0f, tolerance) << name << " pixel " << i;
            EXPECT_NEAR(rgba[i * 4 + 3], 1.0f, tolerance) << name << " pixel " << i;
        }
    }
}

// Damaged files found on disk: each refused with its own reason, nothing decoded from a header that
// promises too much.
TEST_F(ImageFileIO, DamagedFilesSayWhatIsWrong) {
    std::string error;
    ASSERT_TRUE(host::writeImage(path("good.png"), sample(), &error)) << error;
    ASSERT_TRUE(host::writeImage(path("good.exr"), sample(), &error)) << error;
    const std::string png = get("good.png"), exr = get("good.exr");
    // The first chunk after IHDR (33 bytes in) is stb's IDAT; its data starts 8 bytes later.
    ASSERT_EQ(png.substr(37, 4), "IDAT");
    std::string badZlib = png;
    badZlib[41] = '\x00';  // a compression method zlib does not know
    std::string huge = pngHeader(20000, 20000) + png.substr(33);
    std::string wide = pngHeader(16385, 1) + png.substr(33);
    std::string many = pngHeader(16384, 8193) + png.substr(33);
    fs::create_directories(dir_ / "folder.png");
    ASSERT_EQ(mkfifo(path("pipe.png").c_str(), 0600), 0);  // nobody writes to it
    PipeRescuer rescuer(path("pipe.png"));
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"empty.png", "", "the file is empty"},
        {"cut.png", png.substr(0, 50), "it is cut short: the file ends inside its IDAT chunk"},
        {"noend.png", png.substr(0, png.size() - 12), "the file ends before the PNG's end chunk"},
        {"zlib.png", badZlib, "its PNG data is damaged (Corrupt PNG)"},
        {"huge.png", huge, "it is 20000x20000 pixels, more than the 16384 a side and 16384x8192 in all"},
        {"wide.png", wide, "it is 16385x1 pixels"},
        {"many.png", many, "it is 16384x8193 pixels"},
        {"cut.exr", exr.substr(0, exr.size() - 20), "its EXR data is damaged or cut short"},
        {"gif.png", "GIF89a", "not a PNG, JPEG, HDR or EXR image"},
        {"folder.png", "", "it is not a regular file"},
        {"pipe.png", "", "it is not a regular file"},
        {"missing.png", "", "No such file or directory"},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        if (name != "folder.png" && name != "pipe.png" && name != "missing.png") put(c.name, c.bytes);
        A_long w = -1, h = -1;
        std::vector<float> rgba;
        EXPECT_FALSE(host::readImageRGBA(path(c.name), &w, &h, &rgba, &error)) << c.name;
        EXPECT_EQ(error.rfind("cannot read " + path(c.name) + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(w, -1) << c.name;
        EXPECT_TRUE(rgba.empty()) << c.name;
    }
    EXPECT_FALSE(rescuer.rescued()) << "the read waited on the pipe";
}

// A write that fails is an error with the system's reason, never "wrote": a full disk (a link to
// /dev/full), a folder that is a file, a name that is a folder. A half-written regular file is
// removed; the device is left alone.
TEST_F(ImageFileIO, FailedWritesSayWhyAndLeaveNoHalfFile) {
    fs::create_symlink("/dev/full", dir_ / "full.png");
    fs::create_symlink("/dev/full", dir_ / "full.exr");
    put("file", "");
    fs::create_directories(dir_ / "folder.exr");
    struct Case {
        const char* name;
        const char* reason;
    } cases[] = {
        {"full.png", "No space left on device"},
        {"full.exr", "No space left on device"},
        {"file/frame.png", "Not a directory"},
        {"folder.exr", "Is a directory"},
        {"missing/frame.exr", "No such file or directory"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(host::writeImage(path(c.name), sample(), &error)) << c.name;
        EXPECT_EQ(error, "cannot write " + path(c.name) + ": " + c.reason);
    }
    struct stat st {};
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_TRUE(fs::is_symlink(dir_ / "full.png"));

    // A regular file that cannot be completed goes: a limit on file size stands in for a full disk.
    const std::string big(1 << 16, 'x');
    std::string error;
    {
        struct rlimit old {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 1000;
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        EXPECT_FALSE(host::writeFileChecked(path("limited.png"), big, &error));
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
    }
    EXPECT_EQ(error, "cannot write " + path("limited.png") + ": File too large");
    EXPECT_FALSE(fs::exists(dir_ / "limited.png"));
}

TEST(MemoryLimits, SizesReadAsPeopleCountMemory) {
    struct Case {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes"}, {1, "1 byte"}, {1023, "1023 bytes"}, {1024, "1.0 KB"}, {1536, "1.5 KB"},
        {6ULL << 30, "6.0 GB"}, {13ULL * (1ULL << 30) + (1ULL << 29), "13.5 GB"}, {UINT64_MAX, "16.0 EB"},
    };
    for (const Case& c : cases) EXPECT_EQ(host::byteSize(c.bytes), c.text) << c.bytes;
    // Nothing on this machine holds the largest size there is.
    std::string why;
    EXPECT_FALSE(host::fitsInMemory(UINT64_MAX, "the test", &why));
    EXPECT_EQ(why.rfind("the test needs 16.0 EB, more than this machine's ", 0), 0u) << why;
    EXPECT_TRUE(host::fitsInMemory(1 << 20, "a megabyte", &why));
}

}  // namespace
