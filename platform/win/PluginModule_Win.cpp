#include "platform/win/PluginModule_Win.h"

#include "PF_Effect.h"

MRPH_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                              PF_LayerDef* output, void* extra);

HMODULE pluginModule = nullptr;

namespace {

// FROM_ADDRESS alone would add a reference on every call, and the module could never unload.
constexpr DWORD kModuleFromAddress = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
static_assert(kModuleFromAddress == 6);

HMODULE moduleContaining(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(kModuleFromAddress, static_cast<LPCSTR>(address), &module)) return nullptr;
    return module;
}

}  // namespace

HMODULE GetPluginModuleHandle() { return moduleContaining(reinterpret_cast<const void*>(&GetPluginModuleHandle)); }

void rememberPluginModule() { pluginModule = moduleContaining(reinterpret_cast<const void*>(&EffectMain)); }
