#include "AboutImage.h"

#include <cstring>

#include "AEGP_SuiteHandler.h"
#include "Headers/LogsController.h"
#include "Utilities.h"
#include "stb/stb_image.h"

PF_Err LoadAboutImage(PF_InData* in_data, CachedImage* image) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    std::string path = AEUtil::getResourcesPath(in_data);
    spdlog_log("Resources: " + path);
    path += kAboutImageFile;

    int width = 0, height = 0, fileChannels = 0;
    constexpr int kChannels = 3;  // grey and RGBA files alike come out as R, G, B
    stbi_uc* decoded = stbi_load(path.c_str(), &width, &height, &fileChannels, kChannels);
    if (!decoded) {
        spdlog_log("Cannot load 'about' image at: " + path);
        return PF_Err_BAD_CALLBACK_PARAM;
    }

    const size_t size = static_cast<size_t>(kChannels) * static_cast<size_t>(width) * static_cast<size_t>(height);
    PF_HandleSuite1* handles = suites.HandleSuite1();
    PF_Handle pixels = handles->host_new_handle(size);
    void* block = pixels ? handles->host_lock_handle(pixels) : nullptr;
    if (!block) {
        if (pixels) handles->host_dispose_handle(pixels);
        stbi_image_free(decoded);
        MRPH_LOG_ERROR("No memory for the 'about' image (" + std::to_string(size) + " bytes)");
        return PF_Err_OUT_OF_MEMORY;
    }
    std::memcpy(block, decoded, size);
    handles->host_unlock_handle(pixels);
    stbi_image_free(decoded);

    image->pixels = pixels;
    image->layout = 0;  // kDRAWBOT_PixelLayout_24RGB
    image->channels = kChannels;
    image->width = width;
    image->height = height;
    return PF_Err_NONE;
}
