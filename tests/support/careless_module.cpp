// A module that keeps what some commands take from the host, to show that the host notices: ABOUT
// keeps a suite, DO_DIALOG a handle lock; every other command gives back what it takes.
#include "PF_Effect.h"
#include "PF_Suites.h"
#include "SPBasic.h"

namespace {
PF_Handle g_handle = nullptr;
}

MRPH_EXPORT PF_Err CarelessMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*) {
    const void* table = nullptr;
    if (in_data->pica_basicP->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &table) != kSPNoError)
        return PF_Err_BAD_CALLBACK_PARAM;
    const auto* handles = static_cast<const PF_HandleSuite1*>(table);
    if (!g_handle) g_handle = handles->host_new_handle(8);
    handles->host_lock_handle(g_handle);
    if (cmd != PF_Cmd_DO_DIALOG) handles->host_unlock_handle(g_handle);
    if (cmd != PF_Cmd_ABOUT) in_data->pica_basicP->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
    return PF_Err_NONE;
}

MRPH_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB cb, SPBasicSuite*, const char*,
                                           const char*) {
    return PF_REGISTER_EFFECT(inPtr, cb, "Careless", "QVX_Careless", "Tests", "CarelessMain", MRPH_FOURCC('e', 'F', 'K', 'T'), 13, 28, 0);
}
