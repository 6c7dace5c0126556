// Project.h — the host's in-memory project: one composition with its layers, and one effect
// instance with a stream per parameter index (type, 32-byte value, dynamic flags).
//
// References handed to the module (effect, stream, stream value) are counted here, so tests can
// check that every one obtained is disposed exactly once.
#ifndef MORPHALITH_HOST_PROJECT_H
#define MORPHALITH_HOST_PROJECT_H

#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "AEGP_Suites.h"
#include "host/Holdings.h"
#include "host/LayerProperties.h"

namespace host {

// Streams the effect instance has before its parameters are declared: one per index the module uses.
constexpr int kDefaultStreamCount = 1131;

struct Stream {
    AEGP_StreamType type = AEGP_StreamType_NO_DATA;
    AEGP_StreamVal value{};
    AEGP_DynStreamFlags flags = 0;
    // Keyframes of a one-dimensional stream, (composition seconds, value) sorted by time: linear
    // between two, held before the first and after the last. Without keyframes `value` holds.
    std::vector<std::pair<double, double>> keys;

    // The stream's value at composition time `seconds`.
    AEGP_StreamVal valueAt(double seconds) const;
};

struct Layer {
    AEGP_LayerIDVal id = 0;
    std::string name;
    AEGP_ObjectType objectType = AEGP_ObjectType_AV;
    AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE;
    LayerProperties props;  // transform, camera, light and image settings
    // Timing in composition seconds: the layer's own time 0 falls at `startTime`; its video shows
    // from `inPoint` up to, not including, `outPoint`.
    double startTime = 0.0;
    double inPoint = -std::numeric_limits<double>::infinity();
    double outPoint = std::numeric_limits<double>::infinity();
};

struct Composition {
    A_long width = 640, height = 360;
    std::vector<Layer> layers;
};

// Counts of one kind of reference handed to the module.
struct RefCounts {
    int made = 0;
    int disposed = 0;
    int badDisposals = 0;  // disposals of a reference that was not live (a double dispose, say)
    int live() const { return made - disposed; }
};

// The undo groups the module opened, in order. A group that a command leaves open is closed by the
// host when the command returns (a host cannot keep an undo step open across commands) and counted.
struct UndoGroup {
    std::string name;
    int depth = 0;  // 0 for a group opened with none open
    bool closed = false;
};

struct UndoHistory {
    std::vector<UndoGroup> groups;
    std::vector<size_t> open;  // indices into groups, innermost last
    int unmatchedEnds = 0;     // AEGP_EndUndoGroup with no group open
    int leftOpen = 0;          // groups still open when their command returned
    bool balanced() const { return open.empty() && unmatchedEnds == 0 && leftOpen == 0; }
};

// What a saved project keeps of the effect instance: its parameter streams and the sequence-data bytes
// exactly as the module flattened them.
struct SavedProject {
    std::vector<Stream> streams;
    bool hasSequenceData = false;
    std::vector<unsigned char> sequenceData;
};

class Project {
public:
    Project();

    Composition comp;
    AEGP_LayerIDVal effectLayerId = 1;  // the layer the effect is applied to
    std::vector<Stream> streams;        // by parameter index
    AEGP_PluginID registeredPluginId = 0;

    // By id, through an index (a composition may have thousands of lights), remade when the layers
    // have changed under it. Safe from several render threads while the layers stay as they are.
    Layer* findLayer(AEGP_LayerIDVal id);
    // Layer ids are unique in a composition: an id already taken throws std::invalid_argument.
    Layer& addLayer(AEGP_LayerIDVal id, const std::string& name, AEGP_ObjectType type, AEGP_LayerFlags flags);
    // Removes the layer from the composition, as a user deletes it; every layer parameter of the
    // effect that named it then names no layer. False when no layer has that id.
    bool deleteLayer(AEGP_LayerIDVal id);

    // References. Each remembers the effect instance it was made for (null: the host's first), whose
    // streams the stream suites then answer with.
    AEGP_EffectRefH newEffectRef(const void* instance = nullptr);
    bool disposeEffectRef(AEGP_EffectRefH ref);
    AEGP_StreamRefH newStreamRef(int paramIndex, const void* instance = nullptr);
    const void* instanceOf(const void* ref) const;
    bool disposeStreamRef(AEGP_StreamRefH ref);
    int streamIndex(AEGP_StreamRefH ref) const;  // -1 when not live
    bool isEffectRef(AEGP_EffectRefH ref) const {
        std::lock_guard<std::mutex> lock(refsLock_);
        return liveEffects_.count(ref) != 0;
    }
    void noteValueMade() {
        std::lock_guard<std::mutex> lock(refsLock_);
        values.made += 1;
        threadHoldings().streamValues += 1;
    }
    void noteValueDisposed(bool wasLive) {
        std::lock_guard<std::mutex> lock(refsLock_);
        if (wasLive) {
            values.disposed += 1;
            threadHoldings().streamValues -= 1;
        } else {
            values.badDisposals += 1;
        }
    }

    RefCounts effects, streamRefs, values;
    UndoHistory undo;
    int undoableFlagChanges = 0;  // dynamic stream flags set as an undoable change
    int setValueCalls = 0;
    AEGP_PluginID lastSetValuePluginId = 0;

private:
    // Render threads make and dispose references at once: the sets and counts are kept under a lock.
    mutable std::mutex refsLock_;
    std::set<AEGP_EffectRefH> liveEffects_;
    std::map<AEGP_StreamRefH, int> liveStreams_;
    std::map<const void*, const void*> refInstances_;  // reference -> instance, for further instances
    uintptr_t newToken();
    uintptr_t lastToken_ = 0;
    void indexLayers();
    Layer* indexedLayer(AEGP_LayerIDVal id);
    std::mutex layerIndexLock_;
    std::unordered_map<AEGP_LayerIDVal, size_t> layerIndex_;  // id -> position in comp.layers
    const Layer* indexedData_ = nullptr;
    size_t indexedSize_ = 0;
};

}  // namespace host

#endif  // MORPHALITH_HOST_PROJECT_H
