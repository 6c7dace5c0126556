// AboutImage.h — decodes the About header's picture once, at global set-up.
#ifndef MORPHALITH_UI_ABOUT_IMAGE_H
#define MORPHALITH_UI_ABOUT_IMAGE_H

#include "GlobalData.h"
#include "PF_Effect.h"

constexpr const char* kAboutImageFile = "about_image.png";

// Reads about_image.png from the bundle's resources as 8-bit RGB into a new host handle (the Windows
// body, platform/win/, reads the PNG resource of the module as 32-bit BGR with alpha).
// 0 on success; 516 when the file is missing or not an image, 4 when the pixel handle cannot be had.
// On failure the record is left as it was.
PF_Err LoadAboutImage(PF_InData* in_data, CachedImage* image);

#endif  // MORPHALITH_UI_ABOUT_IMAGE_H
