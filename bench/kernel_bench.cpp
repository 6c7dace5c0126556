// kernel_bench — the embedded OpenCL kernel alone, on the machine's first OpenCL device.
//
// A 1280 x 720 frame of a production-like scene: eight mixed primitives combined by smooth union
// (one subtraction), twist and bend on one of them, waves on another, two point lights with soft
// shadows, ambient occlusion, two reflection bounces and the environment shown. Prints the median
// kernel time of the profiled frames (from the events' start and end) and the pixel rate.
//
//   morphalith_kernel_bench [frames] [warm-up frames]     (defaults 12 and 2; fewer frames while iterating)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "kernels/kernel_opencl_runner.h"

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const int warmUp = argc > 2 ? std::max(0, std::atoi(argv[2])) : 2;
    const unsigned width = 1280;
    const unsigned height = 720;

    mrph_test::KernelScene scene = mrph_test::ShowcaseScene((float)width, (float)height, 8);
    // Twist and bend on the same primitive (the box), and only the two point lights.
    scene.modifiers[2].bend_active = true;
    scene.modifiers[2].bend_power = 1.0f;
    scene.lights.pop_back();

    mrph_test::OpenCLRunner cl;
    if (!cl.Build()) {
        std::fprintf(stderr, "OpenCL: %s\n%s\n", cl.error().c_str(), cl.buildLog().c_str());
        return 1;
    }
    char device[256] = {};
    clGetDeviceInfo(cl.device(), CL_DEVICE_NAME, sizeof(device) - 1, device, nullptr);

    mrph_test::Image image;
    std::vector<double> times;
    for (int i = 0; i < warmUp + frames; ++i) {
        double ms = 0.0;
        if (!cl.Render(scene, width, height, &image, &ms)) {
            std::fprintf(stderr, "OpenCL: %s\n", cl.error().c_str());
            return 1;
        }
        if (i >= warmUp) times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : 0.5 * (times[n / 2 - 1] + times[n / 2]);
    const double mpix = (double)width * height / (median * 1e-3) * 1e-6;

    std::printf("device          %s\n", device);
    std::printf("frame           %u x %u, %zu primitives, %zu lights, %d reflections\n", width, height,
                scene.primitives.size(), scene.lights.size(), scene.render.maxReflections);
    std::printf("frames          %zu after %d warm-up\n", n, warmUp);
    std::printf("kernel median   %.2f ms (min %.2f, max %.2f)\n", median, times.front(), times.back());
    std::printf("throughput      %.2f Mpixel/s\n", mpix);
    return 0;
}
