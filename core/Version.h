// Version.h — what the module tells the host about itself at registration and global set-up.
// The Windows resource script carries the same values in its property list.
#ifndef MORPHALITH_CORE_VERSION_H
#define MORPHALITH_CORE_VERSION_H

#include "PF_Effect.h"

constexpr const char* kEffectName = "Morphalith";
constexpr const char* kEffectMatchName = "QVX_Morphalith";
constexpr const char* kEffectCategory = "Quorvex Labs";
constexpr const char* kEffectEntryPoint = "EffectMain";
constexpr A_long kEffectKind = MRPH_FOURCC('e', 'F', 'K', 'T');
constexpr A_long kEffectReservedInfo = 8;

constexpr A_long kPluginAPIVersionMajor = 13;
#if defined(_WIN32)
constexpr A_long kPluginAPIVersionMinor = 28;
#else
constexpr A_long kPluginAPIVersionMinor = 27;  // the bundle build
#endif

// 1.1.0, release, build 2.
constexpr A_u_long kEffectVersionWord = PF_VERSION(1, 1, 0, PF_Stage_RELEASE, 2);
static_assert(kEffectVersionWord == 558594);

constexpr A_long kEffectOutFlags = PF_OutFlag_PIX_INDEPENDENT | PF_OutFlag_CUSTOM_UI | PF_OutFlag_DEEP_COLOR_AWARE |
                                   PF_OutFlag_SEND_UPDATE_PARAMS_UI;
static_assert(kEffectOutFlags == 0x06008400);

constexpr A_long kEffectOutFlags2 = PF_OutFlag2_I_USE_3D_CAMERA | PF_OutFlag2_I_USE_3D_LIGHTS |
                                    PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE |
                                    PF_OutFlag2_I_MIX_GUID_DEPENDENCIES | PF_OutFlag2_CUSTOM_UI_ASYNC_MANAGER |
                                    PF_OutFlag2_SUPPORTS_GPU_RENDER_F32 | PF_OutFlag2_SUPPORTS_THREADED_RENDERING;
static_assert(kEffectOutFlags2 == 0x0B201406);

#endif  // MORPHALITH_CORE_VERSION_H
