#include "host/DrawbotCairo.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace host {

namespace {

constexpr const char* kFontFamily = "DejaVu Sans";

void setColor(cairo_t* cr, const DrawColor& c) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

void buildPath(cairo_t* cr, const std::vector<PathPart>& path) {
    cairo_new_path(cr);
    for (const PathPart& part : path) {
        switch (part.kind) {
            case PathPart::Move:
                cairo_move_to(cr, part.x, part.y);
                break;
            case PathPart::Line:
                cairo_line_to(cr, part.x, part.y);
                break;
            case PathPart::Rect:
                cairo_rectangle(cr, part.x, part.y, part.w, part.h);
                break;
        }
    }
}

// cairo and fontconfig keep every font they load for the life of the process. Both are given back at
// exit, after the last drawing, so that a leak checker sees only what the host itself keeps.
void releaseFontsAtExit() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::atexit([] {
            cairo_debug_reset_static_data();
            FcFini();
        });
    });
}

void useFont(cairo_t* cr, double size) {
    releaseFontsAtExit();
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

void paintImage(cairo_t* cr, const DrawImage& image, double x, double y, double alpha) {
    // cairo's images hold premultiplied pixels in native-endian 32-bit words.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int row = 0; row < image.height; ++row) {
        auto* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(row) * stride);
        for (int col = 0; col < image.width; ++col) {
            const unsigned char* p = &image.rgba[(static_cast<size_t>(row) * image.width + col) * 4];
            const uint32_t a = p[3];
            auto pre = [a](uint32_t v) { return (v * a + 127) / 255; };
            out[col] = (a << 24) | (pre(p[0]) << 16) | (pre(p[1]) << 8) | pre(p[2]);
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_save(cr);
    cairo_set_source_surface(cr, surface, x, y);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
}

}  // namespace

double textWidth(cairo_t* cr, const std::string& text, double size) {
    cairo_save(cr);
    useFont(cr, size);
    cairo_text_extents_t extents{};
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_restore(cr);
    return extents.x_advance;
}

void paintText(cairo_t* cr, const std::string& text, double x, double y, double size, DrawColor color) {
    cairo_save(cr);
    useFont(cr, size);
    setColor(cr, color);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

void paintDrawOps(cairo_t* cr, const std::vector<DrawOp>& ops, size_t first, size_t end) {
    cairo_save(cr);
    int depth = 0;
    for (size_t i = first; i < end && i < ops.size(); ++i) {
        const DrawOp& op = ops[i];
        switch (op.kind) {
            case DrawOp::PushState:
                cairo_save(cr);
                depth += 1;
                break;
            case DrawOp::PopState:
                if (depth > 0) {
                    cairo_restore(cr);
                    depth -= 1;
                }
                break;
            case DrawOp::Transform: {
                const auto& m = op.matrix.mat;
                cairo_matrix_t matrix;
                cairo_matrix_init(&matrix, m[0][0], m[0][1], m[1][0], m[1][1], m[2][0], m[2][1]);
                cairo_transform(cr, &matrix);
                break;
            }
            case DrawOp::Clip:
                cairo_new_path(cr);
                cairo_rectangle(cr, op.clip.left, op.clip.top, op.clip.width, op.clip.height);
                cairo_clip(cr);
                break;
            case DrawOp::PaintRect:
                cairo_new_path(cr);
                cairo_rectangle(cr, op.rect.left, op.rect.top, op.rect.width, op.rect.height);
                setColor(cr, op.color);
                cairo_fill(cr);
                break;
            case DrawOp::FillPath:
                buildPath(cr, op.path);
                cairo_set_fill_rule(cr, op.fillType == kDRAWBOT_FillType_Winding ? CAIRO_FILL_RULE_WINDING
                                                                                 : CAIRO_FILL_RULE_EVEN_ODD);
                setColor(cr, op.color);
                cairo_fill(cr);
                break;
            case DrawOp::StrokePath:
                buildPath(cr, op.path);
                cairo_set_line_width(cr, op.penWidth);
                setColor(cr, op.color);
                cairo_stroke(cr);
                break;
            case DrawOp::Text: {
                useFont(cr, op.fontSize);
                cairo_text_extents_t extents{};
                cairo_text_extents(cr, op.text.c_str(), &extents);
                double x = op.x;
                if (op.alignment == kDRAWBOT_TextAlignment_Center) x -= extents.x_advance / 2;
                if (op.alignment == kDRAWBOT_TextAlignment_Right) x -= extents.x_advance;
                setColor(cr, op.color);
                cairo_move_to(cr, x, op.y);
                cairo_show_text(cr, op.text.c_str());
                cairo_new_path(cr);
                break;
            }
            case DrawOp::Image:
                if (op.image) paintImage(cr, *op.image, op.x, op.y, op.alpha);
                break;
        }
    }
    for (; depth > 0; --depth) cairo_restore(cr);
    cairo_restore(cr);
}

bool writePng(cairo_surface_t* surface, const std::string& path, std::string* error) {
    cairo_surface_flush(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (status == CAIRO_STATUS_SUCCESS) return true;
    *error = "cannot write " + path + ": " + cairo_status_to_string(status);
    return false;
}

}  // namespace host
