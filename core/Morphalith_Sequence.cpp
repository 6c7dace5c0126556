// Morphalith_Sequence.cpp — per-instance sequence data.
// The slot table and its flat form arrive with the global state; until then an instance keeps none.
#include "Handlers.h"

PF_Err SequenceSetup(PF_InData*, PF_OutData*, PF_ParamDef*[]) { return PF_Err_NONE; }
PF_Err SequenceResetup(PF_InData*, PF_OutData*, PF_ParamDef*[]) { return PF_Err_NONE; }
PF_Err SequenceFlatten(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) { return PF_Err_NONE; }
PF_Err SequenceSetdown(PF_InData*, PF_OutData*, PF_ParamDef*[]) { return PF_Err_NONE; }
