// DrawbotSession.h — how every custom drawing starts: the Drawbot suite set, the drawing reference of the
// event's window (through the custom-UI suite of the version the caller asks for), then its supplier and
// surface. The suite set goes back when the session ends, on every path out of the event.
#ifndef MORPHALITH_UI_DRAWBOT_SESSION_H
#define MORPHALITH_UI_DRAWBOT_SESSION_H

#include "AEFX_SuiteScoper.h"
#include "Drawbot.h"
#include "PF_Events.h"

class DrawbotSession {
public:
    DrawbotSession(PF_InData* in_data, PF_OutData* out_data, PF_EventExtra* extra, int32_t customUIVersion)
        : in_(in_data), out_(out_data) {
        err_ = acquireErr_ = AEFX_AcquireDrawbotSuites(in_, out_, &suites_);
        held_ = !err_;
        if (!err_ && extra) {
            void* ui = nullptr;
            err_ = AEFX_AcquireSuite(in_, out_, kPFEffectCustomUISuite, customUIVersion, nullptr, &ui);
            if (!err_ && ui) {
                // Both versions of the suite start with the same function.
                err_ = customUIVersion == kPFEffectCustomUISuiteVersion2
                           ? static_cast<PF_EffectCustomUISuite2*>(ui)->PF_GetDrawingReference(
                                 extra->contextH, &ref_)
                           : static_cast<PF_EffectCustomUISuite1*>(ui)->PF_GetDrawingReference(
                                 extra->contextH, &ref_);
                const PF_Err released =
                    AEFX_ReleaseSuite(in_, out_, kPFEffectCustomUISuite, customUIVersion, nullptr);
                if (!err_) err_ = released;
            }
        }
        if (!err_ && ref_) err_ = suites_.drawbot_suiteP->GetSupplier(ref_, &supplier_);
        if (!err_ && ref_) err_ = suites_.drawbot_suiteP->GetSurface(ref_, &surface_);
    }
    ~DrawbotSession() { release(); }
    DrawbotSession(const DrawbotSession&) = delete;
    DrawbotSession& operator=(const DrawbotSession&) = delete;

    // The error of the suite set's acquisition alone.
    PF_Err acquireError() const { return acquireErr_; }
    // The first error of the whole start.
    PF_Err error() const { return err_; }
    DRAWBOT_DrawRef reference() const { return ref_; }
    DRAWBOT_SupplierRef supplier() const { return supplier_; }
    DRAWBOT_SurfaceRef surface() const { return surface_; }
    DRAWBOT_Suites* suites() { return &suites_; }
    // Everything a drawing needs is there: nothing is drawn without a surface.
    bool canDraw() const { return !err_ && supplier_ && surface_; }

    // Gives the suite set back now (once); the release's answer.
    PF_Err release() {
        if (!held_) return PF_Err_NONE;
        held_ = false;
        return AEFX_ReleaseDrawbotSuites(in_, out_);
    }

private:
    PF_InData* in_;
    PF_OutData* out_;
    DRAWBOT_Suites suites_{};
    bool held_ = false;
    PF_Err acquireErr_ = PF_Err_NONE;
    PF_Err err_ = PF_Err_NONE;
    DRAWBOT_DrawRef ref_ = nullptr;
    DRAWBOT_SupplierRef supplier_ = nullptr;
    DRAWBOT_SurfaceRef surface_ = nullptr;
};

#endif  // MORPHALITH_UI_DRAWBOT_SESSION_H
