// GlobalData.h — the state that lives as long as the plug-in is loaded.
//
// GlobalData is constructed in place inside the host's global-data handle and never copied out of
// it: every user locks in_data->global_data, uses the record and unlocks it again. Locking pins the
// memory; it excludes no other thread (renders run on several): envTextureLock guards the
// environment cache.
#ifndef MORPHALITH_CORE_GLOBAL_DATA_H
#define MORPHALITH_CORE_GLOBAL_DATA_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "AEGP_Suites.h"
#include "Morphalith_Kernel_Data.h"
#include "ParamID.h"
#if defined(MRPH_HAVE_CUDA)
#include "render/cuda/CudaCache.h"
#endif

// Scene and kernel-compile status, for the Debug header and the composition hint.
struct SceneInfo {
    uint32_t flags;       // bit 0: a slot has been given a layer that is not a 3D null layer
    std::string status;   // "Compiled Successfully" or "Compiling Error"
    std::string details;  // the compile errors; empty when there are none
    glm::mat4 matrix;     // the camera's view matrix of the latest pre-render

    // Pre-render writes the matrix on the render threads while the panel reads it on the UI thread:
    // both go through these, under the matrix's own lock.
    void storeMatrix(const glm::mat4& m) {
        std::lock_guard<std::mutex> guard(matrixLock);
        matrix = m;
    }
    glm::mat4 latestMatrix() const {
        std::lock_guard<std::mutex> guard(matrixLock);
        return matrix;
    }
    mutable std::mutex matrixLock;
};

// Machine and host description, for the About header.
struct SystemInfo {
    std::string gpuName;
    std::string hostVersion;  // "major.minor" of in_data->version
    std::string osVersion;
};

// The decoded About image. GlobalSetdown releases `pixels` before the record is deleted.
struct CachedImage {
    PF_Handle pixels;  // width * height * channels bytes, rows top to bottom; unlocked when not read
    int32_t layout;    // Drawbot pixel layout: 0 (24-bit RGB) here
    int32_t channels;  // bytes per pixel
    int32_t width;
    int32_t height;
};

// Cache key of the environment-map texture on the GPU.
struct GPUCachedTexture {
#if defined(MRPH_HAVE_CUDA)
    // The CUDA driver, the kernel loaded per context and the environment map as a CUDA array with the
    // key of what it holds.
    CudaCache cuda;
#endif
    int width;
    int height;
    int time;     // in_data->current_time of the frame it was made for
    int layerId;  // the environment layer the panel picked last
    bool changed;

    GPUCachedTexture() : width(0), height(0), time(0), layerId(0), changed(false) {}
    // Back to the zero key. What the CUDA cache holds stays: its array carries its own key, and only a
    // CUDA frame or global set-down frees it.
    void clearKey() {
        width = height = time = layerId = 0;
        changed = false;
    }
};

struct GlobalData {
    AEGP_PluginID pluginId;
    std::unique_ptr<CachedImage> aboutImage;
    std::shared_ptr<SceneInfo> sceneInfo;
    std::shared_ptr<SystemInfo> systemInfo;
    std::unordered_map<PrimitiveType, std::vector<PrimitiveParamType>> primitiveParams;
    GPUCachedTexture envTexture;
    // Held by a GPU render from the cache's update to the end of its launch, so that no thread frees or
    // rebuilds a cached environment while another's kernel reads it.
    std::mutex envTextureLock;

    // Allocation failures inside end the process (the host cannot be told from a constructor).
    GlobalData() noexcept;
};

#endif  // MORPHALITH_CORE_GLOBAL_DATA_H
