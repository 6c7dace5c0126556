#include "HandleWrappers.h"

#include <cmath>
#include <cstring>

// ---- EffectHandleWrapper ------------------------------------------------------------------------------

EffectHandleWrapper::EffectHandleWrapper(int pluginID, PF_InData* in_data, AEGP_SuiteHandler* suites)
    : effect_(nullptr), in_data_(in_data), pluginID_(pluginID), suites_(suites) {
    A_Err err = suites_->PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(pluginID_, in_data_->effect_ref, &effect_);
    if (err) {
        effect_ = nullptr;
        throw static_cast<int>(err);
    }
}

EffectHandleWrapper::~EffectHandleWrapper() {
    if (effect_) suites_->EffectSuite2()->AEGP_DisposeEffect(effect_);
}

A_Err EffectHandleWrapper::getCompTime(A_Time* out) {
    return suites_->PFInterfaceSuite1()->AEGP_ConvertEffectToCompTime(in_data_->effect_ref, in_data_->current_time,
                                                                      in_data_->time_scale, out);
}

AEGP_CompH EffectHandleWrapper::getEffectCompHandle() {
    AEGP_LayerH layer = nullptr;
    AEGP_CompH comp = nullptr;
    suites_->PFInterfaceSuite1()->AEGP_GetEffectLayer(in_data_->effect_ref, &layer);
    if (layer) suites_->LayerSuite5()->AEGP_GetLayerParentComp(layer, &comp);
    return comp;
}

// ---- StreamHandleWrapper ------------------------------------------------------------------------------

StreamHandleWrapper::StreamHandleWrapper(int pluginID, AEGP_SuiteHandler* suites, AEGP_EffectRefH* effect,
                                         int paramIndex)
    : paramIndex_(paramIndex), pluginID_(pluginID), suites_(suites), stream_(nullptr) {
    A_Err err = suites_->StreamSuite2()->AEGP_GetNewEffectStreamByIndex(pluginID_, *effect, paramIndex_, &stream_);
    if (err) {
        stream_ = nullptr;
        throw static_cast<int>(err);
    }
}

StreamHandleWrapper::~StreamHandleWrapper() { disposeStream(); }

void StreamHandleWrapper::disposeStream() {
    if (stream_) suites_->StreamSuite2()->AEGP_DisposeStream(stream_);
    stream_ = nullptr;
}

A_Err StreamHandleWrapper::setDynamicFlag(unsigned int flag, unsigned char value) {
    return suites_->DynamicStreamSuite4()->AEGP_SetDynamicStreamFlag(stream_, static_cast<AEGP_DynStreamFlags>(flag),
                                                                     FALSE, value);
}

A_Err StreamHandleWrapper::copyToBuffer(int key, std::vector<char>* buffer, A_Time& time) {
    AEGP_StreamType type = AEGP_StreamType_NO_DATA;
    A_Err err = suites_->StreamSuite2()->AEGP_GetStreamType(stream_, &type);
    if (err) return err;
    // No data, or a handle that means something only in this process and only to its own parameter.
    if (type == AEGP_StreamType_NO_DATA || type == AEGP_StreamType_ARB) return A_Err(0);

    AEGP_StreamValue value{};
    err = suites_->StreamSuite2()->AEGP_GetNewStreamValue(pluginID_, stream_, AEGP_LTimeMode_CompTime, &time, TRUE,
                                                          &value);
    if (err) return err;
    const char* keyBytes = reinterpret_cast<const char*>(&key);
    buffer->insert(buffer->end(), keyBytes, keyBytes + sizeof(key));
    const char* valueBytes = reinterpret_cast<const char*>(&value.val);
    buffer->insert(buffer->end(), valueBytes, valueBytes + sizeof(value.val));
    suites_->StreamSuite2()->AEGP_DisposeStreamValue(&value);
    return A_Err(0);
}

// ---- StreamValueWrapper -------------------------------------------------------------------------------

StreamValueWrapper::StreamValueWrapper(int pluginID, AEGP_SuiteHandler* suites, AEGP_EffectRefH* effect,
                                       int paramIndex, A_Time& time, unsigned char preExpression)
    : StreamHandleWrapper(pluginID, suites, effect, paramIndex), value_{} {
    A_Err err = suites_->StreamSuite2()->AEGP_GetNewStreamValue(pluginID_, stream_, AEGP_LTimeMode_CompTime, &time,
                                                                preExpression, &value_);
    if (err) {
        // The fully built base is destroyed as the exception leaves; disposing here and clearing the
        // reference first makes the stream go back exactly once.
        disposeStream();
        throw static_cast<int>(err);
    }
}

StreamValueWrapper::~StreamValueWrapper() { suites_->StreamSuite2()->AEGP_DisposeStreamValue(&value_); }

A_Err StreamValueWrapper::updateValue() {
    return suites_->StreamSuite2()->AEGP_SetStreamValue(pluginID_, stream_, &value_);
}

// ---- LayerHandleWrapper -------------------------------------------------------------------------------

LayerHandleWrapper::LayerHandleWrapper(AEGP_SuiteHandler* suites, AEGP_CompH comp, int layerID)
    : suites_(suites), layer_(nullptr) {
    A_Err err = suites_->LayerSuite7()->AEGP_GetLayerFromLayerID(comp, layerID, &layer_);
    if (err) throw static_cast<int>(err);
}

A_Err LayerHandleWrapper::getLayerFlags(int* flags) {
    AEGP_LayerFlags value = 0;
    A_Err err = suites_->LayerSuite7()->AEGP_GetLayerFlags(layer_, &value);
    *flags = value;
    return err;
}

// ---- Camera, light and layer readers ----------------------------------------------------------------
// Each reader makes a host call only while no earlier one failed, and returns the first error; values
// are computed from whatever the out-variables hold, so a failed read still leaves a usable record.

namespace {

// The host's row-vector matrix (row 3 = translation) as a column-major float matrix: column c holds
// host row c, which is the transpose, so transforming a column vector equals the host's p * M.
glm::mat4 AeMatrixToGlm(A_Matrix4 m) {
    return glm::mat4((float)m.mat[0][0], (float)m.mat[0][1], (float)m.mat[0][2], (float)m.mat[0][3],
                     (float)m.mat[1][0], (float)m.mat[1][1], (float)m.mat[1][2], (float)m.mat[1][3],
                     (float)m.mat[2][0], (float)m.mat[2][1], (float)m.mat[2][2], (float)m.mat[2][3],
                     (float)m.mat[3][0], (float)m.mat[3][1], (float)m.mat[3][2], (float)m.mat[3][3]);
}

void storeMatrix(const glm::mat4& m, KFloat4x4* out) { std::memcpy(out, &m[0][0], sizeof(*out)); }

}  // namespace

A_Err EffectHandleWrapper::getCompLights(std::vector<LightData>& lights, AEGP_CompH comp, const A_Time* compTime) {
    A_Err err = 0;
    A_long n = 0;
    err = suites_->LayerSuite5()->AEGP_GetCompNumLayers(comp, &n);
    if (err || n == 0) return err;

    A_Boolean active = FALSE;
    AEGP_LayerH layer = nullptr;
    AEGP_ObjectType objectType = -1;
    for (A_long i = 0; i < n && !err; ++i) {
        err = suites_->LayerSuite5()->AEGP_GetCompLayerByIndex(comp, i, &layer);
        if (err || !layer) continue;
        // compTime is a composition time, so it is asked in composition-time mode: read as the light's
        // own time it would test the light at another moment whenever the light does not start at 0.
        err = suites_->LayerSuite5()->AEGP_IsVideoActive(layer, AEGP_LTimeMode_CompTime, compTime, &active);
        if (err || !active) continue;
        err = suites_->LayerSuite5()->AEGP_GetLayerObjectType(layer, &objectType);
        if (err || objectType != AEGP_ObjectType_LIGHT) continue;

        LightData light{};
        AEGP_LightType type = -1;
        err = suites_->LightSuite2()->AEGP_GetLightType(layer, &type);
        light.type = type;
        // One property of the light at composition time; zero once an earlier call has failed.
        auto property = [&](AEGP_LayerStream which) {
            AEGP_StreamVal value{};
            if (!err)
                err = suites_->StreamSuite1()->AEGP_GetLayerStreamValue(layer, which, AEGP_LTimeMode_CompTime,
                                                                        compTime, FALSE, &value, nullptr);
            return value;
        };
        light.intensity = (float)(property(AEGP_LayerStream_INTENSITY).one_d.value / 100.0);
        light.radius = (float)(property(AEGP_LayerStream_LIGHT_FALLOFF_START).one_d.value / 100.0);
        const AEGP_StreamVal color = property(AEGP_LayerStream_COLOR);
        light.color.x = (float)color.color.redF;
        light.color.y = (float)color.color.greenF;
        light.color.z = (float)color.color.blueF;
        A_Matrix4 m{};
        if (!err) err = suites_->LayerSuite5()->AEGP_GetLayerToWorldXform(layer, compTime, &m);
        storeMatrix(AeMatrixToGlm(m), &light.transform);
        if (!err) lights.push_back(light);
    }
    return err;
}

LayerHandleWrapper::LayerHandleWrapper(AEGP_SuiteHandler* suites, PF_ProgPtr effect_ref, const A_Time* compTime)
    : suites_(suites), layer_(nullptr) {
    // A failure means no camera: the default one is used.
    if (suites_->PFInterfaceSuite1()->AEGP_GetEffectCamera(effect_ref, compTime, &layer_)) layer_ = nullptr;
}

A_Err LayerHandleWrapper::getCameraData(CamData* cam, AEGP_CompH comp, const A_Time* compTime) {
    A_Err err = 0;
    A_FpLong zoom = 0.0;
    A_Matrix4 m{};
    A_long width = 0, height = 0;
    AEGP_ItemH item = nullptr;
    err = suites_->CompSuite10()->AEGP_GetItemFromComp(comp, &item);
    if (!err) err = suites_->ItemSuite8()->AEGP_GetItemDimensions(item, &width, &height);

    if (!layer_) {
        if (!err) err = suites_->CameraSuite2()->AEGP_GetDefaultCameraDistanceToImagePlane(comp, &zoom);
        for (int i = 0; i < 4; ++i) m.mat[i][i] = 1.0;
        m.mat[3][0] = width * 0.5;
        m.mat[3][1] = height * 0.5;
        m.mat[3][2] = -zoom;
    } else {
        AEGP_CameraType type = -1;
        if (!err) err = suites_->CameraSuite2()->AEGP_GetCameraType(layer_, &type);
        cam->camType = type == AEGP_CameraType_ORTHOGRAPHIC ? 1 : 0;
        AEGP_StreamVal value{};
        // Camera streams are read before expressions.
        if (!err)
            err = suites_->StreamSuite1()->AEGP_GetLayerStreamValue(layer_, AEGP_LayerStream_ZOOM,
                                                                    AEGP_LTimeMode_CompTime, compTime, TRUE, &value,
                                                                    nullptr);
        zoom = value.one_d.value;
        value = AEGP_StreamVal{};
        if (!err)
            err = suites_->StreamSuite1()->AEGP_GetLayerStreamValue(layer_, AEGP_LayerStream_APERTURE,
                                                                    AEGP_LTimeMode_CompTime, compTime, TRUE, &value,
                                                                    nullptr);
        cam->aperture = (float)value.one_d.value;
        value = AEGP_StreamVal{};
        if (!err)
            err = suites_->StreamSuite1()->AEGP_GetLayerStreamValue(layer_, AEGP_LayerStream_FOCUS_DISTANCE,
                                                                    AEGP_LTimeMode_CompTime, compTime, TRUE, &value,
                                                                    nullptr);
        cam->focusDistance = (float)value.one_d.value;
        if (!err) err = suites_->LayerSuite5()->AEGP_GetLayerToWorldXform(layer_, compTime, &m);
    }

    // The kernel looks along the camera's +z; the host's camera looks along its -z.
    const glm::mat4 flip(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1);
    storeMatrix(AeMatrixToGlm(m) * flip, &cam->view);
    cam->fov = (float)(2.0 * std::atan(((double)height / zoom) * 0.5));
    return err;
}

A_Err LayerHandleWrapper::getMatrix(glm::mat4* out, const A_Time* compTime) {
    A_Matrix4 m{};
    A_Err err = suites_->LayerSuite5()->AEGP_GetLayerToWorldXform(layer_, compTime, &m);
    *out = glm::inverse(AeMatrixToGlm(m));
    return err;
}

A_Err LayerHandleWrapper::getStreamValue(int stream, const A_Time* compTime, AEGP_StreamVal* value) {
    return suites_->StreamSuite1()->AEGP_GetLayerStreamValue(layer_, stream, AEGP_LTimeMode_CompTime, compTime, FALSE,
                                                             value, nullptr);
}
