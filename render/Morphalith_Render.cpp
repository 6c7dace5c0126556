// Morphalith_Render.cpp — the render command: the effect renders only on the GPU, so the CPU command
// explains that, and the GPU command hands the checked-out worlds and the frame's block to dispatch.
#include "AEFX_SuiteScoper.h"
#include "GPURender.h"
#include "Handlers.h"
#include "Headers/LogsController.h"
#include "Utilities.h"

namespace {

constexpr A_long kInputCheckout = ParamID::Input;
constexpr A_long kEnvironmentCheckout = ParamID::EnvironmentMap;

PF_Err renderOnCPU(PF_InData* in_data, PF_OutData* out_data) {
    MRPH_LOG_ERROR_IN("SmartRender", "This machine doesn't support GPU");
    const std::string text = getVersionString(true, true) +
                             "\n\nSorry, the current version of the plugin only supports GPU acceleration. We "
                             "apologize for the inconvenience.";
    // Through the host's copy so that the message is cut to the field, never past it.
    setReturnMessage(in_data, out_data, text);
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    return PF_Err_NONE;
}

}  // namespace

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, bool isGPU) {
    if (!isGPU) return renderOnCPU(in_data, out_data);

    auto* block = static_cast<PluginInputParams*>(extra->input->pre_render_data);
    if (!block) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    PF_Err err = PF_Err_NONE;
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* env = nullptr;
    PF_EffectWorld* output = nullptr;
    err = extra->cb->checkout_layer_pixels(in_data->effect_ref, kInputCheckout, &input);
    if (!err) err = extra->cb->checkout_layer_pixels(in_data->effect_ref, kEnvironmentCheckout, &env);
    if (!err) err = extra->cb->checkout_output(in_data->effect_ref, &output);
    if (!err) {
        try {
            AEFX_SuiteScoper<PF_WorldSuite2> worldSuite(in_data, kPFWorldSuite, kPFWorldSuiteVersion2, out_data);
            PF_PixelFormat format = PF_PixelFormat_INVALID;
            err = worldSuite->PF_GetPixelFormat(input, &format);
            if (!err) err = SmartRenderGPU(in_data, out_data, format, env, output, extra, block);
        } catch (...) {
            // The check-ins below must run whatever leaves the render.
            extra->cb->checkin_layer_pixels(in_data->effect_ref, kInputCheckout);
            extra->cb->checkin_layer_pixels(in_data->effect_ref, kEnvironmentCheckout);
            throw;
        }
    }
    PF_Err checkin = extra->cb->checkin_layer_pixels(in_data->effect_ref, kInputCheckout);
    if (!err) err = checkin;
    checkin = extra->cb->checkin_layer_pixels(in_data->effect_ref, kEnvironmentCheckout);
    if (!err) err = checkin;
    return err;
}
