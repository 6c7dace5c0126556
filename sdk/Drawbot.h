// Drawbot.h — the host's 2-D drawing API: references and the four suites the effect panel draws with.
#ifndef MORPHALITH_SDK_DRAWBOT_H
#define MORPHALITH_SDK_DRAWBOT_H

#include "HostTypes.h"

#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_DrawSuite_Version1 1
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SupplierSuite_Version1 1
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_SurfaceSuite_Version2 2
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"
#define kDRAWBOT_PathSuite_Version1 1

typedef struct _DRAWBOT_DrawRef* DRAWBOT_DrawRef;
typedef struct _DRAWBOT_SupplierRef* DRAWBOT_SupplierRef;
typedef struct _DRAWBOT_SurfaceRef* DRAWBOT_SurfaceRef;
typedef struct _DRAWBOT_PathRef* DRAWBOT_PathRef;
typedef struct _DRAWBOT_BrushRef* DRAWBOT_BrushRef;
typedef struct _DRAWBOT_PenRef* DRAWBOT_PenRef;
typedef struct _DRAWBOT_FontRef* DRAWBOT_FontRef;

struct DRAWBOT_ColorRGBA {
    float red, green, blue, alpha;
};
struct DRAWBOT_PointF32 {
    float x, y;
};
struct DRAWBOT_RectF32 {
    float left, top, width, height;
};

// The drawing functions themselves are declared with the panel's drawing code that uses them.
struct DRAWBOT_DrawbotSuite1;
struct DRAWBOT_SupplierSuite1;
struct DRAWBOT_SurfaceSuite2;
struct DRAWBOT_PathSuite1;

struct DRAWBOT_Suites {
    DRAWBOT_DrawbotSuite1* drawbot_suiteP;
    DRAWBOT_SupplierSuite1* supplier_suiteP;
    DRAWBOT_SurfaceSuite2* surface_suiteP;
    DRAWBOT_PathSuite1* path_suiteP;
};

#endif  // MORPHALITH_SDK_DRAWBOT_H
