// The AEGP and PF suites of the stand-in host, served from its project.
#include "host/HostSuites.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "AEGP_Suites.h"
#include "Drawbot.h"
#include "PF_Param.h"
#include "PF_Suites.h"
#include "host/Composition3D.h"
#include "host/CustomUI.h"
#include "host/HostDrawbot.h"
#include "host/GpuDevice.h"
#include "host/Holdings.h"
#include "host/Host.h"

namespace host {

namespace {

Project& project() { return Host::current()->project(); }
A_Err call(const char* name) { return Host::current()->hostCall(name); }

// The handle of the project's one composition, and of the item it is. Any other handle is refused.
AEGP_CompH compHandle() { return reinterpret_cast<AEGP_CompH>(&project().comp); }
AEGP_ItemH itemHandle() { return reinterpret_cast<AEGP_ItemH>(&project().comp.layers); }

// The layer the effect is applied to: its own time is the time of the effect's parameters.
const Layer* effectLayer() { return project().findLayer(project().effectLayerId); }

// ---- AEGP PF Interface ----------------------------------------------------------------------------
A_Err GetEffectLayer(PF_ProgPtr, AEGP_LayerH* layerPH) {
    if (A_Err err = call("AEGP_GetEffectLayer")) return err;
    Layer* layer = project().findLayer(project().effectLayerId);
    *layerPH = reinterpret_cast<AEGP_LayerH>(layer);
    return layer ? A_Err(0) : A_Err_GENERIC;
}

A_Err GetNewEffectForEffect(AEGP_PluginID, PF_ProgPtr effect_ref, AEGP_EffectRefH* effectPH) {
    *effectPH = nullptr;
    if (A_Err err = call("AEGP_GetNewEffectForEffect")) return err;
    if (!effect_ref || !Host::current()->isInstance(effect_ref)) return PF_Err_BAD_CALLBACK_PARAM;
    *effectPH = project().newEffectRef(effect_ref);
    return A_Err(0);
}

// The effect's time is its layer's time: the composition time lies the layer's start later.
A_Err ConvertEffectToCompTime(PF_ProgPtr, A_long what_time, A_u_long time_scale, A_Time* comp_timePT) {
    if (A_Err err = call("AEGP_ConvertEffectToCompTime")) return err;
    const Layer* layer = effectLayer();
    if (!layer || time_scale == 0 || !comp_timePT) return A_Err_GENERIC;
    comp_timePT->value = what_time + (A_long)std::lround(layer->startTime * time_scale);
    comp_timePT->scale = time_scale;
    return A_Err(0);
}

A_Err GetEffectCamera(PF_ProgPtr, const A_Time* comp_timePT, AEGP_LayerH* camera_layerPH) {
    *camera_layerPH = nullptr;
    if (A_Err err = call("AEGP_GetEffectCamera")) return err;
    if (!isValidTime(comp_timePT)) return A_Err_GENERIC;
    *camera_layerPH =
        reinterpret_cast<AEGP_LayerH>(const_cast<Layer*>(activeCamera(project(), timeInSeconds(comp_timePT))));
    return A_Err(0);
}

A_Err GetEffectCameraMatrix(PF_ProgPtr, const A_Time*, A_Matrix4* matrix, A_FpLong* dist, short* w, short* h) {
    if (A_Err err = call("AEGP_GetEffectCameraMatrix")) return err;
    std::memset(matrix, 0, sizeof(*matrix));
    for (int i = 0; i < 4; ++i) matrix->mat[i][i] = 1.0;
    if (dist) *dist = 0;
    if (w) *w = static_cast<short>(project().comp.width);
    if (h) *h = static_cast<short>(project().comp.height);
    return A_Err(0);
}

// ---- AEGP Utility -----------------------------------------------------------------------------------
A_Err ReportInfo(AEGP_PluginID, const A_char* info) {
    if (A_Err err = call("AEGP_ReportInfo")) return err;
    std::fprintf(stderr, "%s\n", info ? info : "");
    return A_Err(0);
}
A_Err StartUndoGroup(const A_char* name) {
    if (A_Err err = call("AEGP_StartUndoGroup")) return err;
    if (!name) return PF_Err_BAD_CALLBACK_PARAM;
    UndoHistory& undo = project().undo;
    undo.groups.push_back(UndoGroup{name, static_cast<int>(undo.open.size()), false});
    undo.open.push_back(undo.groups.size() - 1);
    threadHoldings().undoGroups += 1;
    return A_Err(0);
}
A_Err EndUndoGroup() {
    if (A_Err err = call("AEGP_EndUndoGroup")) return err;
    UndoHistory& undo = project().undo;
    // An end without a start is counted against the thread too: the balance check names it.
    threadHoldings().undoGroups -= 1;
    if (undo.open.empty()) {
        undo.unmatchedEnds += 1;
        return A_Err_GENERIC;
    }
    undo.groups[undo.open.back()].closed = true;
    undo.open.pop_back();
    return A_Err(0);
}
A_Err RegisterWithAEGP(AEGP_GlobalRefcon, const A_char*, AEGP_PluginID* plugin_id) {
    if (A_Err err = call("AEGP_RegisterWithAEGP")) return err;
    *plugin_id = project().registeredPluginId = 42;
    return A_Err(0);
}
A_Err GetMainHWND(void*) { return call("AEGP_GetMainHWND"); }

// ---- AEGP Stream --------------------------------------------------------------------------------------
A_Err GetNewLayerStream(AEGP_PluginID, AEGP_LayerH, AEGP_LayerStream, AEGP_StreamRefH* streamPH) {
    *streamPH = nullptr;
    if (A_Err err = call("AEGP_GetNewLayerStream")) return err;
    return A_Err_GENERIC;  // layer streams come with the composition's layers
}

A_Err GetNewEffectStreamByIndex(AEGP_PluginID, AEGP_EffectRefH effect, A_long index, AEGP_StreamRefH* streamPH) {
    *streamPH = nullptr;
    if (A_Err err = call("AEGP_GetNewEffectStreamByIndex")) return err;
    const void* instance = project().instanceOf(effect);
    const std::vector<Stream>* streams = Host::current()->streamsOf(instance);
    if (!project().isEffectRef(effect) || !streams || index < 0 || index >= static_cast<A_long>(streams->size()))
        return PF_Err_INVALID_INDEX;
    *streamPH = project().newStreamRef(index, instance);
    return A_Err(0);
}

// The stream a live reference names, among the streams of the instance it was made for; null otherwise.
Stream* streamOf(AEGP_StreamRefH ref) {
    const int index = project().streamIndex(ref);
    std::vector<Stream>* streams = index < 0 ? nullptr : Host::current()->streamsOf(project().instanceOf(ref));
    return streams && index < static_cast<int>(streams->size()) ? &(*streams)[index] : nullptr;
}

A_Err DisposeStream(AEGP_StreamRefH stream) {
    if (A_Err err = call("AEGP_DisposeStream")) return err;
    return project().disposeStreamRef(stream) ? A_Err(0) : A_Err_GENERIC;
}

A_Err GetStreamType(AEGP_StreamRefH stream, AEGP_StreamType* type) {
    if (A_Err err = call("AEGP_GetStreamType")) return err;
    const Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    *type = s->type;
    return A_Err(0);
}

A_Err GetNewStreamValue(AEGP_PluginID, AEGP_StreamRefH stream, AEGP_LTimeMode mode, const A_Time* time, A_Boolean,
                        AEGP_StreamValue* value) {
    if (A_Err err = call("AEGP_GetNewStreamValue")) return err;
    const Stream* s = streamOf(stream);
    const Layer* layer = effectLayer();
    double seconds = 0;
    if (!s || !layer || !compSecondsOf(*layer, mode, time, &seconds)) return A_Err_GENERIC;
    value->streamH = stream;
    value->val = s->valueAt(seconds);
    project().noteValueMade();
    return A_Err(0);
}

A_Err DisposeStreamValue(AEGP_StreamValue* value) {
    if (A_Err err = call("AEGP_DisposeStreamValue")) return err;
    bool live = value && value->streamH != nullptr;
    project().noteValueDisposed(live);
    if (value) value->streamH = nullptr;
    return A_Err(0);
}

A_Err SetStreamValue(AEGP_PluginID plugin_id, AEGP_StreamRefH stream, AEGP_StreamValue* value) {
    if (A_Err err = call("AEGP_SetStreamValue")) return err;
    Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    s->value = value->val;
    project().setValueCalls += 1;
    project().lastSetValuePluginId = plugin_id;
    return A_Err(0);
}

Layer* layerOf(AEGP_LayerH layer);

// Expressions do not exist here, so pre- and post-expression values are the same.
A_Err GetLayerStreamValue(AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode mode, const A_Time* time,
                          A_Boolean, AEGP_StreamVal* val, AEGP_StreamType* type) {
    std::memset(val, 0, sizeof(*val));
    if (type) *type = AEGP_StreamType_NO_DATA;
    if (A_Err err = call("AEGP_GetLayerStreamValue")) return err;
    Layer* l = layerOf(layer);
    double seconds = 0;
    if (!l || !compSecondsOf(*l, mode, time, &seconds)) return A_Err_GENERIC;
    return layerStreamValue(*l, stream, seconds, val, type);
}

A_Err IsStreamTimevarying(AEGP_StreamRefH stream, A_Boolean* varies) {
    *varies = FALSE;
    if (A_Err err = call("AEGP_IsStreamTimevarying")) return err;
    const Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    *varies = s->keys.empty() ? FALSE : TRUE;
    return A_Err(0);
}

// ---- AEGP Dynamic Stream ------------------------------------------------------------------------------
A_Err GetDynamicStreamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags) {
    if (A_Err err = call("AEGP_GetDynamicStreamFlags")) return err;
    const Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    *flags = s->flags;
    return A_Err(0);
}

A_Err SetDynamicStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable, A_Boolean set) {
    if (A_Err err = call("AEGP_SetDynamicStreamFlag")) return err;
    Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    if (undoable) project().undoableFlagChanges += 1;
    AEGP_DynStreamFlags& flags = s->flags;
    flags = set ? (flags | flag) : (flags & ~flag);
    return A_Err(0);
}

// ---- AEGP Keyframe, Effect --------------------------------------------------------------------------------
A_Err GetStreamNumKFs(AEGP_StreamRefH stream, A_long* num) {
    *num = 0;
    if (A_Err err = call("AEGP_GetStreamNumKFs")) return err;
    const Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    *num = static_cast<A_long>(s->keys.size());
    return A_Err(0);
}
A_Err DeleteKeyframe(AEGP_StreamRefH stream, AEGP_KeyframeIndex key) {
    if (A_Err err = call("AEGP_DeleteKeyframe")) return err;
    Stream* s = streamOf(stream);
    if (!s) return A_Err_GENERIC;
    auto& keys = s->keys;
    if (key < 0 || key >= static_cast<A_long>(keys.size())) return PF_Err_INVALID_INDEX;
    // The last key gone, the stream holds the value it had there.
    if (keys.size() == 1) s->value.one_d.value = keys.front().second;
    keys.erase(keys.begin() + key);
    return A_Err(0);
}

A_Err DisposeEffect(AEGP_EffectRefH effect) {
    if (A_Err err = call("AEGP_DisposeEffect")) return err;
    return project().disposeEffectRef(effect) ? A_Err(0) : A_Err_GENERIC;
}

// ---- AEGP Layer -----------------------------------------------------------------------------------------
// A layer handle is the layer's address in the composition: checked by its place in the array, not
// by a search (a composition may have thousands of lights, each read through several calls).
Layer* layerOf(AEGP_LayerH layer) {
    std::vector<Layer>& layers = project().comp.layers;
    const uintptr_t at = reinterpret_cast<uintptr_t>(layer), first = reinterpret_cast<uintptr_t>(layers.data());
    if (layers.empty() || at < first || (at - first) % sizeof(Layer) != 0 || (at - first) / sizeof(Layer) >= layers.size())
        return nullptr;
    return &layers[(at - first) / sizeof(Layer)];
}

A_Err GetLayerParentComp(AEGP_LayerH layer, AEGP_CompH* comp) {
    *comp = nullptr;
    if (A_Err err = call("AEGP_GetLayerParentComp")) return err;
    if (!layerOf(layer)) return A_Err_GENERIC;
    *comp = compHandle();
    return A_Err(0);
}

A_Err GetLayerFromLayerID(AEGP_CompH comp, AEGP_LayerIDVal id, AEGP_LayerH* layer) {
    *layer = nullptr;
    if (A_Err err = call("AEGP_GetLayerFromLayerID")) return err;
    if (comp != compHandle()) return A_Err_GENERIC;
    // An id no layer has (any more) is an answer, not a failure: no error and no layer.
    *layer = reinterpret_cast<AEGP_LayerH>(project().findLayer(id));
    return A_Err(0);
}

A_Err GetLayerID(AEGP_LayerH layer, AEGP_LayerIDVal* id) {
    if (A_Err err = call("AEGP_GetLayerID")) return err;
    Layer* l = layerOf(layer);
    if (!l) return A_Err_GENERIC;
    *id = l->id;
    return A_Err(0);
}

A_Err GetLayerFlags(AEGP_LayerH layer, AEGP_LayerFlags* flags) {
    if (A_Err err = call("AEGP_GetLayerFlags")) return err;
    Layer* l = layerOf(layer);
    if (!l) return A_Err_GENERIC;
    *flags = l->flags;
    return A_Err(0);
}

A_Err GetLayerIndex(AEGP_LayerH layer, A_long* index) {
    if (A_Err err = call("AEGP_GetLayerIndex")) return err;
    Layer* l = layerOf(layer);
    if (!l) return A_Err_GENERIC;
    *index = static_cast<A_long>(l - project().comp.layers.data());
    return A_Err(0);
}

A_Err GetLayerObjectType(AEGP_LayerH layer, AEGP_ObjectType* type) {
    if (A_Err err = call("AEGP_GetLayerObjectType")) return err;
    Layer* l = layerOf(layer);
    if (!l) return A_Err_GENERIC;
    *type = l->objectType;
    return A_Err(0);
}

A_Err GetLayerToWorldXform(AEGP_LayerH layer, const A_Time* time, A_Matrix4* transform) {
    if (A_Err err = call("AEGP_GetLayerToWorldXform")) return err;
    Layer* l = layerOf(layer);
    if (!l || !isValidTime(time)) return A_Err_GENERIC;
    *transform = layerToWorld(*l, timeInSeconds(time));
    return A_Err(0);
}

A_Err IsVideoActive(AEGP_LayerH layer, AEGP_LTimeMode mode, const A_Time* time, A_Boolean* active) {
    if (A_Err err = call("AEGP_IsVideoActive")) return err;
    Layer* l = layerOf(layer);
    double seconds = 0;
    if (!l || !compSecondsOf(*l, mode, time, &seconds)) return A_Err_GENERIC;
    *active = videoActiveAt(*l, seconds) ? TRUE : FALSE;
    return A_Err(0);
}

// ---- AEGP Light, Camera, Comp, Item ---------------------------------------------------------------------
A_Err GetLightType(AEGP_LayerH layer, AEGP_LightType* type) {
    if (A_Err err = call("AEGP_GetLightType")) return err;
    Layer* l = layerOf(layer);
    if (!l || l->objectType != AEGP_ObjectType_LIGHT) return A_Err_GENERIC;
    *type = l->props.lightType;
    return A_Err(0);
}
A_Err GetCamera(PF_ProgPtr, const A_Time*, AEGP_LayerH* camera) {
    *camera = nullptr;
    return call("AEGP_GetCamera");
}
A_Err GetCameraType(AEGP_LayerH layer, AEGP_CameraType* type) {
    if (A_Err err = call("AEGP_GetCameraType")) return err;
    Layer* l = layerOf(layer);
    if (!l || l->objectType != AEGP_ObjectType_CAMERA) return A_Err_GENERIC;
    *type = l->props.cameraType;
    return A_Err(0);
}
A_Err GetDefaultCameraDistanceToImagePlane(AEGP_CompH comp, A_FpLong* dist) {
    *dist = 0;
    if (A_Err err = call("AEGP_GetDefaultCameraDistanceToImagePlane")) return err;
    if (comp != compHandle()) return A_Err_GENERIC;
    *dist = defaultCameraDistance(project().comp);
    return A_Err(0);
}
A_Err GetItemFromComp(AEGP_CompH comp, AEGP_ItemH* item) {
    *item = nullptr;
    if (A_Err err = call("AEGP_GetItemFromComp")) return err;
    if (comp != compHandle()) return A_Err_GENERIC;
    *item = itemHandle();
    return A_Err(0);
}
A_Err GetCompNumLayers(AEGP_CompH comp, A_long* num) {
    *num = 0;
    if (A_Err err = call("AEGP_GetCompNumLayers")) return err;
    if (comp != compHandle()) return A_Err_GENERIC;
    *num = static_cast<A_long>(project().comp.layers.size());
    return A_Err(0);
}
A_Err GetCompLayerByIndex(AEGP_CompH comp, A_long index, AEGP_LayerH* layer) {
    *layer = nullptr;
    if (A_Err err = call("AEGP_GetCompLayerByIndex")) return err;
    if (comp != compHandle()) return A_Err_GENERIC;
    if (index < 0 || index >= static_cast<A_long>(project().comp.layers.size())) return PF_Err_INVALID_INDEX;
    *layer = reinterpret_cast<AEGP_LayerH>(&project().comp.layers[index]);
    return A_Err(0);
}
A_Err GetItemDimensions(AEGP_ItemH item, A_long* width, A_long* height) {
    *width = 0;
    *height = 0;
    if (A_Err err = call("AEGP_GetItemDimensions")) return err;
    if (item != itemHandle()) return A_Err_GENERIC;
    *width = project().comp.width;
    *height = project().comp.height;
    return A_Err(0);
}

// ---- PF Param Utils, PF Effect UI ------------------------------------------------------------------------
PF_Err UpdateParamUI(PF_ProgPtr, A_long index, const PF_ParamDef* def) {
    if (A_Err err = call("PF_UpdateParamUI")) return err;
    Panel& panel = Host::current()->panel();
    DeclaredParam* declared = panel.find(index);
    if (!declared || !def) return PF_Err_INVALID_INDEX;
    // A copy of another parameter's definition is a plug-in fault, not an update.
    if (def->param_type != declared->def.param_type) return PF_Err_BAD_CALLBACK_PARAM;
    // Name, flags and UI flags only. Limits and values travel in the parameter array, so a copy
    // taken before the plug-in changed them cannot bring old ones back; the copy's pointers are the
    // module's and die with the call.
    declared->def.ui_flags = def->ui_flags;
    declared->def.flags = def->flags;
    std::memcpy(declared->def.name, def->name, sizeof(def->name));
    declared->def.name[sizeof(declared->def.name) - 1] = '\0';
    panel.updateCalls += 1;
    panel.uiUpdates.push_back(ParamUIUpdate{index, declared->def.name, def->flags, def->ui_flags});
    return PF_Err_NONE;
}

PF_Err SetOptionsButtonName(PF_ProgPtr, const A_char* name) {
    if (A_Err err = call("PF_SetOptionsButtonName")) return err;
    Host::current()->panel().optionsButtonName = name ? name : "";
    return PF_Err_NONE;
}

// ---- ANSI ------------------------------------------------------------------------------------------------
int AnsiSprintf(A_char* out, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = std::vsprintf(out, format, args);  // the host's contract: the caller sizes the buffer
    va_end(args);
    return n;
}
A_char* AnsiStrcpy(A_char* out, const A_char* in) { return std::strcpy(out, in); }

A_FpLong Atan(A_FpLong x) { return std::atan(x); }
A_FpLong Atan2(A_FpLong y, A_FpLong x) { return std::atan2(y, x); }
A_FpLong Ceil(A_FpLong x) { return std::ceil(x); }
A_FpLong Cos(A_FpLong x) { return std::cos(x); }
A_FpLong Exp(A_FpLong x) { return std::exp(x); }
A_FpLong Fabs(A_FpLong x) { return std::fabs(x); }
A_FpLong Floor(A_FpLong x) { return std::floor(x); }
A_FpLong Fmod(A_FpLong x, A_FpLong y) { return std::fmod(x, y); }
A_FpLong Hypot(A_FpLong x, A_FpLong y) { return std::hypot(x, y); }
A_FpLong Log(A_FpLong x) { return std::log(x); }
A_FpLong Log10(A_FpLong x) { return std::log10(x); }
A_FpLong Pow(A_FpLong x, A_FpLong y) { return std::pow(x, y); }
A_FpLong Sin(A_FpLong x) { return std::sin(x); }
A_FpLong Sqrt(A_FpLong x) { return std::sqrt(x); }
A_FpLong Tan(A_FpLong x) { return std::tan(x); }
A_FpLong Asin(A_FpLong x) { return std::asin(x); }
A_FpLong Acos(A_FpLong x) { return std::acos(x); }

// ---- The tables ----------------------------------------------------------------------------------------------
const AEGP_PFInterfaceSuite1 kPFInterface = {GetEffectLayer, GetNewEffectForEffect, ConvertEffectToCompTime,
                                             GetEffectCamera, GetEffectCameraMatrix};
const AEGP_UtilitySuite3 kUtility = {ReportInfo, StartUndoGroup, EndUndoGroup, RegisterWithAEGP, GetMainHWND};
const AEGP_StreamSuite2 kStream = {GetNewLayerStream,  GetNewEffectStreamByIndex, DisposeStream,
                                   GetStreamType,      GetNewStreamValue,         DisposeStreamValue,
                                   SetStreamValue,     GetLayerStreamValue,       IsStreamTimevarying};
const AEGP_DynamicStreamSuite4 kDynamicStream = {GetDynamicStreamFlags, SetDynamicStreamFlag};
const AEGP_KeyframeSuite3 kKeyframe = {GetStreamNumKFs, DeleteKeyframe};
const AEGP_EffectSuite2 kEffect = {DisposeEffect};
const AEGP_LayerSuite5 kLayer = {GetLayerParentComp, GetLayerFromLayerID, GetLayerID,           GetLayerFlags,
                                 GetLayerIndex,      GetLayerObjectType,  GetLayerToWorldXform, IsVideoActive,
                                 GetCompNumLayers,   GetCompLayerByIndex};
const AEGP_LightSuite2 kLight = {GetLightType};
const AEGP_CameraSuite2 kCamera = {GetCamera, GetCameraType, GetDefaultCameraDistanceToImagePlane};
const AEGP_CompSuite10 kComp = {GetItemFromComp};
const AEGP_ItemSuite8 kItem = {GetItemDimensions};
const PF_ParamUtilsSuite3 kParamUtils = {UpdateParamUI};
const PF_EffectUISuite1 kEffectUI = {SetOptionsButtonName};
const PF_ANSICallbacksSuite1 kANSI = {Atan, Atan2, Ceil, Cos,  Exp,         Fabs,       Floor, Fmod, Hypot, Log,
                                      Log10, Pow,  Sin,  Sqrt, Tan, AnsiSprintf, AnsiStrcpy, Asin,  Acos};

}  // namespace

PF_ANSICallbacks ansiCallbacks() {
    return PF_ANSICallbacks{Atan, Atan2, Ceil, Cos, Exp,         Fabs,       Floor, Fmod, Hypot, Log,
                            Log10, Pow, Sin,  Sqrt, Tan, AnsiSprintf, AnsiStrcpy, Asin,  Acos};
}

void serveSuites(SuiteRegistry& registry, HandleStore& handles) {
    registry.add(kPFHandleSuite, kPFHandleSuiteVersion1, handles.suite());
    registry.add(kPFANSISuite, kPFANSISuiteVersion1, &kANSI);
    registry.add(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &kParamUtils);
    registry.add(kPFEffectUISuite, kPFEffectUISuiteVersion1, &kEffectUI);
    registry.add(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &kPFInterface);
    registry.add(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, &kUtility);
    for (int version : {kAEGPStreamSuiteVersion1, kAEGPStreamSuiteVersion2, kAEGPStreamSuiteVersion5})
        registry.add(kAEGPStreamSuite, version, &kStream);
    registry.add(kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4, &kDynamicStream);
    for (int version : {kAEGPKeyframeSuiteVersion3, kAEGPKeyframeSuiteVersion4})
        registry.add(kAEGPKeyframeSuite, version, &kKeyframe);
    for (int version : {kAEGPEffectSuiteVersion2, kAEGPEffectSuiteVersion4})
        registry.add(kAEGPEffectSuite, version, &kEffect);
    for (int version : {kAEGPLayerSuiteVersion5, kAEGPLayerSuiteVersion7}) registry.add(kAEGPLayerSuite, version, &kLayer);
    registry.add(kAEGPLightSuite, kAEGPLightSuiteVersion2, &kLight);
    registry.add(kAEGPCameraSuite, kAEGPCameraSuiteVersion2, &kCamera);
    registry.add(kAEGPCompSuite, kAEGPCompSuiteVersion10, &kComp);
    registry.add(kAEGPItemSuite, kAEGPItemSuiteVersion8, &kItem);
    serveRenderSuites(registry);  // GPU device, world and sequence-data suites (host/GpuDevice.cpp)
    serveDrawbotSuites(registry);   // host/HostDrawbot.cpp
    serveCustomUISuites(registry);  // custom UI, application and overlay theme suites (host/CustomUI.cpp)
}

}  // namespace host
