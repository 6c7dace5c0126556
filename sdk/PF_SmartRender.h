// PF_SmartRender.h — the two-step render protocol: pre-render requests and results, and the
// callbacks through which the render step reaches its checked-out layers and its output.
//
// Our own declarations of the host API, written from what the plug-in uses. No behaviour.
#ifndef MORPHALITH_SDK_PF_SMART_RENDER_H
#define MORPHALITH_SDK_PF_SMART_RENDER_H

#include "PF_Effect.h"

typedef A_long PF_Field;
typedef A_long PF_ChannelMask;
typedef A_long PF_GPU_Framework;
enum { PF_ChannelMask_ALPHA = 1, PF_ChannelMask_RED = 2, PF_ChannelMask_GREEN = 4, PF_ChannelMask_BLUE = 8,
       PF_ChannelMask_ARGB = 15 };
enum { PF_Field_FRAME = 0 };

// What the host asks of a layer, and what the effect asks of its inputs: 44 bytes.
struct PF_RenderRequest {
    PF_LRect rect;
    PF_Field field;
    PF_ChannelMask channel_mask;
    A_Boolean preserve_rgb_of_zero_alpha;
    A_char unused[3];
    A_long reserved[4];
};
static_assert(sizeof(PF_RenderRequest) == 44, "a render request is 44 bytes");

struct PF_CheckoutResult {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_RationalScale par;
    A_long solid;
    A_long reserved[3];
};

enum {
    PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1,
    PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 2,
    PF_RenderOutputFlag_RESERVED1 = 4
};

typedef void (*PF_DeletePreRenderDataFunc)(void* pre_render_data);

struct PF_PreRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth;
    const void* gpu_data;
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
};

struct PF_PreRenderOutput {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    A_Boolean solid;
    A_Boolean reserved;
    A_short flags;  // PF_RenderOutputFlag_*
    void* pre_render_data;
    PF_DeletePreRenderDataFunc delete_pre_render_data_func;
};

struct PF_PreRenderCallbacks {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, A_long index, A_long checkout_id,
                             const PF_RenderRequest* req, A_long what_time, A_long time_step, A_u_long time_scale,
                             PF_CheckoutResult* checkout_result);
    // Mixes bytes the frame depends on into the host's identity of the frame; may be null.
    PF_Err (*GuidMixInPtr)(PF_ProgPtr effect_ref, A_u_long buf_sizeLu, const void* buf);
};

struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
};

struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth;
    void* pre_render_data;
    const void* gpu_data;
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
};

struct PF_SmartRenderCallbacks {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id, PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
};

struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
};

#endif  // MORPHALITH_SDK_PF_SMART_RENDER_H
