// make_about_image — draws the About header's picture, resources/about_image.png (250 x 70, 8-bit RGBA,
// PNG colour type 6; every pixel opaque: the Windows header draws it as 32-bit BGR with the alpha
// in the fourth byte, and the bundle build reads it as RGB).
//
// Three signed-distance shapes lit from the upper left, beside the effect's name in a 5x7 pixel font.
// Build and run from the repository root:
//   g++ -std=c++17 -O2 scripts/about_image/make_about_image.cpp -o /tmp/make_about_image
//   /tmp/make_about_image resources/about_image.png
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int kWidth = 250, kHeight = 70, kChannels = 4;

struct Vec3 {
    float x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(Vec3 a) { return std::sqrt(dot(a, a)); }
Vec3 normalize(Vec3 a) { return a * (1.0f / length(a)); }

float sdSphere(Vec3 p, float r) { return length(p) - r; }
float sdRoundBox(Vec3 p, Vec3 b, float r) {
    Vec3 q{std::fabs(p.x) - b.x, std::fabs(p.y) - b.y, std::fabs(p.z) - b.z};
    Vec3 m{std::max(q.x, 0.0f), std::max(q.y, 0.0f), std::max(q.z, 0.0f)};
    return length(m) + std::min(std::max(q.x, std::max(q.y, q.z)), 0.0f) - r;
}
float sdTorus(Vec3 p, float major, float minor) {
    float qx = std::sqrt(p.x * p.x + p.z * p.z) - major;
    return std::sqrt(qx * qx + p.y * p.y) - minor;
}

// Scene units: x across the left 70 pixels, y up, camera looking down -z.
float scene(Vec3 p, int* material) {
    float c = std::cos(0.6f), s = std::sin(0.6f);
    Vec3 boxP{c * (p.x - 0.1f) - s * (p.z), p.y + 0.35f, s * (p.x - 0.1f) + c * p.z};
    float box = sdRoundBox(boxP, {0.28f, 0.12f, 0.28f}, 0.05f);
    float sphere = sdSphere(p - Vec3{-0.25f, 0.05f, 0.1f}, 0.3f);
    Vec3 tp = p - Vec3{0.35f, 0.25f, -0.1f};
    Vec3 tr{tp.x, c * tp.y - s * tp.z, s * tp.y + c * tp.z};
    float torus = sdTorus(tr, 0.2f, 0.07f);
    float d = box;
    *material = 0;
    if (sphere < d) d = sphere, *material = 1;
    if (torus < d) d = torus, *material = 2;
    return d;
}

Vec3 normalAt(Vec3 p) {
    int m;
    const float e = 1e-3f;
    return normalize({scene(p + Vec3{e, 0, 0}, &m) - scene(p - Vec3{e, 0, 0}, &m),
                      scene(p + Vec3{0, e, 0}, &m) - scene(p - Vec3{0, e, 0}, &m),
                      scene(p + Vec3{0, 0, e}, &m) - scene(p - Vec3{0, 0, e}, &m)});
}

// 5x7 glyphs, one byte per row, bit 4 the leftmost column.
struct Glyph {
    char c;
    unsigned char rows[7];
};
const Glyph kFont[] = {
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
};

const Glyph* glyph(char c) {
    for (const Glyph& g : kFont)
        if (g.c == c) return &g;
    return nullptr;
}

void put(std::vector<unsigned char>& img, int x, int y, Vec3 rgb) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
    unsigned char* p = &img[(static_cast<size_t>(y) * kWidth + x) * kChannels];
    p[0] = static_cast<unsigned char>(std::clamp(rgb.x, 0.0f, 1.0f) * 255.0f + 0.5f);
    p[1] = static_cast<unsigned char>(std::clamp(rgb.y, 0.0f, 1.0f) * 255.0f + 0.5f);
    p[2] = static_cast<unsigned char>(std::clamp(rgb.z, 0.0f, 1.0f) * 255.0f + 0.5f);
    p[3] = 255;
}

void text(std::vector<unsigned char>& img, const char* s, int x0, int y0, int scale, Vec3 rgb) {
    for (int i = 0; s[i]; ++i) {
        const Glyph* g = glyph(s[i]);
        if (!g) continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g->rows[row] & (0x10 >> col))
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx)
                            put(img, x0 + i * 6 * scale + col * scale + dx, y0 + row * scale + dy, rgb);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* out = argc > 1 ? argv[1] : "about_image.png";
    std::vector<unsigned char> img(static_cast<size_t>(kWidth) * kHeight * kChannels);
    const Vec3 materials[] = {{0.85f, 0.45f, 0.2f}, {0.25f, 0.55f, 0.95f}, {0.9f, 0.85f, 0.3f}};
    const Vec3 light = normalize({-0.6f, 0.8f, 0.6f});

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            float t = static_cast<float>(y) / kHeight;
            Vec3 color = Vec3{0.10f, 0.11f, 0.15f} * (1.0f - t) + Vec3{0.04f, 0.04f, 0.06f} * t;
            if (x < 72) {
                // The shapes, ray-marched from a camera on +z.
                Vec3 dir = normalize({(x - 36.0f) / 70.0f, (35.0f - y) / 70.0f, -1.0f});
                Vec3 origin{0, 0, 2.2f};
                float dist = 0;
                int material = -1;
                for (int step = 0; step < 96 && dist < 5.0f; ++step) {
                    int m;
                    float d = scene(origin + dir * dist, &m);
                    if (d < 1e-3f) {
                        material = m;
                        break;
                    }
                    dist += d;
                }
                if (material >= 0) {
                    Vec3 p = origin + dir * dist;
                    Vec3 n = normalAt(p);
                    float diffuse = std::max(dot(n, light), 0.0f);
                    Vec3 h = normalize(light - dir);
                    float specular = std::pow(std::max(dot(n, h), 0.0f), 40.0f);
                    color = materials[material] * (0.15f + 0.85f * diffuse) + Vec3{1, 1, 1} * (0.5f * specular);
                }
            }
            put(img, x, y, color);
        }
    }
    text(img, "MORPHALITH", 71, 24, 3, {0.92f, 0.93f, 0.96f});
    for (int x = 71; x < 71 + 10 * 18 - 3; ++x) put(img, x, 51, {0.85f, 0.45f, 0.2f});

    if (!stbi_write_png(out, kWidth, kHeight, kChannels, img.data(), kWidth * kChannels)) {
        std::fprintf(stderr, "make_about_image: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
