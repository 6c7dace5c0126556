// Drawbot.h — the host's 2-D drawing API: references, the value records it draws with, and the four
// suites the effect panel draws through (draw, supplier, surface, path).
//
// Our own declarations of what the plug-in calls. Coordinates are floats of the drawing surface: x
// grows to the right, y downwards. No behaviour.
#ifndef MORPHALITH_SDK_DRAWBOT_H
#define MORPHALITH_SDK_DRAWBOT_H

#include "HostTypes.h"
#include "SPBasic.h"

#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_DrawSuite_Version1 1
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SupplierSuite_Version1 1
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_SurfaceSuite_Version2 2
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"
#define kDRAWBOT_PathSuite_Version1 1

// ---- References (opaque to the plug-in) ---------------------------------------------------------------
typedef struct _DRAWBOT_DrawRef* DRAWBOT_DrawRef;
typedef struct _DRAWBOT_SupplierRef* DRAWBOT_SupplierRef;
typedef struct _DRAWBOT_SurfaceRef* DRAWBOT_SurfaceRef;
// Objects the supplier makes; each goes back through the supplier's ReleaseObject.
typedef struct _DRAWBOT_ObjectRef* DRAWBOT_ObjectRef;
typedef struct _DRAWBOT_PathRef* DRAWBOT_PathRef;
typedef struct _DRAWBOT_BrushRef* DRAWBOT_BrushRef;
typedef struct _DRAWBOT_PenRef* DRAWBOT_PenRef;
typedef struct _DRAWBOT_FontRef* DRAWBOT_FontRef;
typedef struct _DRAWBOT_ImageRef* DRAWBOT_ImageRef;

// ---- Values
// ------------------------------------------------------------------------------------------------
struct DRAWBOT_ColorRGBA {
    float red, green, blue, alpha;  // 0 .. 1
};
struct DRAWBOT_PointF32 {
    float x, y;
};
struct DRAWBOT_RectF32 {
    float left, top, width, height;
};
struct DRAWBOT_Rect32 {
    int32_t left, top, width, height;
};
// A 3 x 3 matrix in the row-vector convention: row 0 is the image of the x unit vector, row 1 that of
// the y unit vector, row 2 the translation. Only the affine part (the first two columns) counts.
struct DRAWBOT_MatrixF32 {
    float mat[3][3];
};

typedef A_UTF16Char DRAWBOT_UTF16Char;  // UTF-16 code units, zero-terminated
typedef int32_t DRAWBOT_PixelLayout;
enum {
    kDRAWBOT_PixelLayout_24RGB = 0,  // bytes R, G, B
    kDRAWBOT_PixelLayout_24BGR,
    kDRAWBOT_PixelLayout_32RGB,  // four bytes per pixel, the fourth not read
    kDRAWBOT_PixelLayout_32BGR,
    kDRAWBOT_PixelLayout_32ARGB_Straight,
    kDRAWBOT_PixelLayout_32ARGB_Premul,
    kDRAWBOT_PixelLayout_32BGRA_Straight,
    kDRAWBOT_PixelLayout_32BGRA_Premul
};

typedef int32_t DRAWBOT_FillType;
enum { kDRAWBOT_FillType_EvenOdd = 0, kDRAWBOT_FillType_Winding = 1 };

typedef int32_t DRAWBOT_TextAlignment;
enum { kDRAWBOT_TextAlignment_Left = 0, kDRAWBOT_TextAlignment_Center = 1, kDRAWBOT_TextAlignment_Right = 2 };

typedef int32_t DRAWBOT_TextTruncation;
enum {
    kDRAWBOT_TextTruncation_None = 0,
    kDRAWBOT_TextTruncation_End = 1,
    kDRAWBOT_TextTruncation_EndEllipsis = 2
};

// ---- Suites
// ------------------------------------------------------------------------------------------------ The
// supplier and surface of a drawing reference are the host's for the length of the event; the plug-in does
// not release them.
struct DRAWBOT_DrawbotSuite1 {
    SPErr (*GetSupplier)(DRAWBOT_DrawRef in_drawbot_ref, DRAWBOT_SupplierRef* out_supplierP);
    SPErr (*GetSurface)(DRAWBOT_DrawRef in_drawbot_ref, DRAWBOT_SurfaceRef* out_surfaceP);
};

struct DRAWBOT_SupplierSuite1 {
    SPErr (*NewPen)(DRAWBOT_SupplierRef in_supplier_ref, const DRAWBOT_ColorRGBA* in_colorP, float in_size,
                    DRAWBOT_PenRef* out_penP);
    SPErr (*NewBrush)(DRAWBOT_SupplierRef in_supplier_ref, const DRAWBOT_ColorRGBA* in_colorP,
                      DRAWBOT_BrushRef* out_brushP);
    SPErr (*GetDefaultFontSize)(DRAWBOT_SupplierRef in_supplier_ref, float* out_font_sizeF);
    SPErr (*NewDefaultFont)(DRAWBOT_SupplierRef in_supplier_ref, float in_font_sizeF,
                            DRAWBOT_FontRef* out_fontP);
    // The pixels are copied: the buffer may go as soon as the call returns.
    SPErr (*NewImageFromBuffer)(DRAWBOT_SupplierRef in_supplier_ref, int32_t in_width, int32_t in_height,
                                int32_t in_row_bytes, DRAWBOT_PixelLayout in_pl, const void* in_dataP,
                                DRAWBOT_ImageRef* out_imageP);
    SPErr (*NewPath)(DRAWBOT_SupplierRef in_supplier_ref, DRAWBOT_PathRef* out_pathP);
    SPErr (*ReleaseObject)(DRAWBOT_ObjectRef in_obj_ref);
};

struct DRAWBOT_SurfaceSuite2 {
    SPErr (*PushStateStack)(DRAWBOT_SurfaceRef in_surface_ref);
    SPErr (*PopStateStack)(DRAWBOT_SurfaceRef in_surface_ref);
    // Narrows the drawing to the rectangle, in the surface's current coordinates.
    SPErr (*Clip)(DRAWBOT_SurfaceRef in_surface_ref, DRAWBOT_SupplierRef in_supplier_ref,
                  const DRAWBOT_Rect32* in_rectPR);
    // Concatenates the matrix: points are mapped through it first, then through what was there.
    SPErr (*Transform)(DRAWBOT_SurfaceRef in_surface_ref, const DRAWBOT_MatrixF32* in_matrixP);
    // The origin is the start of the text's baseline (its centre or end with the other alignments).
    SPErr (*DrawString)(DRAWBOT_SurfaceRef in_surface_ref, DRAWBOT_BrushRef in_brush_ref,
                        DRAWBOT_FontRef in_font_ref, const DRAWBOT_UTF16Char* in_stringP,
                        const DRAWBOT_PointF32* in_originP, DRAWBOT_TextAlignment in_alignment_style,
                        DRAWBOT_TextTruncation in_truncation_style, float in_truncation_width);
    SPErr (*DrawImage)(DRAWBOT_SurfaceRef in_surface_ref, DRAWBOT_ImageRef in_image_ref,
                       const DRAWBOT_PointF32* in_originP, float in_alpha);
    SPErr (*PaintRect)(DRAWBOT_SurfaceRef in_surface_ref, const DRAWBOT_ColorRGBA* in_colorP,
                       const DRAWBOT_RectF32* in_rectPR);
    SPErr (*FillPath)(DRAWBOT_SurfaceRef in_surface_ref, DRAWBOT_BrushRef in_brush_ref,
                      DRAWBOT_PathRef in_path_ref, DRAWBOT_FillType in_fill_type);
    SPErr (*StrokePath)(DRAWBOT_SurfaceRef in_surface_ref, DRAWBOT_PenRef in_pen_ref,
                        DRAWBOT_PathRef in_path_ref);
};

struct DRAWBOT_PathSuite1 {
    SPErr (*MoveTo)(DRAWBOT_PathRef in_path_ref, float in_x, float in_y);
    SPErr (*LineTo)(DRAWBOT_PathRef in_path_ref, float in_x, float in_y);
    SPErr (*AddRect)(DRAWBOT_PathRef in_path_ref, const DRAWBOT_RectF32* in_rectPR);
};

struct DRAWBOT_Suites {
    DRAWBOT_DrawbotSuite1* drawbot_suiteP;
    DRAWBOT_SupplierSuite1* supplier_suiteP;
    DRAWBOT_SurfaceSuite2* surface_suiteP;
    DRAWBOT_PathSuite1* path_suiteP;
};

#endif  // MORPHALITH_SDK_DRAWBOT_H
