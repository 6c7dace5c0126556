// Which custom-UI handlers an event reaches, and what a failing draw handler stops.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EventRouting.h"

namespace {

std::string g_calls;
PF_Err g_drawResult = PF_Err_NONE;

PF_Err Comp(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) {
    g_calls += "comp ";
    return g_drawResult;
}
PF_Err About(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) {
    g_calls += "about ";
    return g_drawResult;
}
PF_Err Debug(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra*) {
    g_calls += "debug ";
    return g_drawResult;
}
PF_Err Strip(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, PF_EventExtra* extra) {
    g_calls += "strip";
    return extra->effect_win.index == 99 ? 7 : PF_Err_NONE;
}
const EventHandlers kRecording = {Comp, About, Debug, Strip};

struct RouteCase {
    const char* label;
    PF_EventType event;
    PF_WindowType window;
    A_long index;
    PF_Err drawResult;
    const char* calls;
    PF_Err result;
};
void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.label; }

class EventRoute : public ::testing::TestWithParam<RouteCase> {};

TEST_P(EventRoute, ReachesTheRightHandlers) {
    const RouteCase& c = GetParam();
    PF_ContextRecord context{};
    context.w_type = c.window;
    PF_ContextPtr contextP = &context;
    PF_EventExtra extra;
    std::memset(&extra, 0, sizeof(extra));
    extra.contextH = &contextP;
    extra.e_type = c.event;
    extra.effect_win.index = c.index;
    g_calls.clear();
    g_drawResult = c.drawResult;
    EXPECT_EQ(RouteEvent(kRecording, nullptr, nullptr, nullptr, nullptr, &extra), c.result);
    EXPECT_EQ(g_calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    HandleEvent, EventRoute,
    ::testing::Values(RouteCase{"CompDrawAnyIndex", PF_Event_DRAW, PF_Window_COMP, 1, 0, "comp strip", 0},
                      RouteCase{"LayerDrawIsCompHint", PF_Event_DRAW, PF_Window_LAYER, 2, 0, "comp strip", 0},
                      RouteCase{"AboutHeader", PF_Event_DRAW, PF_Window_EFFECT, 1, 0, "about strip", 0},
                      RouteCase{"DebugHeader", PF_Event_DRAW, PF_Window_EFFECT, 2, 0, "debug strip", 0},
                      RouteCase{"OtherIndexOnlyStrip", PF_Event_DRAW, PF_Window_EFFECT, 3, 0, "strip", 0},
                      RouteCase{"ClickOnlyStrip", PF_Event_DO_CLICK, PF_Window_EFFECT, 1, 0, "strip", 0},
                      RouteCase{"FailedDrawStops", PF_Event_DRAW, PF_Window_EFFECT, 1, 9, "about ", 9},
                      RouteCase{"StripErrorReturned", PF_Event_DO_CLICK, PF_Window_EFFECT, 99, 0, "strip", 7}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.label); });

TEST(HandleEvent, MissingEventRecordOrWindowIsRefused) {
    g_calls.clear();
    EXPECT_EQ(RouteEvent(kRecording, nullptr, nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    PF_EventExtra extra;
    std::memset(&extra, 0, sizeof(extra));
    extra.e_type = PF_Event_DRAW;
    EXPECT_EQ(RouteEvent(kRecording, nullptr, nullptr, nullptr, nullptr, &extra), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(g_calls, "");
}

}  // namespace
