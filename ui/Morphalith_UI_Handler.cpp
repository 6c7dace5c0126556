// Morphalith_UI_Handler.cpp — the custom drawing of the About and Debug headers in the effect panel, and
// of the hint over the composition window.
#include <cmath>
#include <limits>
#include <string>

#include "AEGP_SuiteHandler.h"
#include "DrawbotHelpers.h"
#include "DrawbotSession.h"
#include "EffectUIEvents.h"
#include "GlobalData.h"
#include "ScopedHandleLock.h"
#include "Utilities.h"

namespace {

constexpr const char* kHintText = "Please select a 3D Null Layer to attach the primitive.";

// The custom-UI suite versions: the headers ask for the first, the hint for the second.
constexpr int32_t kHeaderCustomUIVersion = kPFEffectCustomUISuiteVersion1;
constexpr int32_t kHintCustomUIVersion = kPFEffectCustomUISuiteVersion2;

// Fonts, as (red, green, blue, alpha) and size.
constexpr DRAWBOT_ColorRGBA kVersionColor{0.0f, 0.0f, 0.0f, 0.8f};
constexpr DRAWBOT_ColorRGBA kLabelColor{0.2f, 1.0f, 0.2f, 0.8f};
constexpr DRAWBOT_ColorRGBA kValueColor{1.0f, 1.0f, 1.0f, 0.3f};
constexpr DRAWBOT_ColorRGBA kStatusColor{1.0f, 0.5f, 0.0f, 0.8f};
constexpr DRAWBOT_ColorRGBA kMessageColor{1.0f, 1.0f, 1.0f, 0.8f};
constexpr DRAWBOT_ColorRGBA kMatrixColor{0.2f, 1.0f, 0.2f, 0.8f};
constexpr DRAWBOT_ColorRGBA kHintColor{0.9f, 0.6f, 0.0f, 1.0f};
constexpr DRAWBOT_ColorRGBA kHintShadowColor{0.0f, 0.0f, 0.0f, 0.5f};
constexpr float kVersionSize = 12.0f, kLabelSize = 11.0f, kValueSize = 10.0f;
constexpr float kStatusSize = 11.0f, kMessageSize = 12.0f, kMatrixSize = 11.0f;
constexpr float kHintSize = 15.0f, kHintMargin = 3.0f;

DRAWBOT_ObjectRef asObject(DRAWBOT_ImageRef image) {
    return reinterpret_cast<DRAWBOT_ObjectRef>(image);
}

// The layer's top-left corner, x and y unit vectors, mapped to the window: first from layer to
// composition (composition window only), then from the window's source to its frame.
DRAWBOT_MatrixF32 getLayer2FrameXform(PF_InData* in_data, PF_EventExtra* extra) {
    PF_FixedPoint points[3] = {{0, 0}, {65536, 0}, {0, 65536}};
    const PF_EventCallbacks& cbs = extra->cbs;
    if ((*extra->contextH)->w_type == PF_Window_COMP && cbs.layer_to_comp)
        for (PF_FixedPoint& p : points)
            cbs.layer_to_comp(cbs.refcon, extra->contextH, in_data->current_time,
                              static_cast<A_long>(in_data->time_scale), &p);
    if (cbs.source_to_frame)
        for (PF_FixedPoint& p : points) cbs.source_to_frame(cbs.refcon, extra->contextH, &p);

    auto fixed = [](PF_Fixed v) { return static_cast<double>(v) / 65536.0; };
    DRAWBOT_MatrixF32 m{};
    m.mat[0][0] = static_cast<float>(fixed(points[1].x) - fixed(points[0].x));
    m.mat[0][1] = static_cast<float>(fixed(points[1].y) - fixed(points[0].y));
    m.mat[1][0] = static_cast<float>(fixed(points[2].x) - fixed(points[0].x));
    m.mat[1][1] = static_cast<float>(fixed(points[2].y) - fixed(points[0].y));
    m.mat[2][0] = static_cast<float>(fixed(points[0].x));
    m.mat[2][1] = static_cast<float>(fixed(points[0].y));
    return m;
}

// A length in pixels as the clip rectangle's integer, truncated; what no integer holds is cut to fit.
int32_t clipExtent(double pixels) {
    if (!(pixels > 0.0)) return 0;
    if (pixels >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(pixels);
}

}  // namespace

PF_Err DrawAboutEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*,
                      PF_EventExtra* extra) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    DrawbotSession drawbot(in_data, out_data, extra, kHeaderCustomUIVersion);
    if (!drawbot.reference()) return drawbot.error();  // the host gave nothing to draw on
    PF_Err err = drawbot.error();

    ScopedHandleLock<GlobalData> globalLock(suites.HandleSuite1(), in_data->global_data);
    const GlobalData* global = globalLock.get();
    if (drawbot.canDraw() && global) {
        DRAWBOT_Suites* db = drawbot.suites();
        const CachedImage* image = global->aboutImage.get();
        const int32_t width = image ? image->width : 0, height = image ? image->height : 0;
        const PF_Rect& frame = extra->effect_win.current_frame;
        const A_long left = frame.left, top = frame.top;

        // The picture, copied by the host while its pixels are locked.
        DRAWBOT_ImageRef picture = nullptr;
        if (image && image->pixels) {
            PF_HandleSuite1* handles = suites.HandleSuite1();
            if (const void* pixels = handles->host_lock_handle(image->pixels)) {
                err = db->supplier_suiteP->NewImageFromBuffer(drawbot.supplier(), width, height,
                                                              image->channels * width, image->layout, pixels,
                                                              &picture);
                handles->host_unlock_handle(image->pixels);
            }
        }
        DRAWBOT_PointF32 origin{static_cast<float>(left), static_cast<float>(top)};
        if (!err && picture) err = db->surface_suiteP->DrawImage(drawbot.surface(), picture, &origin, 1.0f);

        {
            UIStringDrawer drawer(&origin, drawbot.surface(), *db);
            UIFont versionFont(kVersionColor, kVersionSize, db, drawbot.supplier());
            UIFont labelFont(kLabelColor, kLabelSize, db, drawbot.supplier());
            UIFont valueFont(kValueColor, kValueSize, db, drawbot.supplier());

            // The version, centred over the picture's lower edge.
            drawer.setOrigin({static_cast<float>(left + width / 2), static_cast<float>(top + height - 5)});
            drawer.setAlign(kDRAWBOT_TextAlignment_Center);
            if (!err) err = drawer.drawString(getVersionString(true, true), versionFont, true);

            // One row below the picture: the host, the system and the GPU. Drawn whatever came before.
            drawer.setAlign(kDRAWBOT_TextAlignment_Left);
            drawer.setOrigin(
                {static_cast<float>(left), static_cast<float>(top + height) + versionFont.size() + 2.0f});
            const SystemInfo none{};
            const SystemInfo& system = global->systemInfo ? *global->systemInfo : none;
            drawer.drawString("AE:", labelFont, false);
            origin.x += 18;
            drawer.drawString(system.hostVersion, valueFont, false);
            origin.x += 50;
            drawer.drawString("OS:", labelFont, false);
            origin.x += 18;
            drawer.drawString(system.osVersion, valueFont, false);
            origin.x += 50;
            drawer.drawString("GPU:", labelFont, false);
            origin.x += 26;
            drawer.drawString(system.gpuName, valueFont, true);
        }

        // Only an image that was made goes back.
        if (picture) {
            const PF_Err released = db->supplier_suiteP->ReleaseObject(asObject(picture));
            if (!err) err = released;
        }
    }
    const PF_Err released = drawbot.release();
    if (!err) err = released;
    extra->evt_out_flags = PF_EO_HANDLED_EVENT;
    return err;
}

PF_Err DrawDebugEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*,
                      PF_EventExtra* extra) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    DrawbotSession drawbot(in_data, out_data, extra, kHeaderCustomUIVersion);
    if (!drawbot.reference()) return drawbot.error();
    PF_Err err = drawbot.error();

    ScopedHandleLock<GlobalData> globalLock(suites.HandleSuite1(), in_data->global_data);
    const GlobalData* global = globalLock.get();
    if (drawbot.canDraw() && global && global->sceneInfo) {
        DRAWBOT_Suites* db = drawbot.suites();
        const SceneInfo& scene = *global->sceneInfo;
        const PF_Rect& frame = extra->effect_win.current_frame;
        DRAWBOT_PointF32 origin{static_cast<float>(frame.left), static_cast<float>(frame.top) + 10.0f};
        UIStringDrawer drawer(&origin, drawbot.surface(), *db);
        UIFont statusFont(kStatusColor, kStatusSize, db, drawbot.supplier());
        UIFont messageFont(kMessageColor, kMessageSize, db, drawbot.supplier());
        UIFont matrixFont(kMatrixColor, kMatrixSize, db, drawbot.supplier());

        if (scene.details.empty()) {
            // No compile message: the camera's view matrix of the latest frame, drawn whatever it returns.
            drawer.drawString("Matrix:", matrixFont, true);
            drawer.drawMultiLineString(to_string(scene.matrix), matrixFont, true);
        } else {
            if (!err) err = drawer.drawString(scene.status + ":", statusFont, true);
            origin.y += 2.0f;
            const std::string text = wrap_string(scene.details, 50, true);
            if (!err) err = drawer.drawMultiLineString(text, messageFont, true);
        }
    }
    const PF_Err released = drawbot.release();
    if (!err) err = released;
    extra->evt_out_flags = PF_EO_HANDLED_EVENT;
    return err;
}

PF_Err DrawCompUIEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*,
                       PF_EventExtra* extra) {
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    DrawbotSession drawbot(in_data, out_data, extra, kHintCustomUIVersion);
    if (drawbot.acquireError()) return drawbot.acquireError();
    if (!drawbot.reference()) return drawbot.error();
    PF_Err err = drawbot.error();

    ScopedHandleLock<GlobalData> globalLock(suites.HandleSuite1(), in_data->global_data);
    const GlobalData* global = globalLock.get();
    if (!drawbot.canDraw() || !global) return err;

    DRAWBOT_Suites* db = drawbot.suites();
    DRAWBOT_SurfaceRef surface = drawbot.surface();
    DRAWBOT_PointF32 origin{kHintMargin, kHintMargin};
    UIStringDrawer drawer(&origin, surface, *db);
    UIFont textFont(kHintColor, kHintSize, db, drawbot.supplier());
    UIFont shadowFont(kHintShadowColor, kHintSize, db, drawbot.supplier());

    // One unit of the space drawn in is one pixel of the window, oriented like the layer, with its origin
    // at the layer's top-left corner: the scale of the viewer comes out of the matrix.
    DRAWBOT_MatrixF32 m = getLayer2FrameXform(in_data, extra);
    const double scale = suites.ANSICallbacksSuite1()->hypot(m.mat[0][0], m.mat[0][1]);
    // A degenerate view (the layer scaled to nothing, or a broken mapping) has nowhere to show the hint.
    if (!(scale > 0.0) || !std::isfinite(scale)) return err;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) m.mat[r][c] = static_cast<float>(m.mat[r][c] / scale);
    const DRAWBOT_Rect32 clip{0, 0, clipExtent(in_data->width * scale), clipExtent(in_data->height * scale)};

    // Two states: the one the transform goes into, and one more for the clip; as many pops as pushes.
    int pushed = 0;
    if (!err && !(err = db->surface_suiteP->PushStateStack(surface))) ++pushed;
    if (!err) err = db->surface_suiteP->Transform(surface, &m);
    if (!err && !(err = db->surface_suiteP->PushStateStack(surface))) ++pushed;
    if (!err) {
        suites.SurfaceSuiteCurrent()->Clip(surface, drawbot.supplier(), &clip);
        if (global->sceneInfo && (global->sceneInfo->flags & 1u)) {
            origin.y += textFont.size();
            origin.x += -1.0f;
            origin.y += 1.0f;
            drawer.drawString(kHintText, shadowFont, false);
            origin.x -= -1.0f;
            origin.y -= 1.0f;
            drawer.drawString(kHintText, textFont, false);
        }
    }
    for (; pushed > 0; --pushed) {
        const PF_Err popped = db->surface_suiteP->PopStateStack(surface);
        if (!err) err = popped;
    }
    return err;
}
