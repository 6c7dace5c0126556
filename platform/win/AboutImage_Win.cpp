// AboutImage_Win.cpp — the About image of the Windows build: a PNG in the module's own resources
// (type 255, name 254), decoded to the 32-bit BGR layout the header draws with, alpha in the fourth byte.
#include <windows.h>

#include <cstring>
#include <memory>

#include "AEGP_SuiteHandler.h"
#include "AboutImage.h"
#include "Headers/LogsController.h"
#include "platform/win/PluginModule_Win.h"
#include "stb/stb_image.h"

namespace {

constexpr WORD kAboutResourceType = 255;
constexpr WORD kAboutResourceName = 254;
constexpr int32_t kDrawbotPixelLayout32BGR = 3;

}  // namespace

PF_Err LoadAboutImage(PF_InData* in_data, CachedImage* image) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    HRSRC info = FindResourceA(GetPluginModuleHandle(), MAKEINTRESOURCEA(kAboutResourceName),
                               MAKEINTRESOURCEA(kAboutResourceType));
    if (!info) {
        spdlog_log("Cannot find 'about' resource.");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Resource memory belongs to the module: it is neither unlocked nor freed.
    const DWORD size = SizeofResource(GetPluginModuleHandle(), info);
    HGLOBAL loaded = LoadResource(GetPluginModuleHandle(), info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        spdlog_log("Cannot lock 'about' resource.");
        return PF_Err_BAD_CALLBACK_PARAM;
    }

    int width = 0, height = 0, fileChannels = 0;
    constexpr int kChannels = 4;  // any PNG comes out as R, G, B, A
    std::unique_ptr<stbi_uc, void (*)(void*)> decoded(
        stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &width, &height,
                              &fileChannels, kChannels),
        stbi_image_free);
    if (!decoded) {
        spdlog_log("Cannot load 'about' image.");
        return PF_Err_BAD_CALLBACK_PARAM;
    }

    const size_t bytes = static_cast<size_t>(kChannels) * static_cast<size_t>(width) * static_cast<size_t>(height);
    PF_HandleSuite1* handles = suites.HandleSuite1();
    PF_Handle pixels = handles->host_new_handle(bytes);
    auto* block = static_cast<stbi_uc*>(pixels ? handles->host_lock_handle(pixels) : nullptr);
    if (!block) {
        if (pixels) handles->host_dispose_handle(pixels);
        MRPH_LOG_ERROR("No memory for the 'about' image (" + std::to_string(bytes) + " bytes)");
        return PF_Err_OUT_OF_MEMORY;
    }
    // R, G, B, A becomes B, G, R, A, straight into the host's handle.
    const stbi_uc* in = decoded.get();
    for (size_t i = 0; i < bytes; i += kChannels) {
        block[i + 0] = in[i + 2];
        block[i + 1] = in[i + 1];
        block[i + 2] = in[i + 0];
        block[i + 3] = in[i + 3];
    }
    handles->host_unlock_handle(pixels);

    image->pixels = pixels;
    image->layout = kDrawbotPixelLayout32BGR;
    image->channels = kChannels;
    image->width = width;
    image->height = height;
    return PF_Err_NONE;
}
