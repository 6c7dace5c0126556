// Morphalith_PreRender.cpp — pre-render: the input requests, and the scene of one frame assembled
// into a PluginInputParams block from the parameters, the sequence data, the camera, the lights and
// the slots' null layers.
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

#include "AEFX_SuiteScoper.h"
#include "AEGP_SuiteHandler.h"
#include "HandleWrappers.h"
#include "Handlers.h"
#include "Headers/LogsController.h"
#include "PluginInputParams.h"
#include "ScopedGlobalData.h"
#include "SequenceData.h"

// ---- Parameter readers --------------------------------------------------------------------------------

ParamScoper::ParamScoper(PF_InData* in_data, int index)
    : in_data_(in_data), def_{}, err_(PF_Err_NONE), checkedOut_(false) {
    if (!in_data_->inter.checkout_param) {
        err_ = PF_Err_INVALID_CALLBACK;
        return;
    }
    err_ = in_data_->inter.checkout_param(in_data_->effect_ref, index, in_data_->current_time, in_data_->time_step,
                                          in_data_->time_scale, &def_);
    if (err_) def_ = PF_ParamDef{};
    else checkedOut_ = true;
}

ParamScoper::~ParamScoper() {
    if (checkedOut_ && in_data_->inter.checkin_param) in_data_->inter.checkin_param(in_data_->effect_ref, &def_);
}

KFloat3 ParamScoper::GetRGB() const {
    KFloat3 c{};
    c.x = def_.u.cd.value.red / 255.0f;
    c.y = def_.u.cd.value.green / 255.0f;
    c.z = def_.u.cd.value.blue / 255.0f;
    return c;
}

float ParamScoper::GetRotate() const { return (float)((double)def_.u.ad.value * std::numbers::pi / 180.0 / 65536.0); }

ParamScoper3D::ParamScoper3D(PF_InData* in_data, int index)
    : x_(in_data, index), y_(in_data, index + 1), z_(in_data, index + 2) {}

KFloat3 ParamScoper3D::GetThreeD() const {
    KFloat3 v{};
    v.x = x_.GetFloat();
    v.y = y_.GetFloat();
    v.z = z_.GetFloat();
    return v;
}

KFloat3 ParamScoper3D::GetRotate() const {
    KFloat3 v{};
    v.x = x_.GetRotate();
    v.y = y_.GetRotate();
    v.z = z_.GetRotate();
    return v;
}

template <>
bool getPrimitiveParam<bool>(PF_InData* in_data, int slot, PrimitiveParamType p, bool (ParamScoper::*getter)() const,
                             float divisor) {
    ParamScoper param(in_data, getIndexForUserParam(slot, p));
    return ((float)(param.*getter)() / divisor) != 0.0f;
}

template <>
int getPrimitiveParam<int>(PF_InData* in_data, int slot, PrimitiveParamType p, int (ParamScoper::*getter)() const,
                           float divisor) {
    ParamScoper param(in_data, getIndexForUserParam(slot, p));
    return (int)((float)(param.*getter)() / divisor);
}

template <>
float getPrimitiveParam<float>(PF_InData* in_data, int slot, PrimitiveParamType p,
                               float (ParamScoper::*getter)() const, float divisor) {
    ParamScoper param(in_data, getIndexForUserParam(slot, p));
    return (param.*getter)() / divisor;
}

template <>
KFloat3 getPrimitiveParam<KFloat3>(PF_InData* in_data, int slot, PrimitiveParamType p,
                                   KFloat3 (ParamScoper::*getter)() const, float divisor) {
    ParamScoper param(in_data, getIndexForUserParam(slot, p));
    KFloat3 v = (param.*getter)();
    v.x /= divisor;
    v.y /= divisor;
    v.z /= divisor;
    return v;
}

KFloat3 getPrimitive3DParam(PF_InData* in_data, int slot, PrimitiveParamType p,
                            KFloat3 (ParamScoper3D::*getter)() const) {
    ParamScoper3D param(in_data, getIndexForUserParam(slot, p));
    return (param.*getter)();
}

// ---- Rectangles -----------------------------------------------------------------------------------------

bool IsEmptyRect(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

void UnionLRect(const PF_LRect* src, PF_LRect* dst) {
    if (IsEmptyRect(*dst)) {
        *dst = *src;
    } else if (!IsEmptyRect(*src)) {
        dst->left = std::min(dst->left, src->left);
        dst->top = std::min(dst->top, src->top);
        dst->right = std::max(dst->right, src->right);
        dst->bottom = std::max(dst->bottom, src->bottom);
    }
}

bool IsEdgePixel(const PF_LRect& r, A_long x, A_long y) {
    return ((x == r.left || x == r.right) && r.top <= y && y <= r.bottom) ||
           ((y == r.top || y == r.bottom) && r.left <= x && x <= r.right);
}

// ---- The block --------------------------------------------------------------------------------------------

void DisposePreRenderData(void* block) {
    if (!block) {
        MRPH_LOG_ERROR("Pre render data unavailble");
        return;
    }
    auto* info = static_cast<PluginInputParams*>(block);
    delete[] info->lights;
    delete[] info->primitives;
    delete[] info->materials;
    delete[] info->modifiers;
    std::free(info);
}

namespace {

constexpr PrimitiveParamType P(int offset) { return static_cast<PrimitiveParamType>(offset); }

void mixIn(PF_PreRenderExtra* extra, PF_InData* in_data, const void* bytes, A_u_long size) {
    if (extra->cb->GuidMixInPtr) extra->cb->GuidMixInPtr(in_data->effect_ref, size, bytes);
}

void storeMatrix(const glm::mat4& m, KFloat4x4* out) { std::memcpy(out, &m[0][0], sizeof(*out)); }

void readGlobalSettings(PF_InData* in, RenderData* g) {
    g->renderPass = ParamScoper(in, ParamID::RenderPass).GetPopup();
    g->ao_enabled = ParamScoper(in, ParamID::AOEnabled).GetBool();
    g->ao_threshold = ParamScoper(in, ParamID::AOThreshold).GetFloat();
    g->ao_contrast = ParamScoper(in, ParamID::AOIntensity).GetFloat() / 100.0f;
    g->ambientColorStart = ParamScoper(in, ParamID::AmbientColorTop).GetRGB();
    g->ambientColorEnd = ParamScoper(in, ParamID::AmbientColorBottom).GetRGB();
    g->ambientBalance = ParamScoper(in, ParamID::AmbientCenterBias).GetFloat() / 100.0f;
    g->epsilon = ParamScoper(in, ParamID::RayProximityThreshold).GetFloat() / 1000.0f;
    g->maxDist = ParamScoper(in, ParamID::MaxClipDistance).GetFloat();
    g->maxReflections = ParamScoper(in, ParamID::MaxReflections).GetInt();
    g->showEnvironment = ParamScoper(in, ParamID::ShowEnvironment).GetBool();
    g->rayMarchSteps = ParamScoper(in, ParamID::RayMarchSteps).GetInt();
    g->rayMarchMult = ParamScoper(in, ParamID::PrecisionMultiplier).GetFloat() / 100.0f;
    g->shadowsEnabled = ParamScoper(in, ParamID::ShadowsEnabled).GetBool();
    g->shadowsSteps = ParamScoper(in, ParamID::ShadowsSteps).GetInt();
    g->shadowsThreshold = ParamScoper(in, ParamID::ShadowsProximityThreshold).GetFloat();
    g->shadowsQuality = ParamScoper(in, ParamID::ShadowsQuality).GetFloat() / 100.0f;
}

void readPrimitiveParams(PF_InData* in, int i, PrimitiveData* prim) {
    prim->enabled = getPrimitiveParam<bool>(in, i, P(1), &ParamScoper::GetBool, 1);  // "Enabled"
    prim->operation = getPrimitiveParam<int>(in, i, P(95), &ParamScoper::GetPopup, 1);
    prim->smooth = getPrimitiveParam<float>(in, i, P(96), &ParamScoper::GetFloat, 1);
    prim->three_size = getPrimitive3DParam(in, i, P(5), &ParamScoper3D::GetThreeD);  // X, Y, Z Size
    prim->percent = getPrimitiveParam<float>(in, i, P(9), &ParamScoper::GetFloat, 100);
    prim->height = getPrimitiveParam<float>(in, i, P(10), &ParamScoper::GetFloat, 1);
    prim->radius = getPrimitiveParam<float>(in, i, P(11), &ParamScoper::GetFloat, 1);  // "Diameter"
    prim->radiusB = getPrimitiveParam<float>(in, i, P(12), &ParamScoper::GetFloat, 1);
}

void readModifiers(PF_InData* in, int i, ModifiersData* mod) {
    mod->bend_active = getPrimitiveParam<bool>(in, i, P(43), &ParamScoper::GetBool, 1);
    mod->twist_active = getPrimitiveParam<bool>(in, i, P(52), &ParamScoper::GetBool, 1);
    mod->wave_active = getPrimitiveParam<bool>(in, i, P(61), &ParamScoper::GetBool, 1);
    mod->ripples_active = getPrimitiveParam<bool>(in, i, P(84), &ParamScoper::GetBool, 1);
    mod->ripples_rotation = getPrimitive3DParam(in, i, P(89), &ParamScoper3D::GetRotate);
    mod->bend_rotation = getPrimitive3DParam(in, i, P(46), &ParamScoper3D::GetRotate);
    mod->twist_rotation = getPrimitive3DParam(in, i, P(55), &ParamScoper3D::GetRotate);
    mod->cos_rotation = getPrimitive3DParam(in, i, P(67), &ParamScoper3D::GetRotate);
    mod->sin_rotation = getPrimitive3DParam(in, i, P(77), &ParamScoper3D::GetRotate);
    mod->twist_power = getPrimitiveParam<float>(in, i, P(53), &ParamScoper::GetFloat, 100000);
    mod->bend_power = getPrimitiveParam<float>(in, i, P(44), &ParamScoper::GetFloat, 100);
    mod->wave_cos_offset = getPrimitiveParam<float>(in, i, P(65), &ParamScoper::GetRotate, 1);
    mod->wave_sin_offset = getPrimitiveParam<float>(in, i, P(75), &ParamScoper::GetRotate, 1);
    mod->wave_cos_freq = getPrimitiveParam<float>(in, i, P(64), &ParamScoper::GetFloat, 100);
    mod->wave_sin_freq = getPrimitiveParam<float>(in, i, P(74), &ParamScoper::GetFloat, 100);
    mod->wave_cos_amp = getPrimitiveParam<float>(in, i, P(63), &ParamScoper::GetFloat, 10);
    mod->wave_sin_amp = getPrimitiveParam<float>(in, i, P(73), &ParamScoper::GetFloat, 10);
    mod->ripples_offset = getPrimitiveParam<float>(in, i, P(87), &ParamScoper::GetRotate, 1);
    mod->ripples_freq = getPrimitiveParam<float>(in, i, P(86), &ParamScoper::GetFloat, 100);
    mod->ripples_amp = getPrimitiveParam<float>(in, i, P(85), &ParamScoper::GetFloat, 10);
}

void readMaterial(PF_InData* in, int i, MaterialData* mat) {
    mat->diffuse_color = getPrimitiveParam<KFloat3>(in, i, P(16), &ParamScoper::GetRGB, 1);
    mat->specular_color = getPrimitiveParam<KFloat3>(in, i, P(20), &ParamScoper::GetRGB, 1);
    mat->diffuse = getPrimitiveParam<float>(in, i, P(15), &ParamScoper::GetFloat, 100);
    mat->specular = getPrimitiveParam<float>(in, i, P(19), &ParamScoper::GetFloat, 100);
    mat->shininess = getPrimitiveParam<float>(in, i, P(21), &ParamScoper::GetFloat, 1);
    mat->glossiness = getPrimitiveParam<float>(in, i, P(24), &ParamScoper::GetFloat, 100);
    mat->gloss_fresnel_size = getPrimitiveParam<float>(in, i, P(25), &ParamScoper::GetFloat, 100);
    mat->gloss_fresnel_balance = getPrimitiveParam<float>(in, i, P(26), &ParamScoper::GetFloat, 100);
    mat->rim = getPrimitiveParam<float>(in, i, P(29), &ParamScoper::GetFloat, 100);
    mat->rim_balance = getPrimitiveParam<float>(in, i, P(33), &ParamScoper::GetFloat, 100);
    mat->rim_normals = getPrimitiveParam<float>(in, i, P(31), &ParamScoper::GetFloat, 100);
    mat->rim_size = getPrimitiveParam<float>(in, i, P(32), &ParamScoper::GetFloat, 100);
    mat->rim_color = getPrimitiveParam<KFloat3>(in, i, P(30), &ParamScoper::GetRGB, 1);
    mat->opacity = getPrimitiveParam<float>(in, i, P(36), &ParamScoper::GetFloat, 100);
    mat->opacity_balance = getPrimitiveParam<float>(in, i, P(38), &ParamScoper::GetFloat, 100);
    mat->opacity_size = getPrimitiveParam<float>(in, i, P(37), &ParamScoper::GetFloat, 100);
}

// The slot's null layer: its world-to-layer matrix and anchor point. A layer that no longer exists
// leaves the slot empty (type None) instead of failing the frame.
A_Err readSlotLayer(AEGP_SuiteHandler* suites, AEGP_CompH comp, const PrimitiveSlot& slot, const A_Time* compTime,
                    PrimitiveData* prim, bool* found) {
    *found = false;
    AEGP_LayerH probe = nullptr;
    if (suites->LayerSuite7()->AEGP_GetLayerFromLayerID(comp, slot.layerId, &probe) || !probe) return A_Err(0);
    LayerHandleWrapper layer(suites, comp, slot.layerId);
    *found = true;
    glm::mat4 transform(1.0f);
    layer.getMatrix(&transform, compTime);  // a failed read renders with what it left
    storeMatrix(transform, &prim->transform);
    AEGP_StreamVal value{};
    A_Err err = layer.getStreamValue(AEGP_LayerStream_ANCHORPOINT, compTime, &value);
    prim->anchorPoint.x = (float)value.three_d.x;
    prim->anchorPoint.y = (float)value.three_d.y;
    prim->anchorPoint.z = (float)value.three_d.z;
    return err;
}

// The layer the environment map of this frame comes from, which the CUDA path keys its cached array
// by; 0 when none is picked or the value cannot be read.
int readEnvironmentLayerId(AEGP_PluginID plugin, AEGP_SuiteHandler* suites, EffectHandleWrapper& effect,
                           A_Time* compTime) {
    try {
        StreamValueWrapper value(plugin, suites, effect.get(), ParamID::EnvironmentMap, *compTime, TRUE);
        return (int)value->val.layer_id;
    } catch (int) {
        return 0;
    }
}

}  // namespace

PF_Err PreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra) {
    PF_Err err = PF_Err_NONE;

    // 1. Input requests: the effect's own layer as asked, the environment map whole.
    PF_RenderRequest reqLayer = extra->input->output_request;
    reqLayer.preserve_rgb_of_zero_alpha = 1;
    PF_RenderRequest reqEnv = extra->input->output_request;
    reqEnv.rect = PF_LRect{0, 0, 10000, 10000};
    extra->output->flags |= PF_RenderOutputFlag_GPU_RENDER_POSSIBLE;

    // 2. Check-outs.
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    PF_CheckoutResult layerResult{}, envResult{};
    err = extra->cb->checkout_layer(in_data->effect_ref, ParamID::Input, ParamID::Input, &reqLayer,
                                    in_data->current_time, in_data->time_step, in_data->time_scale, &layerResult);
    if (!err) {
        UnionLRect(&layerResult.result_rect, &extra->output->result_rect);
        UnionLRect(&layerResult.max_result_rect, &extra->output->max_result_rect);
        err = extra->cb->checkout_layer(in_data->effect_ref, ParamID::EnvironmentMap, ParamID::EnvironmentMap,
                                        &reqEnv, in_data->current_time, in_data->time_step, in_data->time_scale,
                                        &envResult);
    }

    // 3. Sequence data, repaired on the way in: the slot count is a clamped whole number.
    SequenceData seq{};
    if (!err) {
        AEFX_SuiteScoper<PF_EffectSequenceDataSuite1> seqSuite(in_data, kPFEffectSequenceDataSuite,
                                                              kPFEffectSequenceDataSuiteVersion1, out_data);
        PF_Handle seqHandle = nullptr;
        err = seqSuite->PF_GetConstSequenceData(in_data->effect_ref, &seqHandle);
        if (!err) {
            const void* bytes = seqHandle ? *seqHandle : nullptr;
            size_t size = seqHandle ? (size_t)suites.HandleSuite1()->host_get_handle_size(seqHandle) : 0;
            seq = readStoredSequenceData(bytes, size, nullptr);
        }
    }

    // 4, 5. The block.
    auto* info = err ? nullptr : static_cast<PluginInputParams*>(std::malloc(sizeof(PluginInputParams)));
    if (!info) {
        out_data->out_flags |= PF_OutFlag_REFRESH_UI;
        return PF_Err_OUT_OF_MEMORY;
    }
    std::memset(static_cast<void*>(info), 0, sizeof(*info));
    extra->output->pre_render_data = info;
    extra->output->delete_pre_render_data_func = DisposePreRenderData;

    // 6. Time and lights (global data locked for the rest).
    ScopedGlobalData globalData(suites, in_data->global_data);
    GlobalData* global = globalData.get();
    if (!global) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    A_Time compTime{0, 1};
    EffectHandleWrapper effect(global->pluginId, in_data, &suites);
    AEGP_CompH comp = effect.getEffectCompHandle();
    std::vector<LightData> lights;
    err = effect.getCompTime(&compTime);
    if (!err) err = effect.getCompLights(lights, comp, &compTime);

    // 7.
    info->numLights = (int)lights.size();
    info->lights = new (std::nothrow) LightData[lights.size() ? lights.size() : 1];
    if (info->lights) {
        for (size_t i = 0; i < lights.size(); ++i) {
            std::memcpy(static_cast<void*>(&info->lights[i]), &lights[i], offsetof(LightData, radius) + sizeof(float));
            mixIn(extra, in_data, &lights[i].color, 3 * sizeof(float));  // r, g, b: not the vector's padding
        }
    }

    info->environmentLayerId = readEnvironmentLayerId(global->pluginId, &suites, effect, &compTime);

    // 8. Camera; a failed read renders with what it left.
    LayerHandleWrapper camera(&suites, in_data->effect_ref, &compTime);
    camera.getCameraData(&info->camera, comp, &compTime);

    // 9, 10.
    std::memset(static_cast<void*>(&info->global), 0, sizeof(info->global));
    readGlobalSettings(in_data, &info->global);
    assert(info->global.renderPass == ParamScoper(in_data, ParamID::RenderPass).GetPopup());

    // 11.
    std::memcpy(static_cast<void*>(&info->cameraView), &info->camera.view, sizeof(info->cameraView));
    mixIn(extra, in_data, &info->camera.fov, sizeof(info->camera.fov));

    // 12. Allocate and loop with one whole count.
    const int numPrimitives = (int)seq.numPrimitives;
    info->numPrimitives = numPrimitives;
    const size_t n = numPrimitives > 0 ? (size_t)numPrimitives : 1;
    info->primitives = new (std::nothrow) PrimitiveData[n];
    info->modifiers = new (std::nothrow) ModifiersData[n];
    info->materials = new (std::nothrow) MaterialData[n];
    if (!info->primitives || !info->lights || !info->modifiers || !info->materials) return PF_Err_OUT_OF_MEMORY;

    // 13. Slots.
    for (int i = 0; i < numPrimitives; ++i) {
        const PrimitiveSlot& slot = seq.primitives[i];
        PrimitiveData* prim = &info->primitives[i];
        std::memset(static_cast<void*>(prim), 0, sizeof(*prim));
        if (slot.layerId == 0) continue;

        bool found = false;
        A_Err layerErr = readSlotLayer(&suites, comp, slot, &compTime, prim, &found);
        if (!found) {
            MRPH_LOG_ERROR("Slot " + std::to_string(i) + ": layer " + std::to_string(slot.layerId) + " is gone");
            continue;
        }
        prim->type = static_cast<PrimitiveType>(slot.type);
        if (!err) err = layerErr;
        mixIn(extra, in_data, &prim->transform, sizeof(prim->transform));
        readPrimitiveParams(in_data, i, prim);
        readModifiers(in_data, i, &info->modifiers[i]);
        readMaterial(in_data, i, &info->materials[i]);
    }

    // 14, 15.
    if (global->sceneInfo) {
        glm::mat4 view;
        std::memcpy(static_cast<void*>(&view), &info->camera.view, sizeof(view));
        global->sceneInfo->storeMatrix(view);
    }
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    return err;
}
