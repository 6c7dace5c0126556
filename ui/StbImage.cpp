// StbImage.cpp — the one definition of the stb_image decoder in the module (PNG is all it reads).
// The header comes from the system include path, so its own warnings stay out of ours.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include "stb/stb_image.h"
