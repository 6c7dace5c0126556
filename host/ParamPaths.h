// ParamPaths.h — effect parameters named as the panel shows them, for scene files and actions.
//
// A parameter's full path is the names of the groups around it, outermost first, then its own name,
// joined by "/" ("Modifiers/Twist/Rotation/Rotation X" within a slot, "Global Settings/Ambient
// Occlusion/Enabled" for the effect). Each name may be written as the panel shows it now (after the
// slot's primitive type renamed it) or as the effect declared it. A key resolves, in this order, to
// the one parameter whose full path it is with the names shown, whose full path it is with either
// name, or whose path ends with it; a number is an index (or, within a slot, an offset).
#ifndef MORPHALITH_HOST_PARAM_PATHS_H
#define MORPHALITH_HOST_PARAM_PATHS_H

#include <string>

#include "host/Panel.h"

namespace host {

// Where a key is looked up: indices [first, last); the group at `root` (a slot's own group) is left
// out of paths; a number is indexBase + the number; `prefix` goes before the paths a message lists.
struct ParamScope {
    int first = 0, last = 0;
    int root = -1;
    int indexBase = 0;
    std::string prefix;
};

// The index the key names, or -1 with why (an ambiguous key lists the full paths that resolve).
int resolveParamPath(const Panel& panel, const std::string& key, const ParamScope& scope, std::string* why);

// The full path of a parameter in the scope, with the names the panel shows now.
std::string fullParamPath(const Panel& panel, int index, const ParamScope& scope);

// Whether a parameter of this type holds a value a person can set.
bool holdsValue(PF_ParamType type);

}  // namespace host

#endif  // MORPHALITH_HOST_PARAM_PATHS_H
