// Morphalith_Kernel_Layout.h — the byte layout of the scene records, as one table.
//
// MRPH_RECORD_LAYOUT(RECORD, MEMBER) expands RECORD(name, size) once per record and
// MEMBER(record, member, offset) once per member. The host pins the layout with static checks
// (core/RecordLayout.cpp), the OpenCL probe kernel reports what the device compiler made of it, and
// the CUDA build checks it again, so one table speaks for every form.
#ifndef MORPHALITH_KERNEL_LAYOUT_H
#define MORPHALITH_KERNEL_LAYOUT_H

#define MRPH_RECORD_LAYOUT(RECORD, MEMBER)            \
    RECORD(LightData, 96)                             \
    MEMBER(LightData, color, 0)                       \
    MEMBER(LightData, transform, 16)                  \
    MEMBER(LightData, type, 80)                       \
    MEMBER(LightData, intensity, 84)                  \
    MEMBER(LightData, radius, 88)                     \
    RECORD(MaterialData, 112)                         \
    MEMBER(MaterialData, rim_color, 0)                \
    MEMBER(MaterialData, diffuse_color, 16)           \
    MEMBER(MaterialData, specular_color, 32)          \
    MEMBER(MaterialData, padding, 48)                 \
    MEMBER(MaterialData, diffuse, 52)                 \
    MEMBER(MaterialData, specular, 56)                \
    MEMBER(MaterialData, shininess, 60)               \
    MEMBER(MaterialData, glossiness, 64)              \
    MEMBER(MaterialData, gloss_fresnel_size, 68)      \
    MEMBER(MaterialData, gloss_fresnel_balance, 72)   \
    MEMBER(MaterialData, rim, 76)                     \
    MEMBER(MaterialData, rim_size, 80)                \
    MEMBER(MaterialData, rim_balance, 84)             \
    MEMBER(MaterialData, rim_normals, 88)             \
    MEMBER(MaterialData, opacity, 92)                 \
    MEMBER(MaterialData, opacity_size, 96)            \
    MEMBER(MaterialData, opacity_balance, 100)        \
    RECORD(ModifiersData, 160)                        \
    MEMBER(ModifiersData, bend_rotation, 0)           \
    MEMBER(ModifiersData, twist_rotation, 16)         \
    MEMBER(ModifiersData, cos_rotation, 32)           \
    MEMBER(ModifiersData, sin_rotation, 48)           \
    MEMBER(ModifiersData, ripples_rotation, 64)       \
    MEMBER(ModifiersData, taper_rotation, 80)         \
    MEMBER(ModifiersData, padding, 96)                \
    MEMBER(ModifiersData, bend_active, 100)           \
    MEMBER(ModifiersData, twist_active, 101)          \
    MEMBER(ModifiersData, wave_active, 102)           \
    MEMBER(ModifiersData, ripples_active, 103)        \
    MEMBER(ModifiersData, bend_length, 104)           \
    MEMBER(ModifiersData, bend_power, 108)            \
    MEMBER(ModifiersData, twist_power, 112)           \
    MEMBER(ModifiersData, wave_cos_offset, 116)       \
    MEMBER(ModifiersData, wave_sin_offset, 120)       \
    MEMBER(ModifiersData, wave_cos_freq, 124)         \
    MEMBER(ModifiersData, wave_sin_freq, 128)         \
    MEMBER(ModifiersData, wave_cos_amp, 132)          \
    MEMBER(ModifiersData, wave_sin_amp, 136)          \
    MEMBER(ModifiersData, ripples_offset, 140)        \
    MEMBER(ModifiersData, ripples_freq, 144)          \
    MEMBER(ModifiersData, ripples_amp, 148)           \
    RECORD(PrimitiveData, 144)                        \
    MEMBER(PrimitiveData, anchorPoint, 0)             \
    MEMBER(PrimitiveData, three_size, 16)             \
    MEMBER(PrimitiveData, transform, 32)              \
    MEMBER(PrimitiveData, padding, 96)                \
    MEMBER(PrimitiveData, percent, 100)               \
    MEMBER(PrimitiveData, radius, 104)                \
    MEMBER(PrimitiveData, radiusB, 108)               \
    MEMBER(PrimitiveData, height, 112)                \
    MEMBER(PrimitiveData, smooth, 116)                \
    MEMBER(PrimitiveData, type, 120)                  \
    MEMBER(PrimitiveData, operation, 124)             \
    MEMBER(PrimitiveData, enabled, 128)               \
    RECORD(CamData, 96)                               \
    MEMBER(CamData, fov, 0)                           \
    MEMBER(CamData, view, 16)                         \
    MEMBER(CamData, camType, 80)                      \
    MEMBER(CamData, aperture, 84)                     \
    MEMBER(CamData, focusDistance, 88)                \
    RECORD(RenderData, 112)                           \
    MEMBER(RenderData, ambientColorStart, 0)          \
    MEMBER(RenderData, ambientColorEnd, 16)           \
    MEMBER(RenderData, padding, 32)                   \
    MEMBER(RenderData, ao_threshold, 36)              \
    MEMBER(RenderData, ao_contrast, 40)               \
    MEMBER(RenderData, renderPass, 44)                \
    MEMBER(RenderData, ambientBalance, 48)            \
    MEMBER(RenderData, rayMarchSteps, 52)             \
    MEMBER(RenderData, rayMarchMult, 56)              \
    MEMBER(RenderData, maxReflections, 60)            \
    MEMBER(RenderData, maxDist, 64)                   \
    MEMBER(RenderData, epsilon, 68)                   \
    MEMBER(RenderData, reserved, 72)                  \
    MEMBER(RenderData, ao_enabled, 73)                \
    MEMBER(RenderData, shadowsSteps, 76)              \
    MEMBER(RenderData, shadowsEnabled, 80)            \
    MEMBER(RenderData, shadowsThreshold, 84)          \
    MEMBER(RenderData, shadowsQuality, 88)            \
    MEMBER(RenderData, showEnvironment, 92)           \
    MEMBER(RenderData, heightFactor, 96)              \
    MEMBER(RenderData, widthFactor, 100)

#endif  // MORPHALITH_KERNEL_LAYOUT_H
