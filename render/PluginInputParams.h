// PluginInputParams.h — the per-frame scene block that pre-render builds and the render dispatches,
// and the parameter readers that fill it.
#ifndef MORPHALITH_RENDER_PLUGIN_INPUT_PARAMS_H
#define MORPHALITH_RENDER_PLUGIN_INPUT_PARAMS_H

#include <glm/glm.hpp>

#include "Morphalith_Kernel_Data.h"
#include "PF_Param.h"
#include "PF_SmartRender.h"
#include "ParamID.h"

// One block per frame request, malloc'ed and zero-filled; the four arrays are new[]'ed. Once attached
// to the pre-render output it is the host's, which frees it through DisposePreRenderData.
struct PluginInputParams {
    glm::mat4 cameraView;  // copy of camera.view, for the debug header
    CamData camera;
    RenderData global;  // widthFactor and heightFactor are filled at dispatch
    PrimitiveData* primitives;
    MaterialData* materials;
    ModifiersData* modifiers;
    LightData* lights;
    int numPrimitives;
    int numLights;
    int environmentLayerId;  // the "Environment Map" layer at the frame's time, 0 for none
};

void DisposePreRenderData(void* block);

// One effect parameter checked out at the frame's time for the scope; a failed check-out reads as
// zeros (a zeroed definition).
class ParamScoper {
public:
    ParamScoper(PF_InData* in_data, int index);
    ~ParamScoper();
    ParamScoper(const ParamScoper&) = delete;
    ParamScoper& operator=(const ParamScoper&) = delete;

    PF_Err error() const { return err_; }
    int GetPopup() const { return def_.u.pd.value; }
    bool GetBool() const { return def_.u.bd.value != 0; }
    float GetFloat() const { return (float)def_.u.fs_d.value; }
    int GetInt() const { return (int)def_.u.fs_d.value; }
    KFloat3 GetRGB() const;
    float GetRotate() const;  // 16.16 fixed-point degrees to radians

private:
    PF_InData* in_data_;
    PF_ParamDef def_;
    PF_Err err_;
    bool checkedOut_;
};

// Three consecutive parameters (index, index + 1, index + 2); the error is the last check-out's.
class ParamScoper3D {
public:
    ParamScoper3D(PF_InData* in_data, int index);
    PF_Err error() const { return z_.error(); }
    KFloat3 GetThreeD() const;
    KFloat3 GetRotate() const;

private:
    ParamScoper x_, y_, z_;
};

template <typename T>
T getPrimitiveParam(PF_InData* in_data, int slot, PrimitiveParamType p, T (ParamScoper::*getter)() const,
                    float divisor);
template <>
bool getPrimitiveParam<bool>(PF_InData*, int, PrimitiveParamType, bool (ParamScoper::*)() const, float);
template <>
int getPrimitiveParam<int>(PF_InData*, int, PrimitiveParamType, int (ParamScoper::*)() const, float);
template <>
float getPrimitiveParam<float>(PF_InData*, int, PrimitiveParamType, float (ParamScoper::*)() const, float);
template <>
KFloat3 getPrimitiveParam<KFloat3>(PF_InData*, int, PrimitiveParamType, KFloat3 (ParamScoper::*)() const, float);

KFloat3 getPrimitive3DParam(PF_InData* in_data, int slot, PrimitiveParamType p,
                            KFloat3 (ParamScoper3D::*getter)() const);

// Rectangles of the host (left, top, right, bottom).
bool IsEmptyRect(const PF_LRect& r);
void UnionLRect(const PF_LRect* src, PF_LRect* dst);
bool IsEdgePixel(const PF_LRect& r, A_long x, A_long y);

#endif  // MORPHALITH_RENDER_PLUGIN_INPUT_PARAMS_H
