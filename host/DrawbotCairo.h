// DrawbotCairo.h — paints what the module drew through the host's Drawbot (host/HostDrawbot.h) with
// cairo, for people to look at: paths with their fill rule and pen width, rectangles, images, text in
// a real font (DejaVu Sans) on its baseline, the state stack, transforms and clips.
//
// Not part of the Windows test host: it has no cairo.
#ifndef MORPHALITH_HOST_DRAWBOT_CAIRO_H
#define MORPHALITH_HOST_DRAWBOT_CAIRO_H

#include <cairo.h>

#include <string>
#include <vector>

#include "host/HostDrawbot.h"

namespace host {

// Paints ops[first, end) into cr. The state stack they use is their own: cr is as it was afterwards.
void paintDrawOps(cairo_t* cr, const std::vector<DrawOp>& ops, size_t first, size_t end);

// The width of a line of text as paintDrawOps sets it (for the host's own labels).
double textWidth(cairo_t* cr, const std::string& text, double size);
// A line of the host's own text, its baseline starting at (x, y).
void paintText(cairo_t* cr, const std::string& text, double x, double y, double size, DrawColor color);

// Writes the surface as PNG; false with the error.
bool writePng(cairo_surface_t* surface, const std::string& path, std::string* error);

}  // namespace host

#endif  // MORPHALITH_HOST_DRAWBOT_CAIRO_H
