// ParamVisibility.h — the pass that brings the effect controls in line with the instance's sequence
// data: the Add button's count, which slots and size parameters are shown, their names, limits and
// enabled state, and the re-attachment of a slot whose null layer has gone.
//
// Run by UpdateParamsUI, after a parameter change (UserChangedParam) and after every slot operation.
#ifndef MORPHALITH_PARAMS_PARAM_VISIBILITY_H
#define MORPHALITH_PARAMS_PARAM_VISIBILITY_H

#include "AEGP_SuiteHandler.h"
#include "GlobalData.h"
#include "PF_Param.h"
#include "SequenceData.h"

// At most this many primitives are in use: slot 10 stays spare for the slot operations.
constexpr int kMaxPrimitives = kNumPrimitiveSlots - 1;

// The caller holds `seq` and `global` locked. Stateless: a second run with the same sequence data,
// values and layers changes nothing. Returns 0 or the first host error; a host error stops the pass
// at the parameter where it occurred.
PF_Err UpdateParamVisibility(PF_InData* in_data, PF_ParamDef** params, AEGP_SuiteHandler* suites,
                             SequenceData* seq, GlobalData* global);

// A slot is shown when it holds a type and lies within the count.
bool isSlotVisible(const SequenceData& seq, int slot);

// The live record is the instance's stored one: a count or type it cannot hold is repaired (and
// logged) before any handler reads it, so no value from a project can take an index past slot 10.
void keepSequenceDataSound(SequenceData* seq);

// The slot's type as the panel reads it: a value outside the table reads as None, never as a crash.
PrimitiveType slotType(const SequenceData& seq, int slot);

#endif  // MORPHALITH_PARAMS_PARAM_VISIBILITY_H
