#include "host/Project.h"

#include "host/Holdings.h"

#include <stdexcept>

namespace host {

Project::Project() : streams(kDefaultStreamCount) {
    comp.layers.push_back(Layer{1, "Solid 1", AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE, {}});
}

// The index holds the position of each id for the array as it was when indexed (its place in memory
// and its length). Appends through addLayer keep it up to date; any other change to the array is
// seen at the next lookup, which indexes it again.
void Project::indexLayers() {
    layerIndex_.clear();
    for (size_t i = 0; i < comp.layers.size(); ++i) layerIndex_.emplace(comp.layers[i].id, i);  // the first wins
    indexedData_ = comp.layers.data();
    indexedSize_ = comp.layers.size();
}

Layer* Project::indexedLayer(AEGP_LayerIDVal id) {
    if (indexedData_ != comp.layers.data() || indexedSize_ != comp.layers.size()) indexLayers();
    auto at = layerIndex_.find(id);
    if (at != layerIndex_.end() && comp.layers[at->second].id != id) {  // an id changed in place
        indexLayers();
        at = layerIndex_.find(id);
    }
    return at == layerIndex_.end() ? nullptr : &comp.layers[at->second];
}

Layer* Project::findLayer(AEGP_LayerIDVal id) {
    std::lock_guard<std::mutex> lock(layerIndexLock_);
    if (Layer* layer = indexedLayer(id)) return layer;
    // Not in the index: an id given to a layer in place is found by a search (rare: a slot whose
    // layer is gone asks this once a frame).
    for (Layer& layer : comp.layers) {
        if (layer.id != id) continue;
        indexLayers();
        return &layer;
    }
    return nullptr;
}

Layer& Project::addLayer(AEGP_LayerIDVal id, const std::string& name, AEGP_ObjectType type, AEGP_LayerFlags flags) {
    std::lock_guard<std::mutex> lock(layerIndexLock_);
    if (const Layer* taken = indexedLayer(id))
        throw std::invalid_argument("the composition would have two layers with id " + std::to_string(id) + ": \"" +
                                    taken->name + "\" and \"" + name + "\"");
    comp.layers.push_back(Layer{id, name, type, flags, {}});
    layerIndex_.emplace(id, comp.layers.size() - 1);
    indexedData_ = comp.layers.data();
    indexedSize_ = comp.layers.size();
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

AEGP_EffectRefH Project::newEffectRef(const void* instance) {
    std::lock_guard<std::mutex> lock(refsLock_);
    auto ref = reinterpret_cast<AEGP_EffectRefH>(newToken());
    if (instance) refInstances_[ref] = instance;
    liveEffects_.insert(ref);
    effects.made += 1;
    threadHoldings().effectRefs += 1;
    return ref;
}

bool Project::disposeEffectRef(AEGP_EffectRefH ref) {
    std::lock_guard<std::mutex> lock(refsLock_);
    refInstances_.erase(ref);
    if (!liveEffects_.erase(ref)) {
        effects.badDisposals += 1;
        return false;
    }
    effects.disposed += 1;
    threadHoldings().effectRefs -= 1;
    return true;
}

AEGP_StreamRefH Project::newStreamRef(int paramIndex, const void* instance) {
    std::lock_guard<std::mutex> lock(refsLock_);
    auto ref = reinterpret_cast<AEGP_StreamRefH>(newToken());
    if (instance) refInstances_[ref] = instance;
    liveStreams_[ref] = paramIndex;
    streamRefs.made += 1;
    threadHoldings().streamRefs += 1;
    return ref;
}

bool Project::disposeStreamRef(AEGP_StreamRefH ref) {
    std::lock_guard<std::mutex> lock(refsLock_);
    refInstances_.erase(ref);
    if (!liveStreams_.erase(ref)) {
        streamRefs.badDisposals += 1;
        return false;
    }
    streamRefs.disposed += 1;
    threadHoldings().streamRefs -= 1;
    return true;
}

const void* Project::instanceOf(const void* ref) const {
    std::lock_guard<std::mutex> lock(refsLock_);
    auto it = refInstances_.find(ref);
    return it == refInstances_.end() ? nullptr : it->second;
}

int Project::streamIndex(AEGP_StreamRefH ref) const {
    std::lock_guard<std::mutex> lock(refsLock_);
    auto it = liveStreams_.find(ref);
    return it == liveStreams_.end() ? -1 : it->second;
}

}  // namespace host
