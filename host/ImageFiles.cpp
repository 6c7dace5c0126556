#include "host/ImageFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// Internal linkage: the plug-in and some tests carry their own copies of these.
#define STB_IMAGE_STATIC
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG  // "Corrupt PNG" rather than "bad IHDR len"
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

// The Windows test host (tests/win) is built without OpenEXR: it reads and writes PNG through stb.
#if !defined(_WIN32)
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#define MRPH_HOST_EXR 1
#endif

#include "host/MemoryLimits.h"
#include "host/OneLine.h"
#include "host/RegularFile.h"
#include "host/RenderJob.h"

namespace host {

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower((unsigned char)s[s.size() - tail.size() + i]) != tail[i]) return false;
    return true;
}

uint32_t bigEndian32(const std::string& b, size_t at) {
    return (uint32_t)(unsigned char)b[at] << 24 | (uint32_t)(unsigned char)b[at + 1] << 16 |
           (uint32_t)(unsigned char)b[at + 2] << 8 | (uint32_t)(unsigned char)b[at + 3];
}
uint32_t bigEndian16(const std::string& b, size_t at) {
    return (uint32_t)(unsigned char)b[at] << 8 | (uint32_t)(unsigned char)b[at + 1];
}
int32_t littleEndian32(const std::string& b, size_t at) {
    return (int32_t)((uint32_t)(unsigned char)b[at] | (uint32_t)(unsigned char)b[at + 1] << 8 |
                     (uint32_t)(unsigned char)b[at + 2] << 16 | (uint32_t)(unsigned char)b[at + 3] << 24);
}

// Whether the file's bytes begin with magic, or are all of a beginning of it (a file cut short
// inside its signature is still that type).
bool beginsWith(const std::string& bytes, const std::string& magic) {
    const size_t n = std::min(bytes.size(), magic.size());
    return n > 0 && bytes.compare(0, n, magic, 0, n) == 0;
}

const std::string kPngMagic("\x89PNG\r\n\x1a\n", 8);
const std::string kJpegMagic("\xFF\xD8\xFF", 3);
const std::string kExrMagic("\x76\x2F\x31\x01", 4);

bool cutShort(const char* type, std::string* why) {
    *why = std::string("it is cut short inside its ") + type + " header";
    return false;
}

bool probePng(const std::string& b, ImageHeader* h, std::string* why) {
    // Signature, then the IHDR chunk: length 13, "IHDR", width, height (big-endian).
    if (b.size() < 24) return cutShort("PNG", why);
    if (b.compare(12, 4, "IHDR") != 0) {
        *why = "its PNG header is damaged (the first chunk is not IHDR)";
        return false;
    }
    h->width = bigEndian32(b, 16);
    h->height = bigEndian32(b, 20);
    return true;
}

bool probeJpeg(const std::string& b, ImageHeader* h, std::string* why) {
    // Segments after the start marker: FF, marker, big-endian length (counting itself), data. The
    // frame size is in the first start-of-frame segment: precision, height, width.
    size_t at = 2;
    while (true) {
        while (at < b.size() && (unsigned char)b[at] != 0xFF) ++at;  // bytes between segments
        while (at < b.size() && (unsigned char)b[at] == 0xFF) ++at;  // fill bytes
        if (at >= b.size()) return cutShort("JPEG", why);
        const unsigned marker = (unsigned char)b[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) {
            *why = "its JPEG header is damaged (no frame size before the image data)";
            return false;
        }
        if (at + 2 > b.size()) return cutShort("JPEG", why);
        const size_t length = bigEndian16(b, at);
        if (length < 2) {
            *why = "its JPEG header is damaged (a segment of length " + std::to_string(length) + ")";
            return false;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 7 > b.size()) return cutShort("JPEG", why);
            h->height = bigEndian16(b, at + 3);
            h->width = bigEndian16(b, at + 5);
            return true;
        }
        at += length;
    }
}

bool probeHdr(const std::string& b, ImageHeader* h, std::string* why) {
    // Text lines up to an empty one, then the resolution line "-Y height +X width".
    size_t at = 0;
    while (true) {
        const size_t eol = b.find('\n', at);
        if (eol == std::string::npos) return cutShort("HDR", why);
        const bool empty = eol == at;
        at = eol + 1;
        if (empty) break;
    }
    const size_t eol = b.find('\n', at);
    if (eol == std::string::npos) return cutShort("HDR", why);
    const std::string line = b.substr(at, eol - at);
    long long height = 0, width = 0;
    char tail = 0;
    if (std::sscanf(line.c_str(), "-Y %lld +X %lld%c", &height, &width, &tail) != 2) {
        *why = "its HDR size line \"" + oneLine(line.substr(0, 40)) + "\" is not of the form -Y HEIGHT +X WIDTH";
        return false;
    }
    h->width = width;
    h->height = height;
    return true;
}

bool probeExr(const std::string& b, ImageHeader* h, std::string* why) {
    // Magic, version word, then attributes (name, type name, 32-bit size, value) up to an empty
    // name; the size is in "dataWindow", a box of four 32-bit ints: x min, y min, x max, y max.
    size_t at = 8;
    if (b.size() < at) return cutShort("EXR", why);
    auto text = [&](std::string* out) {
        const size_t end = b.find('\0', at);
        if (end == std::string::npos || end - at > 255) return false;
        *out = b.substr(at, end - at);
        at = end + 1;
        return true;
    };
    while (true) {
        std::string name, type;
        if (!text(&name)) return cutShort("EXR", why);
        if (name.empty()) break;
        if (!text(&type) || at + 4 > b.size()) return cutShort("EXR", why);
        const int32_t size = littleEndian32(b, at);
        at += 4;
        if (size < 0 || at + (size_t)size > b.size()) return cutShort("EXR", why);
        if (name == "dataWindow") {
            if (type != "box2i" || size != 16) {
                *why = "its EXR header is damaged (dataWindow is not a box of four integers)";
                return false;
            }
            const int64_t xMin = littleEndian32(b, at), yMin = littleEndian32(b, at + 4),
                          xMax = littleEndian32(b, at + 8), yMax = littleEndian32(b, at + 12);
            h->width = xMax - xMin + 1;
            h->height = yMax - yMin + 1;
            return true;
        }
        at += (size_t)size;
    }
    *why = "its EXR header is damaged (it has no dataWindow)";
    return false;
}

// Why a PNG whose header was sound did not decode: the chunks walked, a file cut short is said so.
std::string pngFault(const std::string& b, const char* decoder) {
    size_t at = 8;
    while (at + 8 <= b.size()) {
        const uint64_t length = bigEndian32(b, at);
        const std::string type = b.substr(at + 4, 4);
        if (at + 12 + length > b.size())
            return "it is cut short: the file ends inside its " + oneLine(type) + " chunk, " +
                   std::to_string(b.size() - at) + " of its " + std::to_string(12 + length) + " bytes there";
        if (type == "IEND") return std::string("its PNG data is damaged (") + decoder + ")";
        at += 12 + length;
    }
    return "it is cut short: the file ends before the PNG's end chunk";
}

// The file's bytes, at most kMaxImageFileBytes of a regular file.
bool readFileBytes(const std::string& path, std::string* bytes, std::string* why) {
    const FileRead r = readRegularFile(path, kMaxImageFileBytes, bytes);
    switch (r.fault) {
    case FileRead::Fault::None: why->clear(); break;
    case FileRead::Fault::CannotOpen:
    case FileRead::Fault::CannotRead: *why = std::strerror(r.error); break;
    case FileRead::Fault::NotRegular: *why = "it is not a regular file"; break;
    case FileRead::Fault::TooLarge:
        *why = "the file is " + byteSize(r.size) + ", more than the " + byteSize(kMaxImageFileBytes) +
               " an image file may have";
        break;
    }
    return r.ok();
}

#if MRPH_HOST_EXR
// An EXR file held in memory, for OpenEXR's reader.
class MemoryIStream : public Imf::IStream {
public:
    explicit MemoryIStream(const std::string& bytes) : Imf::IStream("memory"), bytes_(bytes) {}
    bool read(char c[], int n) override {
        if (n < 0 || pos_ + (uint64_t)n > bytes_.size()) throw Iex::InputExc("early end of file");
        std::memcpy(c, bytes_.data() + pos_, (size_t)n);
        pos_ += (uint64_t)n;
        return pos_ < bytes_.size();
    }
    uint64_t tellg() override { return pos_; }
    void seekg(uint64_t pos) override { pos_ = pos; }

private:
    const std::string& bytes_;
    uint64_t pos_ = 0;
};

// An EXR file made in memory by OpenEXR's writer.
class MemoryOStream : public Imf::OStream {
public:
    MemoryOStream() : Imf::OStream("memory") {}
    void write(const char c[], int n) override {
        if (pos_ + (uint64_t)n > bytes.size()) bytes.resize(pos_ + (uint64_t)n);
        std::memcpy(bytes.data() + pos_, c, (size_t)n);
        pos_ += (uint64_t)n;
    }
    uint64_t tellp() override { return pos_; }
    void seekp(uint64_t pos) override { pos_ = pos; }
    std::string bytes;

private:
    uint64_t pos_ = 0;
};

bool decodeExr(const std::string& bytes, int64_t width, int64_t height, std::vector<float>* rgba, std::string* why) {
    try {
        MemoryIStream stream(bytes);
        Imf::InputFile file(stream);
        const Imath::Box2i dw = file.header().dataWindow();
        if ((int64_t)dw.max.x - dw.min.x + 1 != width || (int64_t)dw.max.y - dw.min.y + 1 != height) {
            *why = "its EXR header is damaged";
            return false;
        }
        std::vector<float> pixels((size_t)width * (size_t)height * 4, 1.0f);  // a missing alpha reads as opaque
        Imf::FrameBuffer fb;
        char* base = reinterpret_cast<char*>(pixels.data()) - (dw.min.x + (ptrdiff_t)dw.min.y * width) * 16;
        const char* names[4] = {"R", "G", "B", "A"};
        for (int c = 0; c < 4; ++c)
            fb.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * 4, 16, (size_t)width * 16, 1, 1, c == 3 ? 1.0 : 0.0));
        file.setFrameBuffer(fb);
        file.readPixels(dw.min.y, dw.max.y);
        rgba->swap(pixels);
        return true;
    } catch (const std::exception& e) {
        *why = "its EXR data is damaged or cut short (" + oneLine(e.what()) + ")";
        return false;
    }
}
#endif  // MRPH_HOST_EXR

bool decodeWithStb(const std::string& bytes, const ImageHeader& header, std::vector<float>* rgba, std::string* why) {
    if (bytes.size() > (size_t)INT_MAX) {
        *why = "the file is more than the " + byteSize(INT_MAX) + " the " + header.type + " decoder reads";
        return false;
    }
    int w = 0, h = 0, channels = 0;
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = (int)bytes.size();
    // 8-bit files are read as bytes and divided by 255 here: through stb's float reader their numbers
    // would be linearised with a 2.2 gamma, and its own failure reason replaced by a generic one.
    std::unique_ptr<void, void (*)(void*)> pixels(nullptr, stbi_image_free);
    const bool hdr = std::strcmp(header.type, "HDR") == 0;
    if (hdr) pixels.reset(stbi_loadf_from_memory(data, length, &w, &h, &channels, 4));
    else pixels.reset(stbi_load_from_memory(data, length, &w, &h, &channels, 4));
    if (!pixels) {
        const char* reason = stbi_failure_reason() ? stbi_failure_reason() : "no reason given";
        const std::string type = header.type;
        if (type == "PNG") *why = pngFault(bytes, reason);
        else if (type == "JPEG" && (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") != 0))
            *why = std::string("it is cut short: the JPEG data has no end marker (") + reason + ")";
        else *why = "its " + type + " data is damaged (" + reason + ")";
        return false;
    }
    if (w != header.width || h != header.height) {
        *why = "its " + std::string(header.type) + " header is damaged";
        return false;
    }
    const size_t n = (size_t)w * h * 4;
    if (hdr) {
        const float* f = static_cast<const float*>(pixels.get());
        rgba->assign(f, f + n);
    } else {
        const stbi_uc* b = static_cast<const stbi_uc*>(pixels.get());
        rgba->resize(n);
        for (size_t i = 0; i < n; ++i) (*rgba)[i] = b[i] / 255.0f;
    }
    return true;
}

}  // namespace

bool probeImage(const std::string& bytes, ImageHeader* header, std::string* why) {
    *header = ImageHeader{};
    bool ok;
    if (bytes.empty()) {
        *why = "the file is empty";
        return false;
    } else if (beginsWith(bytes, kPngMagic)) {
        header->type = "PNG";
        ok = probePng(bytes, header, why);
    } else if (beginsWith(bytes, kJpegMagic)) {
        header->type = "JPEG";
        ok = probeJpeg(bytes, header, why);
    } else if (beginsWith(bytes, "#?RADIANCE\n") || beginsWith(bytes, "#?RGBE\n")) {
        header->type = "HDR";
        ok = probeHdr(bytes, header, why);
    } else if (beginsWith(bytes, kExrMagic)) {
        header->type = "EXR";
        ok = probeExr(bytes, header, why);
    } else {
        std::string first;
        for (size_t i = 0; i < std::min<size_t>(bytes.size(), 4); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%02X", (unsigned char)bytes[i]);
            first += (i ? " " : "") + std::string(hex);
        }
        *why = "it is not a PNG, JPEG, HDR or EXR image (it begins with the bytes " + first + ")";
        return false;
    }
    if (ok && (header->width <= 0 || header->height <= 0)) {
        *why = "its " + std::string(header->type) + " header gives a size of " + std::to_string(header->width) + "x" +
               std::to_string(header->height);
        return false;
    }
    return ok;
}

bool readImageRGBA(const std::string& path, A_long* width, A_long* height, std::vector<float>* rgba,
                   std::string* error) {
    std::string bytes, why;
    ImageHeader header;
    bool ok = readFileBytes(path, &bytes, &why) && probeImage(bytes, &header, &why);
    const std::string size = std::to_string(header.width) + "x" + std::to_string(header.height);
    if (ok && (header.width > kMaxImageSide || header.height > kMaxImageSide ||
               header.width * header.height > kMaxImagePixels)) {
        why = "it is " + size + " pixels, more than the " + std::to_string(kMaxImageSide) + " a side and " +
              std::to_string(kMaxImageSide) + "x" + std::to_string(kMaxImagePixels / kMaxImageSide) +
              " in all that an image may have";
        ok = false;
    }
    // Decoded, then copied to the device's order: twice its floats.
    if (ok) ok = fitsInMemory((uint64_t)header.width * header.height * 16 * 2, "the " + size + " image", &why);
    if (ok) {
        if (std::strcmp(header.type, "EXR") == 0) {
#if MRPH_HOST_EXR
            ok = decodeExr(bytes, header.width, header.height, rgba, &why);
#else
            why = "this host reads no EXR files";
            ok = false;
#endif
        } else {
            ok = decodeWithStb(bytes, header, rgba, &why);
        }
    }
    if (!ok) {
        *error = "cannot read " + path + ": " + why;
        return false;
    }
    *width = (A_long)header.width;
    *height = (A_long)header.height;
    return true;
}

bool isImageFileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 && (endsWith(name, ".png") || endsWith(name, ".exr"));
}

namespace {

// A regular file itself, not a link to one (what a failed write may remove).
bool isPlainFile(const std::string& path) {
    struct stat st {};
#if defined(_WIN32)
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#else
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

}  // namespace

bool writeFileChecked(const std::string& path, const std::string& bytes, std::string* error) {
    std::string why;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fflush(file) != 0)
        why = std::strerror(errno);
    // Closing writes what the C library still holds: a full disk may show only here.
    if (std::fclose(file) != 0 && why.empty()) why = std::strerror(errno);
    if (why.empty()) return true;
    *error = "cannot write " + path + ": " + why;
    if (isPlainFile(path)) std::remove(path.c_str());
    return false;
}

bool writeImage(const std::string& path, const FloatImage& image, std::string* error) {
    const size_t n = (size_t)image.width * image.height;
    std::string encoded;
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
            MemoryOStream stream;
            {
                Imf::OutputFile file(stream, header);
                file.setFrameBuffer(fb);
                file.writePixels(image.height);
            }  // the file's line offsets are written when it closes
            encoded = std::move(stream.bytes);
        } catch (const std::exception& e) {
            *error = "cannot write " + path + ": " + oneLine(e.what());
            return false;
        }
#else
        *error = "cannot write " + path + ": this host writes no EXR files";
        return false;
#endif
    } else {
        std::vector<unsigned char> bytes(n * 4);
        auto byte = [](float v) { return (unsigned char)std::lround(std::fmin(1.0f, std::fmax(0.0f, v)) * 255.0f); };
        for (size_t i = 0; i < n; ++i) {
            const float* p = &image.bgra[i * 4];
            bytes[i * 4 + 0] = byte(p[2]);
            bytes[i * 4 + 1] = byte(p[1]);
            bytes[i * 4 + 2] = byte(p[0]);
            bytes[i * 4 + 3] = byte(p[3]);
        }
        int length = 0;
        std::unique_ptr<unsigned char, void (*)(void*)> png(
            stbi_write_png_to_mem(bytes.data(), image.width * 4, image.width, image.height, 4, &length), std::free);
        if (!png) {
            *error = "cannot write " + path + ": the PNG encoder ran out of memory";
            return false;
        }
        encoded.assign(reinterpret_cast<const char*>(png.get()), (size_t)length);
    }
    return writeFileChecked(path, encoded, error);
}

}  // namespace host
