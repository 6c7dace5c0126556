#include "DrawbotHelpers.h"

#include <string>
#include <vector>

#include "AEFX_SuiteScoper.h"
#include "Utf16Text.h"
#include "Utilities.h"

namespace {

// What a helper answers when it is asked to draw with something the host never gave it.
constexpr int32_t kNothingToDrawWith = PF_Err_BAD_CALLBACK_PARAM;

DRAWBOT_ObjectRef asObject(const void* ref) {
    return reinterpret_cast<DRAWBOT_ObjectRef>(const_cast<void*>(ref));
}

// Gives one object back; null references were never made and are not given back.
int32_t release(DRAWBOT_Suites* suites, const void* ref) {
    return ref ? suites->supplier_suiteP->ReleaseObject(asObject(ref)) : 0;
}

// The code points as wide text: one unit each where wchar_t is 32 bits, UTF-16 where it is 16 bits.
std::wstring toWide(const std::vector<uint32_t>& points, size_t* utf16Units) {
    std::wstring wide;
    *utf16Units = 0;
    for (uint32_t cp : points) {
        *utf16Units += cp >= 0x10000 ? 2 : 1;
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            const uint32_t v = cp - 0x10000;
            wide.push_back(static_cast<wchar_t>(0xD800 + (v >> 10)));
            wide.push_back(static_cast<wchar_t>(0xDC00 + (v & 0x3FF)));
        } else {
            wide.push_back(static_cast<wchar_t>(cp));
        }
    }
    return wide;
}

}  // namespace

// ---- Free functions
// ----------------------------------------------------------------------------------------

PF_Err AcquireBackgroundColor(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_EventExtra*,
                              DRAWBOT_ColorRGBA* color) {
    void* suite = nullptr;
    PF_Err err = AEFX_AcquireSuite(in_data, out_data, kPFAppSuite, kPFAppSuiteVersion1, nullptr, &suite);
    if (err || !suite) return err;
    PF_App_Color background{};
    err = static_cast<PF_AppSuite1*>(suite)->PF_AppGetBgColor(&background);
    if (!err && color) *color = QDtoDRAWBOTColor(&background);
    const PF_Err released = AEFX_ReleaseSuite(in_data, out_data, kPFAppSuite, kPFAppSuiteVersion1, nullptr);
    return err ? err : released;
}

DRAWBOT_ColorRGBA QDtoDRAWBOTColor(const PF_App_Color* color) {
    constexpr float kScale = 1.5259022e-5f;  // 1 / 65535 in single precision
    return DRAWBOT_ColorRGBA{static_cast<float>(color->red) * kScale,
                             static_cast<float>(color->green) * kScale,
                             static_cast<float>(color->blue) * kScale, 1.0f};
}

std::unique_ptr<A_UTF16Char[]> convertStringToUTF16Char(const std::string& text) {
    size_t units = 0;
    const std::wstring wide = toWide(utf::decodeUtf8(text), &units);
    auto out = std::make_unique<A_UTF16Char[]>(units + 1);
    AEUtil::copyConvertStringLiteralIntoUTF16(wide.c_str(), out.get(), units + 1);
    out[units] = 0;
    return out;
}

// ---- UIFont
// -------------------------------------------------------------------------------------------------

UIFont::UIFont(DRAWBOT_ColorRGBA color, float size, DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier)
    : err_(0), size_(size), color_(color), font_(nullptr), brush_(nullptr), suites_(suites) {
    DRAWBOT_SupplierSuite1* s = suites_->supplier_suiteP;
    if (size_ == 0.0f) err_ = s->GetDefaultFontSize(supplier, &size_);
    if (!err_) err_ = s->NewDefaultFont(supplier, size_, &font_);
    if (!err_) err_ = s->NewBrush(supplier, &color_, &brush_);
}

UIFont::~UIFont() {
    // Both go back, whatever the other's release answered.
    const int32_t brushErr = release(suites_, brush_);
    const int32_t fontErr = release(suites_, font_);
    if (brushErr) err_ = brushErr;
    if (fontErr) err_ = fontErr;
}

// ---- UIStringDrawer
// ------------------------------------------------------------------------------------------

UIStringDrawer::UIStringDrawer(DRAWBOT_PointF32* origin, DRAWBOT_SurfaceRef surface, DRAWBOT_Suites suites)
    : origin_(origin), surface_(surface), suites_(suites), align_(kDRAWBOT_TextAlignment_Left) {}

int32_t UIStringDrawer::drawString(const std::string& text, UIFont& font, bool advance) {
    int32_t err = kNothingToDrawWith;
    if (surface_ && font.font() && font.brush()) {
        std::unique_ptr<A_UTF16Char[]> units = convertStringToUTF16Char(text);
        err = suites_.surface_suiteP->DrawString(surface_, font.brush(), font.font(), units.get(), origin_,
                                                 align_, kDRAWBOT_TextTruncation_None, 0.0f);
    }
    if (advance) origin_->y += font.size();
    return err;
}

int32_t UIStringDrawer::drawMultiLineString(const std::string& text, UIFont& font, bool advance) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (int32_t err = drawString(line, font, advance)) return err;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return 0;
}

// ---- Brush and pen
// --------------------------------------------------------------------------------------------

UIColoredBrush::UIColoredBrush(DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier, DRAWBOT_ColorRGBA color)
    : err_(0), color_(color), supplier_(supplier), brush_(nullptr), suites_(suites) {
    err_ = suites_->supplier_suiteP->NewBrush(supplier_, &color_, &brush_);
}

UIColoredBrush::~UIColoredBrush() {
    if (int32_t err = release(suites_, brush_)) err_ = err;
}

UIColoredPen::UIColoredPen(DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier, DRAWBOT_ColorRGBA color,
                           float width)
    : err_(0), suites_(suites), pen_(nullptr), color_(color) {
    err_ = suites_->supplier_suiteP->NewPen(supplier, &color_, width, &pen_);
}

UIColoredPen::~UIColoredPen() {
    if (int32_t err = release(suites_, pen_)) err_ = err;
}

// ---- UIPath
// ---------------------------------------------------------------------------------------------------

UIPath::UIPath(DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier, DRAWBOT_SurfaceRef surface)
    : err_(0), path_(nullptr), suites_(suites), surface_(surface), supplier_(supplier) {
    err_ = suites_->supplier_suiteP->NewPath(supplier_, &path_);
}

// The path held goes back whatever the last figure did.
UIPath::~UIPath() {
    release(suites_, path_);
}

int32_t UIPath::freshPath() {
    if (!surface_) return kNothingToDrawWith;
    DRAWBOT_PathRef fresh = nullptr;
    int32_t err = suites_->supplier_suiteP->NewPath(supplier_, &fresh);
    if (err || !fresh) {
        release(suites_, fresh);
        return err ? err : kNothingToDrawWith;
    }
    release(suites_, path_);
    path_ = fresh;
    return 0;
}

int32_t UIPath::stroke(UIColoredPen* pen) {
    if (!pen || !pen->pen()) return pen ? (pen->error() ? pen->error() : kNothingToDrawWith) : 0;
    return suites_->surface_suiteP->StrokePath(surface_, pen->pen(), path_);
}

int32_t UIPath::fill(UIColoredBrush* brush) {
    if (!brush || !brush->brush()) return brush ? (brush->error() ? brush->error() : kNothingToDrawWith) : 0;
    return suites_->surface_suiteP->FillPath(surface_, brush->brush(), path_, kDRAWBOT_FillType_Winding);
}

int32_t UIPath::drawRect(DRAWBOT_RectF32 rect, UIColoredPen* pen, UIColoredBrush* brush) {
    err_ = freshPath();
    if (!err_) err_ = suites_->path_suiteP->AddRect(path_, &rect);
    if (!err_ && pen) err_ = stroke(pen);
    if (!err_ && brush) err_ = fill(brush);
    return err_;
}

int32_t UIPath::DrawCrossIcon(UIColoredPen* pen, PF_Point centre, float size) {
    const float cx = static_cast<float>(centre.h), cy = static_cast<float>(centre.v), h = size / 2;
    DRAWBOT_PathSuite1* p = suites_->path_suiteP;
    int32_t err = freshPath();
    if (!err) err = p->MoveTo(path_, cx - h, cy - h);
    if (!err) err = p->LineTo(path_, cx + h, cy + h);
    if (!err) err = p->MoveTo(path_, cx + h, cy - h);
    if (!err) err = p->LineTo(path_, cx - h, cy + h);
    if (!err) err = stroke(pen);
    return err;
}

int32_t UIPath::DrawArrowIcon(UIColoredPen* pen, PF_Point centre, float size, bool up) {
    const float cx = static_cast<float>(centre.h), cy = static_cast<float>(centre.v), h = size / 2;
    const float top = cy - h;
    const float a = (top + size) - 0.2f * size;  // 0.8 of the way down
    const float b = top + 0.2f * size;
    const float tips = up ? a : b, middle = up ? b : a;
    DRAWBOT_PathSuite1* p = suites_->path_suiteP;
    int32_t err = freshPath();
    if (!err) err = p->MoveTo(path_, cx - h, tips);
    if (!err) err = p->LineTo(path_, cx, middle);
    if (!err) err = p->LineTo(path_, cx + h, tips);
    if (!err) err = stroke(pen);
    return err;
}

int32_t UIPath::DrawDuplicateIcon(UIColoredPen* pen, PF_Point centre, float size) {
    const float cx = static_cast<float>(centre.h), cy = static_cast<float>(centre.v);
    const float w = 0.75f * size, h = 0.5f * w, d = 0.5f * (size - w);
    const float left = cx - h - d, top = cy - h + d;
    const float armFrom = 1.0f - 0.6f, armTo = 1.0f + 0.6f;  // the plus sign: arms 0.6 h from its centre
    DRAWBOT_PathSuite1* p = suites_->path_suiteP;
    err_ = freshPath();
    const DRAWBOT_RectF32 front{left, top, w, w};
    if (!err_) err_ = p->AddRect(path_, &front);
    // The square behind, 2 units up whatever the size, seen only where the front one leaves it.
    if (!err_) err_ = p->MoveTo(path_, left + h, top);
    if (!err_) err_ = p->LineTo(path_, left + h, top - 2);
    if (!err_) err_ = p->LineTo(path_, left + h + w, top - 2);
    if (!err_) err_ = p->LineTo(path_, left + h + w, top - 2 + w);
    if (!err_) err_ = p->LineTo(path_, left + w, top - 2 + w);
    if (!err_) err_ = p->MoveTo(path_, left + h, top + armFrom * h);
    if (!err_) err_ = p->LineTo(path_, left + h, top + armTo * h);
    if (!err_) err_ = p->MoveTo(path_, left + armFrom * h, top + h);
    if (!err_) err_ = p->LineTo(path_, left + armTo * h, top + h);
    if (!err_) err_ = stroke(pen);
    return err_;
}

namespace {

// The copy and paste sheets share their place: the front sheet's left, top and width.
struct Sheet {
    float left, top, w;
};
Sheet sheetOf(PF_Point centre, float size) {
    const float w = 0.75f * size;
    return Sheet{static_cast<float>(centre.h) - 0.8f * w + 1.2f * (size - w),
                 static_cast<float>(centre.v) - 0.5f * w + 0.5f * (size - w), w};
}

// The open outline of the sheet behind, 2 units up.
int32_t backSheet(DRAWBOT_PathSuite1* p, DRAWBOT_PathRef path, const Sheet& s) {
    int32_t err = p->MoveTo(path, s.left + 0.8f * s.w, s.top);
    if (!err) err = p->LineTo(path, s.left + 0.8f * s.w, s.top - 2);
    if (!err) err = p->LineTo(path, s.left - 0.2f * s.w, s.top - 2);
    if (!err) err = p->LineTo(path, s.left - 0.2f * s.w, s.top - 2 + s.w);
    if (!err) err = p->LineTo(path, s.left, s.top - 2 + s.w);
    return err;
}

}  // namespace

int32_t UIPath::DrawCopyIcon(UIColoredPen* pen, PF_Point centre, float size) {
    const Sheet s = sheetOf(centre, size);
    DRAWBOT_PathSuite1* p = suites_->path_suiteP;
    err_ = freshPath();
    const DRAWBOT_RectF32 front{s.left, s.top, s.w, s.w};
    if (!err_) err_ = p->AddRect(path_, &front);
    if (!err_) err_ = backSheet(p, path_, s);
    for (float t : {0.25f, 0.5f, 0.75f}) {  // three lines of text on the front sheet
        if (!err_) err_ = p->MoveTo(path_, s.left + 0.25f * s.w, s.top + t * s.w);
        if (!err_) err_ = p->LineTo(path_, s.left + 0.75f * s.w, s.top + t * s.w);
    }
    if (!err_) err_ = stroke(pen);
    return err_;
}

int32_t UIPath::DrawPasteIcon(UIColoredPen* pen, UIColoredBrush* brush, PF_Point centre, float size) {
    const Sheet s = sheetOf(centre, size);
    DRAWBOT_PathSuite1* p = suites_->path_suiteP;
    err_ = freshPath();
    const DRAWBOT_RectF32 front{s.left, s.top, s.w, s.w};
    if (!err_) err_ = p->AddRect(path_, &front);
    if (!err_) err_ = fill(brush);
    if (!err_) err_ = freshPath();
    if (!err_) err_ = backSheet(p, path_, s);
    if (!err_) err_ = stroke(pen);
    return err_;
}
