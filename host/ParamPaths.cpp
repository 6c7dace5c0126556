#include "host/ParamPaths.h"

#include <vector>

namespace host {

namespace {

// The chain from the outermost group in the scope down to the parameter itself.
std::vector<const DeclaredParam*> chain(const Panel& panel, int index, const ParamScope& scope) {
    std::vector<const DeclaredParam*> levels;
    for (int i = index; i >= scope.first && i != scope.root;) {
        const DeclaredParam* p = panel.find(i);
        if (!p) break;
        levels.insert(levels.begin(), p);
        i = p->parentGroup;
    }
    return levels;
}

std::vector<std::string> split(const std::string& key) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t slash; (slash = key.find('/', start)) != std::string::npos; start = slash + 1)
        parts.push_back(key.substr(start, slash - start));
    parts.push_back(key.substr(start));
    return parts;
}

enum class Match { Shown, Either };

bool names(const DeclaredParam& p, const std::string& name, Match how) {
    return name == p.def.name || (how == Match::Either && name == p.declaredName);
}

// Whether the key's parts name the last levels of the chain (all of them when whole).
bool matches(const std::vector<const DeclaredParam*>& levels, const std::vector<std::string>& parts, Match how,
             bool whole) {
    if (parts.size() > levels.size() || (whole && parts.size() != levels.size())) return false;
    const size_t skip = levels.size() - parts.size();
    for (size_t k = 0; k < parts.size(); ++k)
        if (!names(*levels[skip + k], parts[k], how)) return false;
    return true;
}

}  // namespace

bool holdsValue(PF_ParamType type) {
    switch (type) {
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
        case PF_Param_CHECKBOX:
        case PF_Param_POPUP:
        case PF_Param_COLOR:
        case PF_Param_LAYER: return true;
        default: return false;
    }
}

std::string fullParamPath(const Panel& panel, int index, const ParamScope& scope) {
    std::string path;
    for (const DeclaredParam* p : chain(panel, index, scope)) path += (path.empty() ? "" : "/") + std::string(p->def.name);
    return path;
}

int resolveParamPath(const Panel& panel, const std::string& key, const ParamScope& scope, std::string* why) {
    if (!key.empty() && key.size() < 6 && key.find_first_not_of("0123456789") == std::string::npos) {
        const int index = scope.indexBase + std::stoi(key);
        if (index >= scope.first && index < scope.last && panel.find(index)) return index;
        *why = "no parameter has that index";
        return -1;
    }
    const std::vector<std::string> parts = split(key);
    struct Tier {
        Match how;
        bool whole;
    };
    const Tier tiers[] = {{Match::Shown, true}, {Match::Either, true}, {Match::Either, false}};
    for (const Tier& tier : tiers) {
        std::vector<int> found;
        for (int i = scope.first; i < scope.last; ++i) {
            const DeclaredParam* p = panel.find(i);
            if (p && holdsValue(p->def.param_type) && matches(chain(panel, i, scope), parts, tier.how, tier.whole))
                found.push_back(i);
        }
        if (found.size() == 1) return found[0];
        if (found.empty()) continue;
        *why = "the name is ambiguous; write one of ";
        for (size_t k = 0; k < found.size(); ++k)
            *why += (k ? ", \"" : "\"") + scope.prefix + fullParamPath(panel, found[k], scope) + "\"";
        return -1;
    }
    *why = "no parameter has that name";
    return -1;
}

}  // namespace host
