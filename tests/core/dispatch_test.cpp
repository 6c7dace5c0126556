// Routing of host commands to handlers, and how failures become one error line and one code.
#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>

#include "CommandDispatch.h"
#include "Handlers.h"
#include "host/OutputCapture.h"

namespace {

// What the recording handlers saw.
struct Call {
    std::string handler;
    int gpu = -1;  // SmartRender's last argument, -1 for the other handlers
    void* extra = nullptr;
    int count = 0;
};
Call g_call;
PF_Err g_result = PF_Err_NONE;

PF_Err record(const char* name, void* extra = nullptr, int gpu = -1) {
    g_call.handler = name;
    g_call.gpu = gpu;
    g_call.extra = extra;
    g_call.count += 1;
    return g_result;
}

const CommandHandlers kRecording = {
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { return record("About"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { return record("GlobalSetup"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { return record("GlobalSetdown"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { return record("ParamsSetup"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**) { return record("SequenceSetup"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**) { return record("SequenceResetup"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { return record("SequenceFlatten"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**) { return record("SequenceSetdown"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, const PF_UserChangedParamExtra* e) {
        return record("UserChangedParam", const_cast<PF_UserChangedParamExtra*>(e));
    },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { return record("UpdateParamsUI"); },
    [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, PF_EventExtra* e) { return record("HandleEvent", e); },
    [](PF_InData*, PF_OutData*, PF_PreRenderExtra* e) { return record("PreRender", e); },
    [](PF_InData*, PF_OutData*, PF_SmartRenderExtra* e, bool gpu) { return record("SmartRender", e, gpu); },
    [](PF_InData*, PF_OutData*, PF_GPUDeviceSetupExtra* e) { return record("GPUDeviceSetup", e); },
    [](PF_InData*, PF_OutData*, PF_GPUDeviceSetdownExtra* e) { return record("GPUDeviceSetdown", e); },
};

struct Route {
    PF_Cmd cmd;
    const char* handler;  // "" for commands that do nothing
    int gpu;
    bool takesExtra;
};

const Route kRoutes[] = {
    {PF_Cmd_ABOUT, "About", -1, false},
    {PF_Cmd_GLOBAL_SETUP, "GlobalSetup", -1, false},
    {PF_Cmd_UNUSED_0, "", -1, false},
    {PF_Cmd_GLOBAL_SETDOWN, "GlobalSetdown", -1, false},
    {PF_Cmd_PARAMS_SETUP, "ParamsSetup", -1, false},
    {PF_Cmd_SEQUENCE_SETUP, "SequenceSetup", -1, false},
    {PF_Cmd_SEQUENCE_RESETUP, "SequenceResetup", -1, false},
    {PF_Cmd_SEQUENCE_FLATTEN, "SequenceFlatten", -1, false},
    {PF_Cmd_SEQUENCE_SETDOWN, "SequenceSetdown", -1, false},
    {PF_Cmd_DO_DIALOG, "", -1, false},
    {PF_Cmd_FRAME_SETUP, "", -1, false},
    {PF_Cmd_RENDER, "", -1, false},
    {PF_Cmd_FRAME_SETDOWN, "", -1, false},
    {PF_Cmd_USER_CHANGED_PARAM, "UserChangedParam", -1, true},
    {PF_Cmd_UPDATE_PARAMS_UI, "UpdateParamsUI", -1, false},
    {PF_Cmd_EVENT, "HandleEvent", -1, true},
    {PF_Cmd_GET_EXTERNAL_DEPENDENCIES, "", -1, false},
    {PF_Cmd_COMPLETELY_GENERAL, "", -1, false},
    {PF_Cmd_QUERY_DYNAMIC_FLAGS, "", -1, false},
    {PF_Cmd_AUDIO_RENDER, "", -1, false},
    {PF_Cmd_AUDIO_SETUP, "", -1, false},
    {PF_Cmd_AUDIO_SETDOWN, "", -1, false},
    {PF_Cmd_ARBITRARY_CALLBACK, "", -1, false},
    {PF_Cmd_SMART_PRE_RENDER, "PreRender", -1, true},
    {PF_Cmd_SMART_RENDER, "SmartRender", 0, true},
    {PF_Cmd_RESERVED1, "", -1, false},
    {PF_Cmd_RESERVED2, "", -1, false},
    {PF_Cmd_RESERVED3, "", -1, false},
    {PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, "", -1, false},
    {PF_Cmd_TRANSLATE_PARAMS_TO_PREFS, "", -1, false},
    {PF_Cmd_RESERVED4, "", -1, false},
    {PF_Cmd_SMART_RENDER_GPU, "SmartRender", 1, true},
    {PF_Cmd_GPU_DEVICE_SETUP, "GPUDeviceSetup", -1, true},
    {PF_Cmd_GPU_DEVICE_SETDOWN, "GPUDeviceSetdown", -1, true},
    {PF_Cmd_NUM_CMDS, "", -1, false},
    {35, "", -1, false},
    {-1, "", -1, false},
    {1000, "", -1, false},
};

class DispatchRoute : public ::testing::TestWithParam<Route> {};

TEST_P(DispatchRoute, ReachesItsHandlerOnlyAndLogsNothingOnSuccess) {
    const Route& route = GetParam();
    g_call = Call{};
    g_result = PF_Err_NONE;
    int extra = 0;
    host::OutputCapture console;
    PF_Err err = DispatchCommand(kRecording, route.cmd, nullptr, nullptr, nullptr, nullptr, &extra);
    EXPECT_EQ(console.finish(), "");
    EXPECT_EQ(err, PF_Err_NONE);
    if (*route.handler == '\0') {
        EXPECT_EQ(g_call.count, 0) << "command " << route.cmd << " reached " << g_call.handler;
        return;
    }
    EXPECT_EQ(g_call.count, 1);
    EXPECT_EQ(g_call.handler, route.handler);
    EXPECT_EQ(g_call.gpu, route.gpu);
    EXPECT_EQ(g_call.extra, route.takesExtra ? static_cast<void*>(&extra) : nullptr);
}

std::string RouteName(const ::testing::TestParamInfo<Route>& info) {
    PF_Cmd cmd = info.param.cmd;
    if (cmd < 0) return "Negative";
    if (cmd > PF_Cmd_NUM_CMDS) return "Beyond" + std::to_string(cmd);
    std::string name = CMD_NAMES[cmd].substr(std::string("PF_Cmd_").size());
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryCommandNumber, DispatchRoute, ::testing::ValuesIn(kRoutes), RouteName);

TEST(Dispatch, TheModuleTableNamesTheRealHandlers) {
    EXPECT_EQ(kEffectHandlers.about, &About);
    EXPECT_EQ(kEffectHandlers.globalSetup, &GlobalSetup);
    EXPECT_EQ(kEffectHandlers.globalSetdown, &GlobalSetdown);
    EXPECT_EQ(kEffectHandlers.paramsSetup, &ParamsSetup);
    EXPECT_EQ(kEffectHandlers.sequenceSetup, &SequenceSetup);
    EXPECT_EQ(kEffectHandlers.sequenceResetup, &SequenceResetup);
    EXPECT_EQ(kEffectHandlers.sequenceFlatten, &SequenceFlatten);
    EXPECT_EQ(kEffectHandlers.sequenceSetdown, &SequenceSetdown);
    EXPECT_EQ(kEffectHandlers.userChangedParam, &UserChangedParam);
    EXPECT_EQ(kEffectHandlers.updateParamsUI, &UpdateParamsUI);
    EXPECT_EQ(kEffectHandlers.handleEvent, &HandleEvent);
    EXPECT_EQ(kEffectHandlers.preRender, &PreRender);
    EXPECT_EQ(kEffectHandlers.smartRender, &SmartRender);
    EXPECT_EQ(kEffectHandlers.gpuDeviceSetup, &GPUDeviceSetup);
    EXPECT_EQ(kEffectHandlers.gpuDeviceSetdown, &GPUDeviceSetdown);
}

TEST(Dispatch, CommandNamesAreTheHostsInOrder) {
    EXPECT_EQ(CMD_NAMES[0], "PF_Cmd_ABOUT");
    EXPECT_EQ(CMD_NAMES[2], "PF_Cmd_UNUSED_0");
    EXPECT_EQ(CMD_NAMES[23], "PF_Cmd_SMART_PRE_RENDER");
    EXPECT_EQ(CMD_NAMES[28], "PF_Cmd_GET_FLATTENED_SEQUENCE_DATA");
    EXPECT_EQ(CMD_NAMES[31], "PF_Cmd_SMART_RENDER_GPU");
    EXPECT_EQ(CMD_NAMES[33], "PF_Cmd_GPU_DEVICE_SETDOWN");
    EXPECT_EQ(CMD_NAMES[34], "PF_Cmd_NUM_CMDS");
}

// ---- Failures ------------------------------------------------------------------------------------------

struct Failure {
    const char* name;
    PF_Cmd cmd;
    void (*behaviour)();  // throws, or sets g_result
    PF_Err expected;
    const char* text;  // the error line's text after " :: "
};

// The recording table with four handlers that first run `behaviour` (throw, or set the result).
void (*g_behaviour)() = nullptr;

CommandHandlers withFailingHandlers(void (*behaviour)()) {
    g_behaviour = behaviour;
    CommandHandlers h = kRecording;
    h.sequenceSetup = [](PF_InData*, PF_OutData*, PF_ParamDef**) {
        g_behaviour();
        return record("SequenceSetup");
    };
    h.updateParamsUI = [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
        g_behaviour();
        return record("UpdateParamsUI");
    };
    h.handleEvent = [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, PF_EventExtra*) {
        g_behaviour();
        return record("HandleEvent");
    };
    h.smartRender = [](PF_InData*, PF_OutData*, PF_SmartRenderExtra*, bool) {
        g_behaviour();
        return record("SmartRender");
    };
    return h;
}

const Failure kFailures[] = {
    {"ResultCode", PF_Cmd_SEQUENCE_SETUP, [] { g_result = PF_Err_OUT_OF_MEMORY; }, 4,
     "PF_Cmd_SEQUENCE_SETUP. Code: 4"},
    {"ThrownInt", PF_Cmd_UPDATE_PARAMS_UI, [] { throw 516; }, 516,
     "Try Catch Exception code at event PF_Cmd_UPDATE_PARAMS_UI is 516"},
    {"ThrownZero", PF_Cmd_UPDATE_PARAMS_UI, [] { throw 0; }, 0,
     "Try Catch Exception code at event PF_Cmd_UPDATE_PARAMS_UI is 0"},
    {"StandardException", PF_Cmd_EVENT, [] { throw std::runtime_error("broken pen"); }, 512,
     "Try Catch Exception at event PF_Cmd_EVENT:broken pen"},
    {"OtherType", PF_Cmd_SMART_RENDER_GPU, [] { throw std::string("odd"); }, 512,
     "Try Catch Uknown Exception at event PF_Cmd_SMART_RENDER_GPU"},
};

class DispatchFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(DispatchFailure, BecomesOneErrorLineAndTheHostsCode) {
    const Failure& f = GetParam();
    g_result = PF_Err_NONE;
    CommandHandlers handlers = withFailingHandlers(f.behaviour);
    host::OutputCapture console;
    PF_Err err = DispatchCommand(handlers, f.cmd, nullptr, nullptr, nullptr, nullptr, nullptr);
    std::string printed = console.finish();
    g_result = PF_Err_NONE;

    EXPECT_EQ(err, f.expected);
    // "[tag] : ERROR [Morphalith.cpp:<line>:EffectMain] :: <text>\n", once.
    std::regex line("^\\[[^\\]]*\\] : ERROR \\[Morphalith\\.cpp:[0-9]+:EffectMain\\] :: (.*)\n$");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(printed, match, line)) << printed;
    EXPECT_EQ(match[1].str(), f.text);
}

INSTANTIATE_TEST_SUITE_P(Handlers, DispatchFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

}  // namespace
