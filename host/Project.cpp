#include "host/Project.h"

namespace host {

Project::Project() : streams(kDefaultStreamCount) {
    comp.layers.push_back(Layer{1, "Solid 1", AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE, {}});
}

Layer* Project::findLayer(AEGP_LayerIDVal id) {
    for (Layer& layer : comp.layers)
        if (layer.id == id) return &layer;
    return nullptr;
}

Layer& Project::addLayer(AEGP_LayerIDVal id, const std::string& name, AEGP_ObjectType type, AEGP_LayerFlags flags) {
    comp.layers.push_back(Layer{id, name, type, flags, {}});
    return comp.layers.back();
}

bool Project::deleteLayer(AEGP_LayerIDVal id) {
    for (auto it = comp.layers.begin(); it != comp.layers.end(); ++it) {
        if (it->id != id) continue;
        comp.layers.erase(it);
        for (Stream& stream : streams)
            if (stream.type == AEGP_StreamType_LAYER_ID && stream.value.layer_id == id) stream.value.layer_id = 0;
        return true;
    }
    return false;
}

// References are never dereferenced by the module: a counter makes each one unique for the life of
// the project, so a long render never hands out a value that is still live.
uintptr_t Project::newToken() { return ++lastToken_ * 16; }

AEGP_EffectRefH Project::newEffectRef() {
    auto ref = reinterpret_cast<AEGP_EffectRefH>(newToken());
    liveEffects_.insert(ref);
    effects.made += 1;
    return ref;
}

bool Project::disposeEffectRef(AEGP_EffectRefH ref) {
    if (!liveEffects_.erase(ref)) {
        effects.badDisposals += 1;
        return false;
    }
    effects.disposed += 1;
    return true;
}

AEGP_StreamRefH Project::newStreamRef(int paramIndex) {
    auto ref = reinterpret_cast<AEGP_StreamRefH>(newToken());
    liveStreams_[ref] = paramIndex;
    streamRefs.made += 1;
    return ref;
}

bool Project::disposeStreamRef(AEGP_StreamRefH ref) {
    if (!liveStreams_.erase(ref)) {
        streamRefs.badDisposals += 1;
        return false;
    }
    streamRefs.disposed += 1;
    return true;
}

int Project::streamIndex(AEGP_StreamRefH ref) const {
    auto it = liveStreams_.find(ref);
    return it == liveStreams_.end() ? -1 : it->second;
}

}  // namespace host
