// HandleWrappers.h — owning wrappers around the host's AEGP references.
//
// Each gets its reference in the constructor and gives it back in the destructor, so every path,
// exceptions included, returns what it took. A failing constructor throws the host's error as an int
// and holds nothing. None of them owns the suite handler it is given.
#ifndef MORPHALITH_CORE_HANDLE_WRAPPERS_H
#define MORPHALITH_CORE_HANDLE_WRAPPERS_H

#include <vector>

#include <glm/glm.hpp>

#include "AEGP_SuiteHandler.h"
#include "Morphalith_Kernel_Data.h"

class EffectHandleWrapper {
public:
    EffectHandleWrapper(int pluginID, PF_InData* in_data, AEGP_SuiteHandler* suites);
    ~EffectHandleWrapper();
    EffectHandleWrapper(const EffectHandleWrapper&) = delete;
    EffectHandleWrapper& operator=(const EffectHandleWrapper&) = delete;

    AEGP_EffectRefH* get() { return &effect_; }
    // The effect's current time in composition time.
    A_Err getCompTime(A_Time* out);
    // The composition the effect's layer lives in; null when it cannot be found.
    AEGP_CompH getEffectCompHandle();
    // Appends one record per video-active light layer of comp, in layer order (top first).
    A_Err getCompLights(std::vector<LightData>& lights, AEGP_CompH comp, const A_Time* compTime);

private:
    AEGP_EffectRefH effect_;
    PF_InData* in_data_;
    AEGP_PluginID pluginID_;
    AEGP_SuiteHandler* suites_;
};

class StreamHandleWrapper {
public:
    StreamHandleWrapper(int pluginID, AEGP_SuiteHandler* suites, AEGP_EffectRefH* effect, int paramIndex);
    ~StreamHandleWrapper();
    StreamHandleWrapper(const StreamHandleWrapper&) = delete;
    StreamHandleWrapper& operator=(const StreamHandleWrapper&) = delete;

    AEGP_StreamRefH streamHandle() const { return stream_; }
    AEGP_SuiteHandler* suiteHandler() const { return suites_; }
    int paramIndex() const { return paramIndex_; }

    A_Err setDynamicFlag(unsigned int flag, unsigned char value);
    // Appends one clipboard record for this stream: the 4-byte key, then the 32-byte value. A stream
    // without data, or of arbitrary data (a handle), appends nothing.
    A_Err copyToBuffer(int key, std::vector<char>* buffer, A_Time& time);

protected:
    void disposeStream();

    int paramIndex_;
    AEGP_PluginID pluginID_;
    AEGP_SuiteHandler* suites_;
    AEGP_StreamRefH stream_;
};

class StreamValueWrapper : public StreamHandleWrapper {
public:
    StreamValueWrapper(int pluginID, AEGP_SuiteHandler* suites, AEGP_EffectRefH* effect, int paramIndex,
                       A_Time& time, unsigned char preExpression);
    ~StreamValueWrapper();

    AEGP_StreamValue* operator->() { return &value_; }
    // Writes the (changed) value back to the parameter.
    A_Err updateValue();

private:
    AEGP_StreamValue value_;
};

class LayerHandleWrapper {
public:
    LayerHandleWrapper(AEGP_SuiteHandler* suites, AEGP_CompH comp, int layerID);
    // The composition's active camera at compTime; no layer when there is none (the default camera).
    LayerHandleWrapper(AEGP_SuiteHandler* suites, PF_ProgPtr effect_ref, const A_Time* compTime);
    LayerHandleWrapper(const LayerHandleWrapper&) = delete;
    LayerHandleWrapper& operator=(const LayerHandleWrapper&) = delete;

    AEGP_LayerH get() const { return layer_; }
    A_Err getLayerFlags(int* flags);
    // fov and view always; camType, aperture and focusDistance only with a camera layer.
    A_Err getCameraData(CamData* cam, AEGP_CompH comp, const A_Time* compTime);
    // The layer's world-to-layer matrix.
    A_Err getMatrix(glm::mat4* out, const A_Time* compTime);
    A_Err getStreamValue(int stream, const A_Time* compTime, AEGP_StreamVal* value);

private:
    AEGP_SuiteHandler* suites_;
    AEGP_LayerH layer_;
};

#endif  // MORPHALITH_CORE_HANDLE_WRAPPERS_H
