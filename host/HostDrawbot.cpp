#include "host/HostDrawbot.h"

#include <algorithm>
#include <cmath>

#include "host/Host.h"
#include "host/SuiteRegistry.h"
#include "Utf16Text.h"

namespace host {

// ---- Canvas and the object registry ---------------------------------------------------------------------

Canvas::Canvas(PF_WindowType type, int width, int height)
    : recordPtr_(&record_), width_(width), height_(height) {
    record_.magic = 0x4354584D;  // any value: the module does not read it
    record_.w_type = type;
}

void Drawbot::attach(Canvas* canvas) {
    if (std::find(canvases_.begin(), canvases_.end(), canvas) == canvases_.end()) canvases_.push_back(canvas);
}

void Drawbot::detach(Canvas* canvas) {
    canvases_.erase(std::remove(canvases_.begin(), canvases_.end(), canvas), canvases_.end());
}

Canvas* Drawbot::byContext(PF_ContextH context) const {
    for (Canvas* c : canvases_)
        if (c->context() == context) return c;
    return nullptr;
}
Canvas* Drawbot::byDrawRef(DRAWBOT_DrawRef ref) const {
    for (Canvas* c : canvases_)
        if (c->drawRef() == ref) return c;
    return nullptr;
}
Canvas* Drawbot::bySupplier(DRAWBOT_SupplierRef ref) const {
    for (Canvas* c : canvases_)
        if (c->supplier() == ref) return c;
    return nullptr;
}
Canvas* Drawbot::bySurface(DRAWBOT_SurfaceRef ref) const {
    for (Canvas* c : canvases_)
        if (c->surface() == ref) return c;
    return nullptr;
}

void* Drawbot::make(Object object) {
    auto owned = std::make_unique<Object>(std::move(object));
    void* ref = owned.get();
    objects_[ref] = std::move(owned);
    made += 1;
    return ref;
}

Drawbot::Object* Drawbot::find(const void* ref, Object::Kind kind) {
    auto it = objects_.find(ref);
    return it != objects_.end() && it->second->kind == kind ? it->second.get() : nullptr;
}

bool Drawbot::release(const void* ref) {
    if (!objects_.erase(ref)) {
        badReleases += 1;
        return false;
    }
    released += 1;
    return true;
}

namespace {
DrawOp opOf(DrawOp::Kind kind) {
    DrawOp op;
    op.kind = kind;
    return op;
}
}  // namespace

void Drawbot::endEvent() {
    for (Canvas* c : canvases_) {
        c->leftPushed += c->depth;
        for (; c->depth > 0; --c->depth) c->ops.push_back(opOf(DrawOp::PopState));
    }
}

namespace {

Drawbot& drawbot() {
    return Host::current()->ui().drawbot();
}
A_Err call(const char* name) {
    return Host::current()->hostCall(name);
}

// A call the host cannot take: counted, and answered with an error.
SPErr refuse() {
    drawbot().refusedCalls += 1;
    return PF_Err_BAD_CALLBACK_PARAM;
}

bool finite(float v) {
    return std::isfinite(v);
}

DrawColor colorOf(const DRAWBOT_ColorRGBA* c) {
    return DrawColor{c->red, c->green, c->blue, c->alpha};
}
bool validColor(const DRAWBOT_ColorRGBA* c) {
    return c && finite(c->red) && finite(c->green) && finite(c->blue) && finite(c->alpha);
}

// The longest text the host takes in one call, in UTF-16 units.
constexpr size_t kLongestText = 4096;

// Zero-terminated UTF-16 as UTF-8; false when no terminator comes within the limit.
bool readText(const DRAWBOT_UTF16Char* units, std::string* out) {
    return utf::utf16ToUtf8(units, kLongestText, out);
}

// ---- Draw suite
// --------------------------------------------------------------------------------------------

SPErr GetSupplier(DRAWBOT_DrawRef ref, DRAWBOT_SupplierRef* out) {
    if (out) *out = nullptr;
    if (A_Err err = call("DRAWBOT_GetSupplier")) return err;
    Canvas* canvas = drawbot().byDrawRef(ref);
    if (!canvas || !out) return refuse();
    *out = canvas->supplier();
    return 0;
}

SPErr GetSurface(DRAWBOT_DrawRef ref, DRAWBOT_SurfaceRef* out) {
    if (out) *out = nullptr;
    if (A_Err err = call("DRAWBOT_GetSurface")) return err;
    Canvas* canvas = drawbot().byDrawRef(ref);
    if (!canvas || !out) return refuse();
    *out = canvas->surface();
    return 0;
}

// ---- Supplier suite
// ----------------------------------------------------------------------------------------

template <typename Ref>
SPErr makeObject(const char* name, DRAWBOT_SupplierRef supplier, Ref* out, Drawbot::Object object,
                 bool valid) {
    if (out) *out = nullptr;
    if (A_Err err = call(name)) return err;
    if (!drawbot().bySupplier(supplier) || !out || !valid) return refuse();
    *out = static_cast<Ref>(drawbot().make(std::move(object)));
    return 0;
}

SPErr NewPen(DRAWBOT_SupplierRef supplier, const DRAWBOT_ColorRGBA* color, float size, DRAWBOT_PenRef* out) {
    const bool valid = validColor(color) && finite(size) && size >= 0;
    Drawbot::Object pen{Drawbot::Object::Pen, valid ? colorOf(color) : DrawColor{}, size, {}, nullptr};
    return makeObject("DRAWBOT_NewPen", supplier, out, pen, valid);
}

SPErr NewBrush(DRAWBOT_SupplierRef supplier, const DRAWBOT_ColorRGBA* color, DRAWBOT_BrushRef* out) {
    const bool valid = validColor(color);
    Drawbot::Object brush{Drawbot::Object::Brush, valid ? colorOf(color) : DrawColor{}, 0, {}, nullptr};
    return makeObject("DRAWBOT_NewBrush", supplier, out, brush, valid);
}

SPErr GetDefaultFontSize(DRAWBOT_SupplierRef supplier, float* out) {
    if (A_Err err = call("DRAWBOT_GetDefaultFontSize")) return err;
    if (!drawbot().bySupplier(supplier) || !out) return refuse();
    *out = drawbot().defaultFontSize;
    return 0;
}

SPErr NewDefaultFont(DRAWBOT_SupplierRef supplier, float size, DRAWBOT_FontRef* out) {
    const bool valid = finite(size) && size > 0;
    return makeObject("DRAWBOT_NewDefaultFont", supplier, out,
                      Drawbot::Object{Drawbot::Object::Font, {}, size, {}, nullptr}, valid);
}

// Bytes per pixel of a layout, and where its red, green, blue and alpha lie (-1: no alpha).
struct Layout {
    int bytes, r, g, b, a;
    bool premultiplied;
};
bool layoutOf(DRAWBOT_PixelLayout layout, Layout* out) {
    switch (layout) {
        case kDRAWBOT_PixelLayout_24RGB:
            *out = {3, 0, 1, 2, -1, false};
            return true;
        case kDRAWBOT_PixelLayout_24BGR:
            *out = {3, 2, 1, 0, -1, false};
            return true;
        case kDRAWBOT_PixelLayout_32RGB:
            *out = {4, 0, 1, 2, -1, false};
            return true;
        case kDRAWBOT_PixelLayout_32BGR:
            *out = {4, 2, 1, 0, -1, false};
            return true;
        case kDRAWBOT_PixelLayout_32ARGB_Straight:
            *out = {4, 1, 2, 3, 0, false};
            return true;
        case kDRAWBOT_PixelLayout_32ARGB_Premul:
            *out = {4, 1, 2, 3, 0, true};
            return true;
        case kDRAWBOT_PixelLayout_32BGRA_Straight:
            *out = {4, 2, 1, 0, 3, false};
            return true;
        case kDRAWBOT_PixelLayout_32BGRA_Premul:
            *out = {4, 2, 1, 0, 3, true};
            return true;
        default:
            return false;
    }
}

SPErr NewImageFromBuffer(DRAWBOT_SupplierRef supplier, int32_t width, int32_t height, int32_t rowBytes,
                         DRAWBOT_PixelLayout pixelLayout, const void* data, DRAWBOT_ImageRef* out) {
    if (out) *out = nullptr;
    if (A_Err err = call("DRAWBOT_NewImageFromBuffer")) return err;
    Layout layout{};
    constexpr int32_t kLargest = 16384;
    if (!drawbot().bySupplier(supplier) || !out || !data || !layoutOf(pixelLayout, &layout) || width <= 0 ||
        height <= 0 || width > kLargest || height > kLargest ||
        static_cast<int64_t>(rowBytes) < static_cast<int64_t>(width) * layout.bytes)
        return refuse();
    auto image = std::make_shared<DrawImage>();
    image->width = width;
    image->height = height;
    image->rgba.resize(static_cast<size_t>(width) * height * 4);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bytes + static_cast<size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + static_cast<size_t>(x) * layout.bytes;
            unsigned char* q = &image->rgba[(static_cast<size_t>(y) * width + x) * 4];
            const int alpha = layout.a >= 0 ? p[layout.a] : 255;
            const int channels[3] = {p[layout.r], p[layout.g], p[layout.b]};
            for (int c = 0; c < 3; ++c) {
                int v = channels[c];
                if (layout.premultiplied) v = alpha ? std::min(255, (v * 255 + alpha / 2) / alpha) : 0;
                q[c] = static_cast<unsigned char>(v);
            }
            q[3] = static_cast<unsigned char>(alpha);
        }
    }
    Drawbot::Object object{Drawbot::Object::Image, {}, 0, {}, std::move(image)};
    *out = static_cast<DRAWBOT_ImageRef>(drawbot().make(std::move(object)));
    return 0;
}

SPErr NewPath(DRAWBOT_SupplierRef supplier, DRAWBOT_PathRef* out) {
    return makeObject("DRAWBOT_NewPath", supplier, out,
                      Drawbot::Object{Drawbot::Object::Path, {}, 0, {}, nullptr}, true);
}

SPErr ReleaseObject(DRAWBOT_ObjectRef ref) {
    if (A_Err err = call("DRAWBOT_ReleaseObject")) return err;
    return drawbot().release(ref) ? 0 : refuse();
}

// ---- Surface suite
// -----------------------------------------------------------------------------------------

Canvas* surfaceOf(DRAWBOT_SurfaceRef surface) {
    return drawbot().bySurface(surface);
}

SPErr PushStateStack(DRAWBOT_SurfaceRef surface) {
    if (A_Err err = call("DRAWBOT_PushStateStack")) return err;
    Canvas* canvas = surfaceOf(surface);
    if (!canvas) return refuse();
    canvas->depth += 1;
    canvas->ops.push_back(opOf(DrawOp::PushState));
    return 0;
}

SPErr PopStateStack(DRAWBOT_SurfaceRef surface) {
    if (A_Err err = call("DRAWBOT_PopStateStack")) return err;
    Canvas* canvas = surfaceOf(surface);
    if (!canvas || canvas->depth == 0) return refuse();  // nothing of the module's own to pop
    canvas->depth -= 1;
    canvas->ops.push_back(opOf(DrawOp::PopState));
    return 0;
}

SPErr Clip(DRAWBOT_SurfaceRef surface, DRAWBOT_SupplierRef supplier, const DRAWBOT_Rect32* rect) {
    if (A_Err err = call("DRAWBOT_Clip")) return err;
    Canvas* canvas = surfaceOf(surface);
    if (!canvas || drawbot().bySupplier(supplier) != canvas || !rect || rect->width < 0 || rect->height < 0)
        return refuse();
    DrawOp op = opOf(DrawOp::Clip);
    op.clip = *rect;
    canvas->ops.push_back(op);
    return 0;
}

SPErr Transform(DRAWBOT_SurfaceRef surface, const DRAWBOT_MatrixF32* matrix) {
    if (A_Err err = call("DRAWBOT_Transform")) return err;
    Canvas* canvas = surfaceOf(surface);
    if (!canvas || !matrix) return refuse();
    const auto& m = matrix->mat;
    // Only the affine part counts; it must map the plane onto the plane.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            if (!finite(m[r][c])) return refuse();
    const double det = static_cast<double>(m[0][0]) * m[1][1] - static_cast<double>(m[0][1]) * m[1][0];
    if (!(std::fabs(det) > 1e-12)) return refuse();
    DrawOp op = opOf(DrawOp::Transform);
    op.matrix = *matrix;
    canvas->ops.push_back(op);
    return 0;
}

SPErr DrawString(DRAWBOT_SurfaceRef surface, DRAWBOT_BrushRef brush, DRAWBOT_FontRef font,
                 const DRAWBOT_UTF16Char* string, const DRAWBOT_PointF32* origin,
                 DRAWBOT_TextAlignment alignment, DRAWBOT_TextTruncation truncation, float truncationWidth) {
    if (A_Err err = call("DRAWBOT_DrawString")) return err;
    Canvas* canvas = surfaceOf(surface);
    const Drawbot::Object* b = drawbot().find(brush, Drawbot::Object::Brush);
    const Drawbot::Object* f = drawbot().find(font, Drawbot::Object::Font);
    if (!canvas || !b || !f || !string || !origin || !finite(origin->x) || !finite(origin->y) ||
        alignment < kDRAWBOT_TextAlignment_Left || alignment > kDRAWBOT_TextAlignment_Right ||
        truncation < kDRAWBOT_TextTruncation_None || truncation > kDRAWBOT_TextTruncation_EndEllipsis ||
        !finite(truncationWidth))
        return refuse();
    DrawOp op = opOf(DrawOp::Text);
    if (!readText(string, &op.text)) return refuse();
    op.color = b->color;
    op.fontSize = f->size;
    op.x = origin->x;
    op.y = origin->y;
    op.alignment = alignment;
    canvas->ops.push_back(op);
    return 0;
}

SPErr DrawImage(DRAWBOT_SurfaceRef surface, DRAWBOT_ImageRef image, const DRAWBOT_PointF32* origin,
                float alpha) {
    if (A_Err err = call("DRAWBOT_DrawImage")) return err;
    Canvas* canvas = surfaceOf(surface);
    const Drawbot::Object* i = drawbot().find(image, Drawbot::Object::Image);
    if (!canvas || !i || !origin || !finite(origin->x) || !finite(origin->y) || !(alpha >= 0 && alpha <= 1))
        return refuse();
    DrawOp op = opOf(DrawOp::Image);
    op.image = i->image;
    op.x = origin->x;
    op.y = origin->y;
    op.alpha = alpha;
    canvas->ops.push_back(op);
    return 0;
}

SPErr PaintRect(DRAWBOT_SurfaceRef surface, const DRAWBOT_ColorRGBA* color, const DRAWBOT_RectF32* rect) {
    if (A_Err err = call("DRAWBOT_PaintRect")) return err;
    Canvas* canvas = surfaceOf(surface);
    if (!canvas || !validColor(color) || !rect || !finite(rect->left) || !finite(rect->top) ||
        !finite(rect->width) || !finite(rect->height))
        return refuse();
    DrawOp op = opOf(DrawOp::PaintRect);
    op.color = colorOf(color);
    op.rect = *rect;
    canvas->ops.push_back(op);
    return 0;
}

SPErr FillPath(DRAWBOT_SurfaceRef surface, DRAWBOT_BrushRef brush, DRAWBOT_PathRef path,
               DRAWBOT_FillType fillType) {
    if (A_Err err = call("DRAWBOT_FillPath")) return err;
    Canvas* canvas = surfaceOf(surface);
    const Drawbot::Object* b = drawbot().find(brush, Drawbot::Object::Brush);
    const Drawbot::Object* p = drawbot().find(path, Drawbot::Object::Path);
    if (!canvas || !b || !p ||
        (fillType != kDRAWBOT_FillType_EvenOdd && fillType != kDRAWBOT_FillType_Winding))
        return refuse();
    DrawOp op = opOf(DrawOp::FillPath);
    op.path = p->path;
    op.color = b->color;
    op.fillType = fillType;
    canvas->ops.push_back(op);
    return 0;
}

SPErr StrokePath(DRAWBOT_SurfaceRef surface, DRAWBOT_PenRef pen, DRAWBOT_PathRef path) {
    if (A_Err err = call("DRAWBOT_StrokePath")) return err;
    Canvas* canvas = surfaceOf(surface);
    const Drawbot::Object* q = drawbot().find(pen, Drawbot::Object::Pen);
    const Drawbot::Object* p = drawbot().find(path, Drawbot::Object::Path);
    if (!canvas || !q || !p) return refuse();
    DrawOp op = opOf(DrawOp::StrokePath);
    op.path = p->path;
    op.color = q->color;
    op.penWidth = q->size;
    canvas->ops.push_back(op);
    return 0;
}

// ---- Path suite
// --------------------------------------------------------------------------------------------

SPErr addPart(const char* name, DRAWBOT_PathRef path, PathPart part) {
    if (A_Err err = call(name)) return err;
    Drawbot::Object* p = drawbot().find(path, Drawbot::Object::Path);
    if (!p || !finite(part.x) || !finite(part.y) || !finite(part.w) || !finite(part.h) || part.w < 0 ||
        part.h < 0)
        return refuse();
    // A line continues a sub-path: there must be one open.
    if (part.kind == PathPart::Line && (p->path.empty() || p->path.back().kind == PathPart::Rect))
        return refuse();
    p->path.push_back(part);
    return 0;
}

SPErr MoveTo(DRAWBOT_PathRef path, float x, float y) {
    return addPart("DRAWBOT_MoveTo", path, PathPart{PathPart::Move, x, y, 0, 0});
}
SPErr LineTo(DRAWBOT_PathRef path, float x, float y) {
    return addPart("DRAWBOT_LineTo", path, PathPart{PathPart::Line, x, y, 0, 0});
}
SPErr AddRect(DRAWBOT_PathRef path, const DRAWBOT_RectF32* rect) {
    if (!rect) {
        if (A_Err err = call("DRAWBOT_AddRect")) return err;
        return refuse();
    }
    return addPart("DRAWBOT_AddRect", path,
                   PathPart{PathPart::Rect, rect->left, rect->top, rect->width, rect->height});
}

const DRAWBOT_DrawbotSuite1 kDraw = {GetSupplier, GetSurface};
const DRAWBOT_SupplierSuite1 kSupplier = {
    NewPen, NewBrush, GetDefaultFontSize, NewDefaultFont, NewImageFromBuffer, NewPath, ReleaseObject};
const DRAWBOT_SurfaceSuite2 kSurface = {PushStateStack, PopStateStack, Clip,     Transform, DrawString,
                                        DrawImage,      PaintRect,     FillPath, StrokePath};
const DRAWBOT_PathSuite1 kPath = {MoveTo, LineTo, AddRect};

}  // namespace

void serveDrawbotSuites(SuiteRegistry& registry) {
    registry.add(kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, &kDraw);
    registry.add(kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1, &kSupplier);
    registry.add(kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2, &kSurface);
    registry.add(kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1, &kPath);
}

}  // namespace host
