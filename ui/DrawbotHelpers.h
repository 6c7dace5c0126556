// DrawbotHelpers.h — the small drawing layer every custom drawing of the effect goes through: the host's
// background colour, a font, a text drawer, a brush, a pen and a path that draws rectangles and the
// strip's five icons.
//
// Each helper lives on the stack of one draw event and owns the Drawbot objects it makes, giving each
// back exactly once through the supplier's ReleaseObject. A helper keeps the last Drawbot result: a step
// runs only while it is 0. None draws without a surface.
#ifndef MORPHALITH_UI_DRAWBOT_HELPERS_H
#define MORPHALITH_UI_DRAWBOT_HELPERS_H

#include <cstdint>
#include <memory>
#include <string>

#include "Drawbot.h"
#include "PF_Events.h"
#include "PF_Param.h"
#include "PF_Suites.h"

// The host's panel background as a Drawbot colour; `color` is left alone when the query fails.
PF_Err AcquireBackgroundColor(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                              PF_EventExtra* extra, DRAWBOT_ColorRGBA* color);

// 16-bit host colour to floats (alpha 1), computed in single precision.
DRAWBOT_ColorRGBA QDtoDRAWBOTColor(const PF_App_Color* color);

// UTF-8 text as zero-terminated UTF-16 for the Drawbot text calls. Bytes that are not UTF-8 (text from
// a compiler, say) become U+FFFD, one for each broken sequence.
std::unique_ptr<A_UTF16Char[]> convertStringToUTF16Char(const std::string& text);

class UIFont {
public:
    // A size of 0 takes the host's default font size.
    UIFont(DRAWBOT_ColorRGBA color, float size, DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier);
    ~UIFont();
    UIFont(const UIFont&) = delete;
    UIFont& operator=(const UIFont&) = delete;

    int32_t error() const { return err_; }
    float size() const { return size_; }
    DRAWBOT_FontRef font() const { return font_; }
    DRAWBOT_BrushRef brush() const { return brush_; }

private:
    int32_t err_;
    float size_;
    DRAWBOT_ColorRGBA color_;
    DRAWBOT_FontRef font_;
    DRAWBOT_BrushRef brush_;
    DRAWBOT_Suites* suites_;
};

class UIStringDrawer {
public:
    // The drawer reads and advances the caller's origin.
    UIStringDrawer(DRAWBOT_PointF32* origin, DRAWBOT_SurfaceRef surface, DRAWBOT_Suites suites);

    void setAlign(int alignment) { align_ = alignment; }
    void setOrigin(DRAWBOT_PointF32 origin) { *origin_ = origin; }

    // Draws one line at the origin; with `advance` the origin moves down by the font's size, whatever
    // the draw returned.
    int32_t drawString(const std::string& text, UIFont& font, bool advance);
    // One drawString per line ("\n" separates lines; a final "\n" adds none); stops at the first failure.
    int32_t drawMultiLineString(const std::string& text, UIFont& font, bool advance);

private:
    DRAWBOT_PointF32* origin_;
    DRAWBOT_SurfaceRef surface_;
    DRAWBOT_Suites suites_;
    int32_t align_;
};

class UIColoredBrush {
public:
    UIColoredBrush(DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier, DRAWBOT_ColorRGBA color);
    ~UIColoredBrush();
    UIColoredBrush(const UIColoredBrush&) = delete;
    UIColoredBrush& operator=(const UIColoredBrush&) = delete;

    int32_t error() const { return err_; }
    DRAWBOT_BrushRef brush() const { return brush_; }

private:
    int32_t err_;
    DRAWBOT_ColorRGBA color_;
    DRAWBOT_SupplierRef supplier_;
    DRAWBOT_BrushRef brush_;
    DRAWBOT_Suites* suites_;
};

class UIColoredPen {
public:
    UIColoredPen(DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier, DRAWBOT_ColorRGBA color, float width);
    ~UIColoredPen();
    UIColoredPen(const UIColoredPen&) = delete;
    UIColoredPen& operator=(const UIColoredPen&) = delete;

    int32_t error() const { return err_; }
    DRAWBOT_PenRef pen() const { return pen_; }

private:
    int32_t err_;
    DRAWBOT_Suites* suites_;
    DRAWBOT_PenRef pen_;
    DRAWBOT_ColorRGBA color_;
};

// Builds each figure in a path of its own (the one it held before goes back) and paints it.
class UIPath {
public:
    UIPath(DRAWBOT_Suites* suites, DRAWBOT_SupplierRef supplier, DRAWBOT_SurfaceRef surface);
    ~UIPath();
    UIPath(const UIPath&) = delete;
    UIPath& operator=(const UIPath&) = delete;

    int32_t error() const { return err_; }

    // Pen and brush may each be null; the outline is stroked before the fill.
    int32_t drawRect(DRAWBOT_RectF32 rect, UIColoredPen* pen, UIColoredBrush* brush);
    int32_t DrawDuplicateIcon(UIColoredPen* pen, PF_Point centre, float size);
    int32_t DrawCopyIcon(UIColoredPen* pen, PF_Point centre, float size);
    int32_t DrawPasteIcon(UIColoredPen* pen, UIColoredBrush* brush, PF_Point centre, float size);
    // These two keep their result to themselves: the path's error stays as it was.
    int32_t DrawCrossIcon(UIColoredPen* pen, PF_Point centre, float size);
    int32_t DrawArrowIcon(UIColoredPen* pen, PF_Point centre, float size, bool up);

private:
    int32_t freshPath();
    int32_t stroke(UIColoredPen* pen);
    int32_t fill(UIColoredBrush* brush);

    int32_t err_;
    DRAWBOT_PathRef path_;
    DRAWBOT_Suites* suites_;
    DRAWBOT_SurfaceRef surface_;
    DRAWBOT_SupplierRef supplier_;
};

#endif  // MORPHALITH_UI_DRAWBOT_HELPERS_H
