// GpuModel_Win.h — the GPU model named in a Direct3D 9 adapter description.
#ifndef MORPHALITH_PLATFORM_WIN_GPU_MODEL_H
#define MORPHALITH_PLATFORM_WIN_GPU_MODEL_H

#include <string>

namespace Machine {

// The last family word (GeForce, Quadro, Radeon, RX, GTX, RTX, Navi) followed by a number, with the
// letters right after the number: "NVIDIA GeForce GTX 1080 Ti" gives "GTX 1080". A description
// without one is returned whole.
std::string ParseGpuModel(const std::string& description);

}  // namespace Machine

#endif  // MORPHALITH_PLATFORM_WIN_GPU_MODEL_H
