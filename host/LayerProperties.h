// LayerProperties.h — what a composition layer carries beyond its id and flags: a 3D transform whose
// properties may be keyframed, and the settings of camera, light and image layers.
//
// Times are in seconds; between two keyframes a property moves linearly, before the first and after
// the last it holds. A property without keyframes holds its one value.
#ifndef MORPHALITH_HOST_LAYER_PROPERTIES_H
#define MORPHALITH_HOST_LAYER_PROPERTIES_H

#include <array>
#include <utility>
#include <vector>

#include "AEGP_Suites.h"

namespace host {

using Vec3 = std::array<double, 3>;

template <typename T>
struct Animated {
    T value{};
    std::vector<std::pair<double, T>> keys;  // (seconds, value), sorted by time

    Animated() = default;
    Animated(T v) : value(v) {}  // NOLINT: a constant property reads as its value

    T at(double seconds) const {
        if (keys.empty()) return value;
        if (seconds <= keys.front().first) return keys.front().second;
        if (seconds >= keys.back().first) return keys.back().second;
        for (size_t i = 1; i < keys.size(); ++i) {
            if (seconds > keys[i].first) continue;
            const double t0 = keys[i - 1].first, t1 = keys[i].first;
            const double f = t1 > t0 ? (seconds - t0) / (t1 - t0) : 1.0;
            return lerp(keys[i - 1].second, keys[i].second, f);
        }
        return keys.back().second;
    }

private:
    static double lerp(double a, double b, double f) { return a + (b - a) * f; }
    static Vec3 lerp(const Vec3& a, const Vec3& b, double f) {
        return {a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f};
    }
};

struct LayerProperties {
    // Transform: a point p of the layer maps to ((p - anchor) * scale/100) rotated by X, then Y, then Z
    // (degrees), then moved by position.
    Animated<Vec3> anchor{Vec3{0, 0, 0}};
    Animated<Vec3> position{Vec3{0, 0, 0}};
    Animated<Vec3> rotation{Vec3{0, 0, 0}};
    Animated<Vec3> scale{Vec3{100, 100, 100}};

    // Camera layers.
    A_long cameraType = AEGP_CameraType_PERSPECTIVE;
    Animated<double> zoom{1000.0};
    Animated<double> aperture{25.0};
    Animated<double> focusDistance{1000.0};

    // Light layers.
    A_long lightType = AEGP_LightType_POINT;
    Animated<double> intensity{100.0};
    Animated<Vec3> color{Vec3{1, 1, 1}};
    Animated<double> falloffStart{500.0};

    // Image layers (the environment map): straight RGBA floats, rows top to bottom.
    A_long imageWidth = 0, imageHeight = 0;
    std::vector<float> imageRGBA;
};

}  // namespace host

#endif  // MORPHALITH_HOST_LAYER_PROPERTIES_H
