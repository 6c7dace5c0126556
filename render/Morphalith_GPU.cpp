// Morphalith_GPU.cpp — pre-render, render and GPU device set-up.
// Scene assembly and the GPU paths come with the render issue; until then frames are not produced.
#include "Handlers.h"

PF_Err PreRender(PF_InData*, PF_OutData*, PF_PreRenderExtra*) { return PF_Err_NONE; }
PF_Err SmartRender(PF_InData*, PF_OutData*, PF_SmartRenderExtra*, bool) { return PF_Err_NONE; }
PF_Err GPUDeviceSetup(PF_InData*, PF_OutData*, PF_GPUDeviceSetupExtra*) { return PF_Err_NONE; }
PF_Err GPUDeviceSetdown(PF_InData*, PF_OutData*, PF_GPUDeviceSetdownExtra*) { return PF_Err_NONE; }
