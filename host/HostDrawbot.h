// HostDrawbot.h — the host's side of the Drawbot drawing API: the drawing targets of its windows, the pens,
// brushes, fonts, paths and images the module makes, and every drawing call recorded in order.
//
// A Canvas is one window's drawing target; its recording is what tests read and what the rasteriser
// (host/DrawbotCairo.h) paints. The host checks each call as a real host would: references it did not
// give, or has taken back, are refused; a state stack popped past its start is refused; every object
// made must be released exactly once.
#ifndef MORPHALITH_HOST_HOST_DRAWBOT_H
#define MORPHALITH_HOST_HOST_DRAWBOT_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Drawbot.h"
#include "PF_Events.h"

namespace host {

class SuiteRegistry;

struct DrawColor {
    float r = 0, g = 0, b = 0, a = 1;
};

// One piece of a path: a new sub-path, a straight line, or a closed rectangle.
struct PathPart {
    enum Kind { Move, Line, Rect } kind = Move;
    float x = 0, y = 0, w = 0, h = 0;
};

// Pixels copied from the module, as straight 8-bit red, green, blue, alpha; rows top to bottom.
struct DrawImage {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

// One drawing call as the surface received it.
struct DrawOp {
    enum Kind {
        PushState,
        PopState,
        Transform,
        Clip,
        PaintRect,
        FillPath,
        StrokePath,
        Text,
        Image
    } kind = PushState;
    std::vector<PathPart> path;              // FillPath, StrokePath
    DrawColor color;                         // PaintRect; the brush or pen of FillPath, StrokePath, Text
    float penWidth = 0;                      // StrokePath
    int fillType = 0;                        // FillPath
    DRAWBOT_MatrixF32 matrix{};              // Transform
    DRAWBOT_Rect32 clip{};                   // Clip, in the coordinates current at the call
    DRAWBOT_RectF32 rect{};                  // PaintRect
    std::string text;                        // Text, as UTF-8
    float x = 0, y = 0;                      // Text and Image origin
    int alignment = 0;                       // Text
    float fontSize = 0;                      // Text
    std::shared_ptr<const DrawImage> image;  // Image
    float alpha = 1;                         // Image
};

// One window's drawing target: the context record its events name, and what was drawn into it.
class Canvas {
public:
    Canvas(PF_WindowType type, int width, int height);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    PF_ContextH context() { return &recordPtr_; }
    PF_WindowType type() const { return record_.w_type; }
    int width() const { return width_; }
    int height() const { return height_; }

    std::vector<DrawOp> ops;
    int depth = 0;       // states pushed and not yet popped
    int leftPushed = 0;  // states an event left pushed (the host popped them)

    // The references the module is handed for this target.
    DRAWBOT_DrawRef drawRef() { return reinterpret_cast<DRAWBOT_DrawRef>(&tags_[0]); }
    DRAWBOT_SupplierRef supplier() { return reinterpret_cast<DRAWBOT_SupplierRef>(&tags_[1]); }
    DRAWBOT_SurfaceRef surface() { return reinterpret_cast<DRAWBOT_SurfaceRef>(&tags_[2]); }

private:
    PF_ContextRecord record_{};
    PF_ContextPtr recordPtr_;
    int width_, height_;
    char tags_[3] = {};
};

// Everything the host's Drawbot knows: the canvases in service and the objects the module holds.
class Drawbot {
public:
    struct Object {
        enum Kind { Pen, Brush, Font, Path, Image } kind = Pen;
        DrawColor color;
        float size = 0;  // a pen's width, a font's size
        std::vector<PathPart> path;
        std::shared_ptr<const DrawImage> image;
    };

    // Canvases are found by their context and references while they are attached.
    void attach(Canvas* canvas);
    void detach(Canvas* canvas);
    Canvas* byContext(PF_ContextH context) const;
    Canvas* byDrawRef(DRAWBOT_DrawRef ref) const;
    Canvas* bySupplier(DRAWBOT_SupplierRef ref) const;
    Canvas* bySurface(DRAWBOT_SurfaceRef ref) const;

    // Objects.
    void* make(Object object);
    Object* find(const void* ref, Object::Kind kind);
    bool release(const void* ref);
    int liveObjects() const { return static_cast<int>(objects_.size()); }
    int made = 0, released = 0, badReleases = 0;
    int refusedCalls = 0;  // calls refused for a reference, a value or a state the host cannot take

    // Called by the host after every event: a state the module left pushed is popped and counted.
    void endEvent();

    float defaultFontSize = 12.0f;

private:
    std::vector<Canvas*> canvases_;
    std::map<const void*, std::unique_ptr<Object>> objects_;
};

// Offers the four Drawbot suites.
void serveDrawbotSuites(SuiteRegistry& registry);

}  // namespace host

#endif  // MORPHALITH_HOST_HOST_DRAWBOT_H
