// Composition3D.h — the 3D side of the stand-in host's composition: layer-to-world matrices from the
// (keyframed) transform, layer stream values, the active camera and the default camera distance.
// The AEGP Layer, Stream, Camera and Light suites answer from these.
#ifndef MORPHALITH_HOST_COMPOSITION_3D_H
#define MORPHALITH_HOST_COMPOSITION_3D_H

#include "AEGP_Suites.h"
#include "host/Project.h"

namespace host {

// A composition time in seconds (a zero scale reads as 1).
double timeInSeconds(const A_Time* time);

// A time a caller may hand the host: present, with a scale above zero.
bool isValidTime(const A_Time* time);

// The composition time, in seconds, that `time` names in `mode` for `layer` (layer time counts from
// the layer's start). False for a time mode the host does not know or an invalid time.
bool compSecondsOf(const Layer& layer, AEGP_LTimeMode mode, const A_Time* time, double* seconds);

// The layer's video switch is on and `compSeconds` lies between its in and out points.
bool videoActiveAt(const Layer& layer, double compSeconds);

// The layer's layer-to-world matrix at `seconds`, in the host's row-vector form (row 3 = position).
A_Matrix4 layerToWorld(const Layer& layer, double seconds);

// One layer stream at `seconds`; an error for a stream the layer does not have.
A_Err layerStreamValue(const Layer& layer, AEGP_LayerStream stream, double seconds, AEGP_StreamVal* value,
                       AEGP_StreamType* type);

// The topmost camera layer whose video is active at `compSeconds`, or null (then the effect uses the
// default camera).
const Layer* activeCamera(const Project& project, double compSeconds);

// The default camera's distance to the image plane: that of a 50 mm lens on 36 mm film across the
// composition's width.
double defaultCameraDistance(const Composition& comp);

}  // namespace host

#endif  // MORPHALITH_HOST_COMPOSITION_3D_H
