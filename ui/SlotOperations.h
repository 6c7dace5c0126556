// SlotOperations.h — what the strip's buttons do to whole primitive slots: delete, duplicate, move up or
// down, copy to the clipboard and paste from it.
//
// A slot is its 99 parameters (their streams) and its sequence-data entry. Values move between slots
// stream by stream, by the stream's type: a parameter's definition (id, name, flags, the handle of an
// arbitrary-data parameter) stays with the parameter. Delete, Duplicate, Move and Paste are one undo
// step each; Copy changes nothing in the project.
#ifndef MORPHALITH_UI_SLOT_OPERATIONS_H
#define MORPHALITH_UI_SLOT_OPERATIONS_H

#include "AEGP_SuiteHandler.h"
#include "HandleWrappers.h"
#include "PF_Param.h"
#include "SequenceData.h"

// Every operation takes the slot it acts on (a used slot, 0 .. count - 1), the instance's sequence data,
// the plug-in's AEGP id, the command's suites, the effect, the composition time the values are read and
// written at, in_data and the parameter array (kept in step with the streams it writes). A host error
// stops the operation where it happens and is returned; the undo group it opened is closed.
PF_Err DoDeletePrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                         EffectHandleWrapper* effect, A_Time& compTime, PF_InData* in_data,
                         PF_ParamDef* params[]);
PF_Err DoDuplicatePrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                            EffectHandleWrapper* effect, A_Time& compTime, PF_InData* in_data,
                            PF_ParamDef* params[]);
PF_Err DoMovePrimitive(bool up, int slot, SequenceData* seq, AEGP_PluginID pluginId,
                       AEGP_SuiteHandler* suites, EffectHandleWrapper* effect, A_Time& compTime,
                       PF_InData* in_data, PF_ParamDef* params[]);
PF_Err DoCopyPrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                       EffectHandleWrapper* effect, A_Time& compTime, PF_InData* in_data,
                       PF_ParamDef* params[]);
PF_Err DoPastePrimitive(int slot, SequenceData* seq, AEGP_PluginID pluginId, AEGP_SuiteHandler* suites,
                        EffectHandleWrapper* effect, A_Time& compTime, PF_InData* in_data,
                        PF_ParamDef* params[]);

// Slot `dst` takes slot `src`'s sequence-data entry, then its values. Animated parameters of dst keep one
// static value: their keyframes are deleted (an undoable change), also where the values were equal.
PF_Err CopyParameters(int dst, int src, PF_InData* in_data, SequenceData* seq, AEGP_PluginID pluginId,
                      AEGP_SuiteHandler* suites, EffectHandleWrapper* effect, A_Time& compTime,
                      PF_ParamDef* params[]);

#endif  // MORPHALITH_UI_SLOT_OPERATIONS_H
