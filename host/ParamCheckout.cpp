#include "host/ParamCheckout.h"

#include <atomic>
#include <cmath>

#include "host/Holdings.h"
#include "host/Host.h"

namespace host {

namespace {

std::atomic<int> g_open{0};

A_u_char toByte(double v) { return (A_u_char)std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255.0); }

// The value at what_time / time_scale in the effect's own (layer) time; the step only says how far
// apart the frames lie, and no value here depends on it.
PF_Err CheckoutParam(PF_ProgPtr effect_ref, A_long index, A_long what_time, A_long, A_u_long time_scale,
                     PF_ParamDef* param) {
    Host* host = Host::current();
    if (!host || !param) return PF_Err_BAD_CALLBACK_PARAM;
    if (A_Err err = host->hostCall("checkout_param")) return err;
    // The value of the instance the reference names.
    const std::vector<Stream>* streams = effect_ref ? host->streamsOf(effect_ref) : nullptr;
    if (!streams) return PF_Err_BAD_CALLBACK_PARAM;
    const DeclaredParam* declared = host->panel().find(index);
    if (!declared || index < 0 || index >= (A_long)streams->size()) return PF_Err_INVALID_INDEX;
    const Layer* effectLayer = host->project().findLayer(host->project().effectLayerId);
    if (time_scale == 0 || !effectLayer) return PF_Err_BAD_CALLBACK_PARAM;
    const double seconds = (double)what_time / (double)time_scale + effectLayer->startTime;
    Stream atTime = (*streams)[index];
    atTime.value = atTime.valueAt(seconds);
    *param = declared->def;
    definitionFromStream(atTime, param);
    g_open += 1;
    threadHoldings().paramCheckouts += 1;
    return PF_Err_NONE;
}

PF_Err CheckinParam(PF_ProgPtr, PF_ParamDef*) {
    Host* host = Host::current();
    if (!host) return PF_Err_BAD_CALLBACK_PARAM;
    if (A_Err err = host->hostCall("checkin_param")) return err;
    g_open -= 1;
    threadHoldings().paramCheckouts -= 1;
    return PF_Err_NONE;
}

}  // namespace

void installParamCheckout(PF_InteractCallbacks* callbacks) {
    callbacks->checkout_param = CheckoutParam;
    callbacks->checkin_param = CheckinParam;
}

int openParamCheckouts() { return g_open; }

Stream streamFromDefinition(const PF_ParamDef& def) {
    Stream stream;
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            stream.type = AEGP_StreamType_OneD;
            stream.value.one_d.value = def.u.fs_d.value;
            break;
        case PF_Param_CHECKBOX:
            stream.type = AEGP_StreamType_OneD;
            stream.value.one_d.value = def.u.bd.value;
            break;
        case PF_Param_POPUP:
            stream.type = AEGP_StreamType_OneD;
            stream.value.one_d.value = def.u.pd.value;
            break;
        case PF_Param_ANGLE:
            stream.type = AEGP_StreamType_OneD;
            stream.value.one_d.value = def.u.ad.value / 65536.0;
            break;
        case PF_Param_COLOR:
            stream.type = AEGP_StreamType_COLOR;
            stream.value.color = {def.u.cd.value.alpha / 255.0, def.u.cd.value.red / 255.0,
                                  def.u.cd.value.green / 255.0, def.u.cd.value.blue / 255.0};
            break;
        case PF_Param_LAYER: stream.type = AEGP_StreamType_LAYER_ID; break;
        case PF_Param_ARBITRARY_DATA: stream.type = AEGP_StreamType_ARB; break;
        default: stream.type = AEGP_StreamType_NO_DATA; break;
    }
    return stream;
}

void definitionFromStream(const Stream& stream, PF_ParamDef* def) {
    const AEGP_StreamVal& v = stream.value;
    switch (def->param_type) {
        case PF_Param_FLOAT_SLIDER: def->u.fs_d.value = v.one_d.value; break;
        case PF_Param_CHECKBOX: def->u.bd.value = v.one_d.value != 0.0 ? 1 : 0; break;
        case PF_Param_POPUP: def->u.pd.value = (A_long)v.one_d.value; break;
        case PF_Param_ANGLE: def->u.ad.value = (PF_Fixed)std::lround(v.one_d.value * 65536.0); break;
        case PF_Param_COLOR:
            def->u.cd.value = {toByte(v.color.alphaF), toByte(v.color.redF), toByte(v.color.greenF),
                               toByte(v.color.blueF)};
            break;
        default: break;
    }
}

}  // namespace host
