#include "HandleWrappers.h"

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
    if (type == AEGP_StreamType_NO_DATA) return A_Err(0);

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
