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

AEGP_StreamVal Stream::valueAt(double seconds) const {
    AEGP_StreamVal v = value;
    if (keys.empty()) return v;
    if (seconds <= keys.front().first) {
        v.one_d.value = keys.front().second;
    } else if (seconds >= keys.back().first) {
        v.one_d.value = keys.back().second;
    } else {
        for (size_t i = 1; i < keys.size(); ++i) {
            if (seconds > keys[i].first) continue;
            const auto& [t0, v0] = keys[i - 1];
            const auto& [t1, v1] = keys[i];
            v.one_d.value = t1 > t0 ? v0 + (v1 - v0) * (seconds - t0) / (t1 - t0) : v1;
            break;
        }
    }
    return v;
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
