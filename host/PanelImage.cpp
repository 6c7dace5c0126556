#include "host/PanelImage.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "host/CustomUI.h"
#include "host/DrawbotCairo.h"
#include "host/OneLine.h"
#include "host/RenderCommand.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "host/UserActions.h"

namespace host {

namespace {

constexpr DrawColor kTitleColor{0.80f, 0.80f, 0.80f, 1.0f};
constexpr DrawColor kGroupColor{0.92f, 0.92f, 0.92f, 1.0f};
constexpr double kTitleSize = 11.0;
// The composition window shows the composition at 100 %, on a pasteboard this wide around it.
constexpr int kPasteboard = 40;

int fail(const char* command, const std::string& text) {
    std::fprintf(stderr, "morphalith-host %s: %s\n", command, text.c_str());
    return 1;
}

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

DrawColor colorOf(const PF_App_Color& c) {
    return DrawColor{c.red / 65535.0f, c.green / 65535.0f, c.blue / 65535.0f, 1.0f};
}

void setdown(Host& host) {
    if (host.inData().sequence_data) host.command(PF_Cmd_SEQUENCE_SETDOWN);
    if (host.inData().global_data) host.command(PF_Cmd_GLOBAL_SETDOWN);
}

// The scene at `path` (the built-in default scene when empty) loaded and applied; on failure the effect
// is set down again and `error` says why.
bool loadAndApplyScene(Host& host, const std::string& path, std::string* error) {
    Scene scene;
    const bool loaded = path.empty() ? parseScene(defaultSceneText(), ".", &scene, error)
                                     : loadSceneFile(path, &scene, error);
    if (!loaded) return false;
    if (applyScene(host, scene, error)) return true;
    setdown(host);
    return false;
}

// The rows' titles, as the host draws its panel: a twirled-open triangle before a slot's name.
void paintTitles(cairo_t* cr, const PanelLayout& layout) {
    for (const PanelRow& row : layout.rows) {
        if (row.kind == PanelRow::SlotTitle) {
            cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
            cairo_rectangle(cr, 0, row.top, layout.width, row.height);
            cairo_fill(cr);
            cairo_set_source_rgba(cr, kGroupColor.r, kGroupColor.g, kGroupColor.b, 1);
            cairo_move_to(cr, 9, row.top + 7);
            cairo_line_to(cr, 17, row.top + 7);
            cairo_line_to(cr, 13, row.top + 13);
            cairo_close_path(cr);
            cairo_fill(cr);
            paintText(cr, row.title, 22, row.top + 14, kTitleSize, kGroupColor);
        } else {
            const double indent = row.kind == PanelRow::Strip ? 22 : 9;
            paintText(cr, row.title, indent, row.top + 15, kTitleSize, kTitleColor);
        }
    }
}

PF_Err pointAt(Host& host, const StripPoint& point, bool press, std::string* error) {
    if (!point.given) return PF_Err_NONE;
    return host.ui().pointAtStripButton(point.slot, point.cell, press, false, error);
}

// The effect's frame (straight BGRA floats) as premultiplied cairo pixels.
SurfacePtr frameSurface(const FloatImage& image) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height),
                       cairo_surface_destroy);
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    auto byte = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < image.width; ++x) {
            const float* p = image.at(x, y);
            const float a = std::clamp(p[3], 0.0f, 1.0f);
            row[x] = (byte(a) << 24) | (byte(p[2] * a) << 16) | (byte(p[1] * a) << 8) | byte(p[0] * a);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

bool parseStripPoint(const std::string& text, StripPoint* point, std::string* error) {
    const size_t colon = text.find(':');
    const std::string slot = text.substr(0, colon),
                      button = colon == std::string::npos ? "" : text.substr(colon + 1);
    const bool slotOk = !slot.empty() && slot.size() <= 2 &&
                        slot.find_first_not_of("0123456789") == std::string::npos && std::stoi(slot) <= 10;
    StripButton named;
    int cell = -1;
    if (button.size() == 1 && button[0] >= '0' && button[0] <= '5')
        cell = button[0] - '0';
    else if (stripButtonByName(button, &named))
        cell = static_cast<int>(named);
    if (!slotOk || cell < 0) {
        *error =
            "wants SLOT:BUTTON, a slot 0 .. 10 and a button (duplicate, copy, paste, move up, move down, "
            "delete, "
            "or 0 .. 5 from the left), got \"" +
            text + "\"";
        return false;
    }
    *point = StripPoint{true, std::stoi(slot), cell};
    return true;
}

void addPanelImageOptions(CLI::App* panel, PanelImageOptions* options) {
    panel
        ->add_option(
            "SCENE", options->scenePath,
            "a scene file whose actions run before the panel is drawn (the built-in default scene when "
            "left out)")
        ->type_name("");
    valueNotOption(
        panel->add_option("-o", options->out, "the PNG file to write")->type_name("OUT")->required());
    for (auto [name, point, help] :
         {std::tuple{"--hover", &options->hover, "draw the strip button under the mouse"},
          std::tuple{"--press", &options->press, "draw the strip button held down"}}) {
        StripPoint* target = point;
        const std::string option = name;  // (a structured binding cannot be captured by every compiler)
        valueNotOption(panel
                           ->add_option_function<std::string>(
                               option,
                               [target, option](const std::string& text) {
                                   std::string error;
                                   if (!parseStripPoint(text, target, &error))
                                       throw CLI::ValidationError(option, error);
                               },
                               std::string(help) + ": SLOT:BUTTON, e.g. 1:copy or 0:\"move up\"")
                           ->type_name("SLOT:BUTTON"));
    }
}

void addHintImageOptions(CLI::App* hint, HintImageOptions* options) {
    hint->add_option(
            "SCENE", options->scenePath,
            "a scene file (the built-in default scene when left out); the hint shows when one of its "
            "slots was given a layer that is not 3D")
        ->type_name("");
    valueNotOption(
        hint->add_option("-o", options->out, "the PNG file to write")->type_name("OUT")->required());
}

int panelImageCommand(Host& host, const PanelImageOptions& options) {
    constexpr const char* kCommand = "panel";
    std::string error;
    if (!loadAndApplyScene(host, options.scenePath, &error)) return fail(kCommand, error);
    // As a host does at start-up: the GPU device is set up, which tells the effect what the About header
    // shows of the machine.
    {
        RenderJob job(host);
        if (PF_Err err = job.setupDevice())
            std::fprintf(stderr, "morphalith-host %s: warning: GPU device set-up failed with %d %s\n",
                         kCommand, err, oneLine(host.returnMessage()).c_str());
    }
    CustomUI& ui = host.ui();
    PF_Err err = ui.openEffectWindow();
    if (!err) err = pointAt(host, options.hover, false, &error);
    if (!err) err = pointAt(host, options.press, true, &error);
    const PanelLayout layout = layoutPanel(host);
    if (!err) err = ui.drawPanel(layout);
    if (err) {
        setdown(host);
        return fail(kCommand, error.empty()
                                  ? "the effect answered " + std::to_string(err) + " " + oneLine(host.returnMessage())
                                  : error);
    }

    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, layout.width, layout.height),
                       cairo_surface_destroy);
    ContextPtr cr(cairo_create(surface.get()), cairo_destroy);
    const DrawColor background = colorOf(ui.background);
    cairo_set_source_rgba(cr.get(), background.r, background.g, background.b, 1);
    cairo_paint(cr.get());
    paintTitles(cr.get(), layout);
    // Each control is drawn inside its own area, as the panel clips it.
    for (const DrawnControl& control : ui.drawnControls()) {
        cairo_save(cr.get());
        cairo_rectangle(cr.get(), control.frame.left, control.frame.top,
                        control.frame.right - control.frame.left, control.frame.bottom - control.frame.top);
        cairo_clip(cr.get());
        paintDrawOps(cr.get(), ui.effectWindow().ops, control.firstOp, control.endOp);
        cairo_restore(cr.get());
    }
    setdown(host);
    if (!writePng(surface.get(), options.out, &error)) return fail(kCommand, error);
    std::fprintf(stderr, "wrote %s (%dx%d)\n", options.out.c_str(), layout.width, layout.height);
    return 0;
}

int hintImageCommand(Host& host, const HintImageOptions& options) {
    constexpr const char* kCommand = "comp-hint";
    std::string error;
    if (!loadAndApplyScene(host, options.scenePath, &error)) return fail(kCommand, error);

    // The layer's picture: frame 0 as the effect renders it.
    FloatImage frame;
    PF_Err err = PF_Err_NONE;
    {
        RenderJob job(host);
        err = job.setupDevice();
        if (!err) err = job.renderFrame(0, &frame);
    }
    if (err) {
        setdown(host);
        return fail(kCommand, "frame 0 failed with " + std::to_string(err) + " " + oneLine(host.returnMessage()));
    }

    const int width = host.project().comp.width + 2 * kPasteboard;
    const int height = host.project().comp.height + 2 * kPasteboard;
    CustomUI& ui = host.ui();
    ui.setCompWindow(width, height, CompView{1.0, kPasteboard, kPasteboard});
    err = ui.drawCompWindow();
    if (err) {
        setdown(host);
        return fail(kCommand, "the effect answered " + std::to_string(err) + " to the window's drawing");
    }

    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), cairo_surface_destroy);
    ContextPtr cr(cairo_create(surface.get()), cairo_destroy);
    cairo_set_source_rgb(cr.get(), 0.13, 0.13, 0.13);  // the pasteboard
    cairo_paint(cr.get());
    cairo_rectangle(cr.get(), kPasteboard, kPasteboard, host.project().comp.width,
                    host.project().comp.height);
    cairo_set_source_rgb(cr.get(), 0, 0, 0);  // the composition's background
    cairo_fill(cr.get());
    SurfacePtr picture = frameSurface(frame);
    cairo_set_source_surface(cr.get(), picture.get(), kPasteboard, kPasteboard);
    cairo_paint(cr.get());
    paintDrawOps(cr.get(), ui.compWindow().ops, 0, ui.compWindow().ops.size());
    setdown(host);
    if (!writePng(surface.get(), options.out, &error)) return fail(kCommand, error);
    std::fprintf(stderr, "wrote %s (%dx%d)\n", options.out.c_str(), width, height);
    return 0;
}

}  // namespace host
