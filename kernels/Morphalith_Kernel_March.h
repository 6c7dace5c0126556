// Morphalith_Kernel_March.h — the signed distance functions of the fourteen shapes.
//
// Each takes a point in the primitive's own space (composition pixels) and returns the signed
// distance: negative inside, zero on the surface. Sizes are the PrimitiveData members that SceneSDF
// passes; "height" is a half height unless a shape says otherwise.
#ifndef MORPHALITH_KERNEL_MARCH_H
#define MORPHALITH_KERNEL_MARCH_H

#include "Morphalith_Kernel_Helpers.h"

MRPH_KERNEL_NAMESPACE_BEGIN

MRPH_FN float sphereSDF(float3 p, float s) { return length(p) - s; }

// A sphere cut by the plane y = (1 - 2 percent) s, the cut edge rounded by fillet.
MRPH_FN float hemisphereSDF(float3 p, float s, float percent, float fillet) {
    const float a = length(p) - s;
    const float b = p.y + (2.0f * percent - 1.0f) * s;
    // Without a fillet the blend weight is 0/0 on the edge: take the plain intersection.
    if (fillet <= 0.0f) return fmax(a, -b);
    const float h = clamp(0.5f - 0.5f * (a + b) / fillet, 0.0f, 1.0f);
    return mixf(a, -b, h) + fillet * h * (1.0f - h);
}

// Edges s (full lengths), corners rounded by r.
MRPH_FN float boxSDF(float3 p, float3 s, float r) {
    const float3 d = abs3(p) - (s * 0.5f - r);
    return fmin(maxComponent3(d), 0.0f) + length(max3s(d, 0.0f)) - r;
}

MRPH_FN float torusSDF(float3 p, float r_in, float r_out) {
    const float2 q = make_float2(length(xz(p)) - r_in, p.y);
    return length(q) - r_out;
}

// A segment of full length height along y, centred on the origin.
MRPH_FN float capsuleSDF(float3 p, float height, float radius) {
    p.y = p.y + height * 0.5f;
    p.y = p.y - clamp(p.y, 0.0f, height);
    return length(p) - radius;
}

MRPH_FN float cylinderSDF(float3 p, float height, float radius, float fillet) {
    const float2 d = make_float2(length(xz(p)) - radius + fillet, fabs(p.y) - height + fillet);
    return fmin(fmax(d.x, d.y), 0.0f) + length(max2s(d, 0.0f)) - fillet;
}

// A cylinder sector whose half angle has sine c.x and cosine c.y.
MRPH_FN float pieCylinderSectorSDF(float3 p, float h, float r, float2 c, float fillet) {
    const float2 rot = xz(p) * c.y + make_float2(p.z, -p.x) * c.x;
    p.z = rot.y;
    p.x = fabs(rot.x);
    const float2 pxz = xz(p);
    const float l = length(pxz) - r + fillet;
    const float m = length(pxz - c * clamp(dot(pxz, c), 0.0f, r));
    const float x = fmax(l, m * sign(c.y * p.x - c.x * p.z));
    const float y = fabs(p.y) - h + fillet;
    return fmin(fmax(x, y), 0.0f) + length(max2s(make_float2(x, y), 0.0f)) - fillet;
}

// A cylinder sector of half angle per (radians).
MRPH_FN float pieCylinderSDF(float3 p, float h, float r, float per, float fillet) {
    return pieCylinderSectorSDF(p, h, r, make_float2(sin(per), cos(per)), fillet);
}

// Half the angle that one side of a regular N-sided prism spans.
MRPH_FN float polygonHalfAngle(float N) {
    // Fewer than three sides is no polygon (and zero sides divides by zero): draw a triangle.
    return MRPH_PI / fmax(N, 3.0f);
}

// The prism of polygonSDF for a side half angle b whose cosine and sine are cb and sb.
MRPH_FN float polygonSidesSDF(float3 p, float b, float cb, float sb, float height, float radius, float fillet) {
    const float a = mod(atan2(p.x, p.z), 2.0f * b) - b;
    const float l = length(xz(p));
    const float r = radius - fillet;
    const float2 sca = sinCos(a);
    float d = l * sca.y - r * cb;
    if (d > 0.0f) d = length(make_float2(fmax(0.0f, fabs(l * sca.x) - r * sb), d));
    return fmax(d - fillet, fabs(p.y) - height);
}

// A regular N-sided prism; radius is the corner radius, height the half height.
MRPH_FN float polygonSDF(float3 p, float N, float height, float radius, float fillet) {
    const float b = polygonHalfAngle(N);
    return polygonSidesSDF(p, b, cos(b), sin(b), height, radius, fillet);
}

// An arrow-cursor prism: a triangular head (its width scaled by params.z) joined to a stem of half
// sizes radius * params.x by radius * params.y centred at z = -radius * params.y.
MRPH_FN float cursorSDF(float3 p, float height, float radius, float f, float3 params) {
    const float2 tP = make_float2(p.x / fmax(params.z, 0.001f), p.z);
    const float b = MRPH_PI / 3.0f;
    const float a = mod(atan2(tP.x, tP.y), 2.0f * b) - b;
    const float l = length(tP);
    const float r = radius - f;
    const float2 sca = sinCos(a);
    float tri = l * sca.y - r * cos(b);
    if (tri > 0.0f) tri = length(make_float2(fmax(0.0f, fabs(l * sca.x) - r * sin(b)), tri));
    tri = tri - f;
    const float2 ss = make_float2(radius * params.x, radius * params.y);
    const float2 bP = abs2(xz(p) - make_float2(0.0f, -ss.y)) - ss + f;
    const float box = length(max2s(bP, 0.0f)) + fmin(fmax(bP.x, bP.y), 0.0f) - f;
    const float shape = f > 0.0f ? smin(tri, box, f) : fmin(tri, box);
    return fmax(shape, fabs(p.y) - height);
}

// Capped cone: radius r1 at y = -h, r2 at y = +h.
MRPH_FN float coneSDF(float3 p, float h, float r1, float r2) {
    const float2 q = make_float2(length(xz(p)), p.y);
    const float2 k1 = make_float2(r2, h);
    const float2 k2 = make_float2(r2 - r1, 2.0f * h);
    const float2 ca = make_float2(q.x - fmin(q.x, q.y < 0.0f ? r1 : r2), fabs(q.y) - h);
    // A flat cylinder (h = 0, r1 = r2) has no side: keep the projection finite.
    const float t = clamp(dot(k1 - q, k2) / fmax(dot(k2, k2), 1e-12f), 0.0f, 1.0f);
    const float2 cb = q - k1 + k2 * t;
    const float s = (cb.x < 0.0f && ca.y < 0.0f) ? -1.0f : 1.0f;
    return s * sqrt(fmin(dot(ca, ca), dot(cb, cb)));
}

// Two spheres, r1 at y = -h and r2 at y = +h, and the cone tangent to both.
MRPH_FN float roundConeSDF(float3 p, float h, float r1, float r2) {
    h = 2.0f * h;
    const float2 q = make_float2(length(xz(p)), p.y + h * 0.5f);
    // When one sphere holds the other (h = 0 included) there is no tangent cone and b would reach 1
    // or beyond (a = sqrt(1 - b^2) undefined): the shape is then the larger sphere.
    if (fabs(r1 - r2) >= h) return fmin(length(q) - r1, length(q - make_float2(0.0f, h)) - r2);
    const float b = (r1 - r2) / h;
    const float a = sqrt(1.0f - b * b);
    const float k = dot(q, make_float2(-b, a));
    if (k < 0.0f) return length(q) - r1;
    if (k > a * h) return length(q - make_float2(0.0f, h)) - r2;
    return dot(q, make_float2(a, b)) - r1;
}

MRPH_FN float octahedronSDF(float3 p, float size) {
    p = abs3(p);
    return p.x + p.y + p.z - size;
}

// Base at y = +h/2, apex at y = -h/2.
MRPH_FN float pyramidSDF(float3 p, float h) {
    p.y = p.y - h * 0.5f;
    const float3 q = abs3(p);
    return fmax(p.y, (1.5f * q.x + q.y + 1.5f * q.z - h) / 3.0f);
}

MRPH_FN float3 fold(float3 pos, float3 nc) {
    for (int i = 0; i < 5; ++i) {
        pos.x = fabs(pos.x);
        pos.y = fabs(pos.y);
        pos = pos - nc * (2.0f * fmin(dot(pos, nc), 0.0f));
    }
    return pos;
}

// Folded regular polyhedron of symmetry type 3, 4 or 5; UVW weights the vertex between the three
// mirror planes, spherization blends towards the sphere of the same size.
MRPH_FN float polyhedronSDF(float3 pos, float size, float type, float3 UVW, float spherization) {
    // Below 3 the fold is undefined (cos(pi / 0)), above 5 scospin = sqrt(0.75 - cospin^2) turns
    // imaginary: only the three polyhedral groups exist.
    type = clamp(type, 3.0f, 5.0f);
    const float cospin = cos(MRPH_PI / type);
    const float scospin = sqrt(0.75f - cospin * cospin);
    const float3 nc = make_float3(-0.5f, -cospin, scospin);
    const float3 pab = make_float3(0.0f, 0.0f, 1.0f);
    const float3 pbc = make_float3(scospin, 0.0f, 0.5f);
    const float3 pca = make_float3(0.0f, scospin, cospin);
    float3 p = fold(pos, nc);
    // With all three weights 0 (the panel allows it) there is no direction to normalise: the vertex
    // sits at the centre, as OpenCL's normalize of a zero vector has it, in every form.
    const float3 vertex = pab * UVW.x + pbc * UVW.y + pca * UVW.z;
    p = p - (dot(vertex, vertex) > 0.0f ? normalize(vertex) * size : vertex);
    const float d0 = dot(p, pab);
    const float d1 = dot(p, normalize(pbc));
    const float d2 = dot(p, normalize(pca));
    return mixf(fmax(d0, fmax(d1, d2)), sphereSDF(pos, size), spherization);
}

MRPH_KERNEL_NAMESPACE_END

#endif  // MORPHALITH_KERNEL_MARCH_H
