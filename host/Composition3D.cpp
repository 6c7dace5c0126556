#include "host/Composition3D.h"

#include <cmath>
#include <cstring>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/glm.hpp>

namespace host {

double timeInSeconds(const A_Time* time) {
    if (!time) return 0.0;
    return (double)time->value / (double)(time->scale ? time->scale : 1);
}

bool isValidTime(const A_Time* time) { return time && time->scale > 0; }

bool compSecondsOf(const Layer& layer, AEGP_LTimeMode mode, const A_Time* time, double* seconds) {
    if (!isValidTime(time)) return false;
    const double t = timeInSeconds(time);
    switch (mode) {
        case AEGP_LTimeMode_CompTime: *seconds = t; return true;
        case AEGP_LTimeMode_LayerTime: *seconds = t + layer.startTime; return true;
        default: return false;
    }
}

bool videoActiveAt(const Layer& layer, double compSeconds) {
    return (layer.flags & AEGP_LayerFlag_VIDEO_ACTIVE) && layer.inPoint <= compSeconds && compSeconds < layer.outPoint;
}

A_Matrix4 layerToWorld(const Layer& layer, double seconds) {
    const LayerProperties& p = layer.props;
    const Vec3 a = p.anchor.at(seconds), pos = p.position.at(seconds), r = p.rotation.at(seconds),
               s = p.scale.at(seconds);
    // Column-vector form first: anchor, scale, rotate X then Y then Z, move to position.
    glm::dmat4 m(1.0);
    m = glm::translate(m, glm::dvec3(pos[0], pos[1], pos[2]));
    m = glm::rotate(m, glm::radians(r[2]), glm::dvec3(0, 0, 1));
    m = glm::rotate(m, glm::radians(r[1]), glm::dvec3(0, 1, 0));
    m = glm::rotate(m, glm::radians(r[0]), glm::dvec3(1, 0, 0));
    m = glm::scale(m, glm::dvec3(s[0] / 100.0, s[1] / 100.0, s[2] / 100.0));
    m = glm::translate(m, glm::dvec3(-a[0], -a[1], -a[2]));
    // The host's row-vector matrix is the transpose: its row i is glm's column i.
    A_Matrix4 out{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.mat[i][j] = m[i][j];
    return out;
}

namespace {

void setThreeD(AEGP_StreamVal* value, const Vec3& v) { value->three_d = {v[0], v[1], v[2]}; }

}  // namespace

A_Err layerStreamValue(const Layer& layer, AEGP_LayerStream stream, double seconds, AEGP_StreamVal* value,
                       AEGP_StreamType* type) {
    std::memset(value, 0, sizeof(*value));
    const LayerProperties& p = layer.props;
    const bool camera = layer.objectType == AEGP_ObjectType_CAMERA;
    const bool light = layer.objectType == AEGP_ObjectType_LIGHT;
    AEGP_StreamType kind = AEGP_StreamType_OneD;
    switch (stream) {
        case AEGP_LayerStream_ANCHORPOINT:
            setThreeD(value, p.anchor.at(seconds));
            kind = AEGP_StreamType_ThreeD_SPATIAL;
            break;
        case AEGP_LayerStream_POSITION:
            setThreeD(value, p.position.at(seconds));
            kind = AEGP_StreamType_ThreeD_SPATIAL;
            break;
        case AEGP_LayerStream_SCALE:
            setThreeD(value, p.scale.at(seconds));
            kind = AEGP_StreamType_ThreeD;
            break;
        case AEGP_LayerStream_ZOOM:
            if (!camera) return A_Err_GENERIC;
            value->one_d.value = p.zoom.at(seconds);
            break;
        case AEGP_LayerStream_APERTURE:
            if (!camera) return A_Err_GENERIC;
            value->one_d.value = p.aperture.at(seconds);
            break;
        case AEGP_LayerStream_FOCUS_DISTANCE:
            if (!camera) return A_Err_GENERIC;
            value->one_d.value = p.focusDistance.at(seconds);
            break;
        case AEGP_LayerStream_INTENSITY:
            if (!light) return A_Err_GENERIC;
            value->one_d.value = p.intensity.at(seconds);
            break;
        case AEGP_LayerStream_LIGHT_FALLOFF_START:
            if (!light) return A_Err_GENERIC;
            value->one_d.value = p.falloffStart.at(seconds);
            break;
        case AEGP_LayerStream_COLOR: {
            if (!light) return A_Err_GENERIC;
            const Vec3 c = p.color.at(seconds);
            value->color = {1.0, c[0], c[1], c[2]};
            kind = AEGP_StreamType_COLOR;
            break;
        }
        default: return A_Err_GENERIC;
    }
    if (type) *type = kind;
    return A_Err(0);
}

const Layer* activeCamera(const Project& project, double compSeconds) {
    for (const Layer& layer : project.comp.layers)
        if (layer.objectType == AEGP_ObjectType_CAMERA && videoActiveAt(layer, compSeconds)) return &layer;
    return nullptr;
}

double defaultCameraDistance(const Composition& comp) { return comp.width * 50.0 / 36.0; }

}  // namespace host
