// Morphalith_Global.cpp — global set-up and set-down, the About text, and the routing of
// user-interface events.
#include <new>
#include <string>

#include "AEGP_SuiteHandler.h"
#include "AboutImage.h"
#include "EffectUIEvents.h"
#include "EventRouting.h"
#include "GlobalData.h"
#include "Handlers.h"
#include "Headers/LogsController.h"
#include "ReturnMessage.h"
#include "Version.h"

#if defined(_WIN32)
#include "platform/win/PluginModule_Win.h"
#endif

namespace {

// The GPU flag is added only once set-up has got as far as building the global data.
constexpr A_long kEffectOutFlags2BeforeGPU = kEffectOutFlags2 & ~PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
static_assert(kEffectOutFlags2BeforeGPU == 0x09201406);

constexpr A_long kStageRelease = PF_Stage_RELEASE;

// Destroys the record in a locked global-data handle, then unlocks and disposes of the handle.
void destroyGlobalData(PF_HandleSuite1* handles, PF_Handle handle, GlobalData* global) {
    if (global) global->~GlobalData();
    handles->host_unlock_handle(handle);
    handles->host_dispose_handle(handle);
}

}  // namespace

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    out_data->my_version = kEffectVersionWord;
    LoggerInit(in_data, out_data, "Morphalith", "Quorvex-Labs");  // a console-only log is no reason to stop

    spdlog_log("STAGE VERSION: " + std::to_string(kStageRelease));
    spdlog_log("AEFX_VERSION: " + std::to_string(kEffectVersionWord));
    spdlog_log("FS_VERSION: " + std::to_string(out_data->my_version));
    spdlog_log("Global Setup");

    out_data->out_flags = kEffectOutFlags;
    out_data->out_flags2 = kEffectOutFlags2BeforeGPU;
#if defined(_WIN32)
    rememberPluginModule();  // the module whose resources hold the About image and the debug dialog
#endif

    PF_HandleSuite1* handles = suites.HandleSuite1();
    PF_Handle globalH = handles->host_new_handle(sizeof(GlobalData));
    if (!globalH) {
        showErrorMessage(in_data, out_data, "Global Data Handle memory allocation failed.");
        MRPH_LOG_ERROR("Global Data Handle memory allocation failed");
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    void* memory = handles->host_lock_handle(globalH);
    if (!memory) {
        showErrorMessage(in_data, out_data, "Global Data memory allocation failed.");
        MRPH_LOG_ERROR("Global Data memory allocation failed");
        handles->host_dispose_handle(globalH);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    GlobalData* global = new (memory) GlobalData();

    PF_Err err = PF_Err_NONE;
    try {
        err = suites.UtilitySuite3()->AEGP_RegisterWithAEGP(nullptr, "Morphalith", &global->pluginId);
        if (!err) {
            auto image = std::make_unique<CachedImage>();
            err = LoadAboutImage(in_data, image.get());
            if (err) {
                spdlog_log("Error loading about image");
                showErrorMessage(in_data, out_data, "Cannot Load Image");
            } else {
                global->aboutImage = std::move(image);
            }
        }
    } catch (...) {
        // A suite the host refused: nothing of the half-built state may stay behind.
        destroyGlobalData(handles, globalH, global);
        throw;
    }

    if (!err) {
        out_data->global_data = globalH;
        spdlog_log("AEGP_PLUGIN_ID: " + std::to_string(global->pluginId));
        handles->host_unlock_handle(globalH);
    } else {
        destroyGlobalData(handles, globalH, global);
    }
    out_data->out_flags2 |= PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    return err;
}

PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    PF_Handle globalH = in_data->global_data;
    if (!globalH) return PF_Err_NONE;

    PF_HandleSuite1* handles = suites.HandleSuite1();
    auto* global = static_cast<GlobalData*>(handles->host_lock_handle(globalH));
    std::unique_ptr<CachedImage> image;
    if (global) {
        image = std::move(global->aboutImage);
#if defined(MRPH_HAVE_CUDA)
        ReleaseCudaCache(&global->envTexture.cuda);  // only where CUDA was set up or rendered
#endif
        if (image && image->pixels) {
            handles->host_unlock_handle(image->pixels);
            handles->host_dispose_handle(image->pixels);
            image->pixels = nullptr;
        }
        global->~GlobalData();
        handles->host_unlock_handle(globalH);
    }
    handles->host_dispose_handle(globalH);
    // The handle is gone; the host must not be handed it back.
    out_data->global_data = nullptr;
    return PF_Err_NONE;
}

PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    std::string text = std::string("Morphalith") + ", v" + std::to_string(1) + "." + std::to_string(1) +
                       "\rSigned-distance shapes, ray-marched on the GPU and placed by 3D null layers." +
                       "\rQuorvex Labs";
    setReturnMessage(in_data, out_data, text);
    return PF_Err_NONE;
}

// ---- Events ----------------------------------------------------------------------------------------

const EventHandlers kEventHandlers = {DrawCompUIEvent, DrawAboutEvent, DrawDebugEvent, DoPrimitiveUIEvents};

PF_Err RouteEvent(const EventHandlers& h, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, PF_EventExtra* extra) {
    if (!extra) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err err = PF_Err_NONE;
    if (extra->e_type == PF_Event_DRAW) {
        if (!extra->contextH || !*extra->contextH) return PF_Err_BAD_CALLBACK_PARAM;
        if ((*extra->contextH)->w_type != PF_Window_EFFECT) {
            err = h.drawComp(in_data, out_data, params, output, extra);
        } else if (extra->effect_win.index == ParamID::About) {
            err = h.drawAbout(in_data, out_data, params, output, extra);
        } else if (extra->effect_win.index == ParamID::Debug) {
            err = h.drawDebug(in_data, out_data, params, output, extra);
        }
    }
    if (err) return err;
    return h.primitiveUI(in_data, out_data, params, output, extra);
}

PF_Err HandleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                   PF_EventExtra* extra) {
    return RouteEvent(kEventHandlers, in_data, out_data, params, output, extra);
}
